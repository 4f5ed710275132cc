#pragma once
// Menus 128 (the frame's menu bar) and 130 (the editor's context menu) as data.
// In an item text "&" marks the mnemonic and "\t" separates the shortcut text.

#include "platform/com/types.h"

#include <span>

struct MenuItem {
    UINT id;              // 0 for a separator
    const char16_t* text; // nullptr for a separator
};

struct MenuPopup {
    const char16_t* text;
    std::span<const MenuItem> items;
};

struct MenuTemplate {
    UINT id;
    std::span<const MenuPopup> popups;
};

// Menus 128 and 130; nullptr for any other id.
const MenuTemplate* FindMenuTemplate(UINT id);
