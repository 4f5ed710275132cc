#pragma once
// The program's string table: every user-visible text, by resource id.

#include "platform/com/types.h"

#include <string>

// The text of a string resource; empty when the id has none.
std::u16string LoadResString(UINT id);
