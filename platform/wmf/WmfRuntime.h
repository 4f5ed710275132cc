#pragma once
// Creates an object of one of the runtime's classes, for the registration in
// the program's image and for the runtime's own module alike.

#include "platform/com/types.h"

HRESULT CreateWmfObject(REFCLSID clsid, REFIID riid, void** ppv);
