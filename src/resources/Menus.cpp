#include "src/resources/Menus.h"

#include "src/resources/resource.h"

#include <algorithm>
#include <array>

namespace {

constexpr MenuItem kSeparator{0, nullptr};

template <std::size_t A, std::size_t B>
constexpr std::array<MenuItem, A + B> Join(const std::array<MenuItem, A>& first,
                                           const std::array<MenuItem, B>& second) {
    std::array<MenuItem, A + B> all{};
    std::copy(first.begin(), first.end(), all.begin());
    std::copy(second.begin(), second.end(), all.begin() + A);
    return all;
}

constexpr std::array kFileItems{
    MenuItem{ID_FILE_WRITE, u"&Write to audio file\tCtrl+W"},
    MenuItem{ID_FILE_WRITE_SELECTED, u"Write selected text to audio file\tCtrl+Alt+W"},
    MenuItem{ID_FILE_SPEAK, u"&Speak\tCtrl+S"},
    MenuItem{ID_FILE_SPEAK_SELECTED, u"Speak selected text\tCtrl+Alt+S"},
    MenuItem{ID_FILE_STOP, u"Sto&p\tCtrl+P"},
    kSeparator,
    MenuItem{ID_FILE_DOWNLOAD_VOICES, u"Download more voices..."},
    kSeparator,
    MenuItem{ID_APP_EXIT, u"E&xit"},
};

constexpr std::array kEditItems{
    MenuItem{ID_EDIT_UNDO, u"&Undo\tCtrl+Z"},
    MenuItem{ID_EDIT_REDO, u"&Redo\tCtrl+Y"},
    kSeparator,
    MenuItem{ID_EDIT_CUT, u"Cu&t\tCtrl+X"},
    MenuItem{ID_EDIT_COPY, u"&Copy\tCtrl+C"},
    MenuItem{ID_EDIT_PASTE, u"&Paste\tCtrl+V"},
};

constexpr std::array kViewItems{
    MenuItem{ID_VIEW_TOOLBAR, u"&Toolbar"},
    MenuItem{ID_VIEW_STATUS_BAR, u"&Status Bar"},
};

constexpr std::array kHelpItems{
    MenuItem{ID_HELP_WEBSITE, u"Vocalith web site..."},
    kSeparator,
    MenuItem{ID_APP_ABOUT, u"&About Vocalith..."},
};

constexpr std::array kMainMenu{
    MenuPopup{u"&File", kFileItems},
    MenuPopup{u"&Edit", kEditItems},
    MenuPopup{u"&View", kViewItems},
    MenuPopup{u"&Help", kHelpItems},
};

// The editor's context menu: the Edit menu, then the commands on the selection.
constexpr auto kContextItems =
    Join(kEditItems,
         std::array{
             kSeparator,
             MenuItem{ID_FILE_SPEAK_SELECTED, u"Speak selected text\tCtrl+Alt+S"},
             MenuItem{ID_FILE_WRITE_SELECTED, u"Write selected text to audio file\tCtrl+Alt+W"},
         });

// The context menu is one popup; its own title is never shown.
constexpr std::array kContextMenu{MenuPopup{u"_POPUP_", kContextItems}};

constexpr MenuTemplate kMenus[] = {
    {IDR_MAINFRAME, kMainMenu},
    {IDR_CONTEXTMENU, kContextMenu},
};

} // namespace

const MenuTemplate* FindMenuTemplate(UINT id) {
    for (const auto& menu : kMenus)
        if (menu.id == id)
            return &menu;
    return nullptr;
}
