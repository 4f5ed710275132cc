#pragma once
// Classes served by a module of their own, loaded on their first creation as
// an in-process server's library is: a program that never creates them never
// maps the module or the libraries it depends on.

#include "platform/com/com.h"

// The entry point such a module exports under this name: it creates an
// object of one of its classes and answers the requested interface.
using DllCreateObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID riid, void** ppv);
inline constexpr const char* kDllCreateObjectName = "DllCreateObject";

// Registers `clsid` as served by the module `fileName`, looked for in the
// program's folder (a build tree), then in the program's private library
// folder (installed), then by the loader's own search. Creating the class
// fails with REGDB_E_CLASSNOTREG while the module cannot be loaded.
void CoRegisterServerModule(REFCLSID clsid, const char* fileName);
