#pragma once
// A string resource as Qt text, for the window's parts.

#include "src/resources/StringTable.h"

#include <QString>

inline QString ResString(UINT id) {
    return QString::fromStdU16String(LoadResString(id));
}
