#include "src/resources/Menus.h"

#include "src/resources/resource.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

struct Item {
    UINT id;
    std::u16string text;
};

std::vector<Item> ItemsOf(const MenuPopup& popup) {
    std::vector<Item> items;
    for (const MenuItem& item : popup.items)
        items.push_back({item.id, item.text ? item.text : u""});
    return items;
}

TEST(MenusTest, ContextMenuHoldsTheSevenItemsWithTwoSeparators) {
    const MenuTemplate* menu = FindMenuTemplate(IDR_CONTEXTMENU);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->popups.size(), 1u);
    const std::vector<Item> expected = {
        {ID_EDIT_UNDO, u"&Undo\tCtrl+Z"},
        {ID_EDIT_REDO, u"&Redo\tCtrl+Y"},
        {0, u""},
        {ID_EDIT_CUT, u"Cu&t\tCtrl+X"},
        {ID_EDIT_COPY, u"&Copy\tCtrl+C"},
        {ID_EDIT_PASTE, u"&Paste\tCtrl+V"},
        {0, u""},
        {ID_FILE_SPEAK_SELECTED, u"Speak selected text\tCtrl+Alt+S"},
        {ID_FILE_WRITE_SELECTED, u"Write selected text to audio file\tCtrl+Alt+W"},
    };
    const std::vector<Item> actual = ItemsOf(menu->popups[0]);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].id, expected[i].id) << i;
        EXPECT_EQ(actual[i].text, expected[i].text) << i;
    }
}

TEST(MenusTest, MainMenuOffersEveryMenuCommandOnceWithItsText) {
    const MenuTemplate* menu = FindMenuTemplate(IDR_MAINFRAME);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->popups.size(), 4u);
    EXPECT_EQ(std::u16string(menu->popups[0].text), u"&File");
    EXPECT_EQ(std::u16string(menu->popups[1].text), u"&Edit");
    EXPECT_EQ(std::u16string(menu->popups[2].text), u"&View");
    EXPECT_EQ(std::u16string(menu->popups[3].text), u"&Help");

    const std::map<UINT, std::u16string> expected = {
        {ID_FILE_WRITE, u"&Write to audio file\tCtrl+W"},
        {ID_FILE_WRITE_SELECTED, u"Write selected text to audio file\tCtrl+Alt+W"},
        {ID_FILE_SPEAK, u"&Speak\tCtrl+S"},
        {ID_FILE_SPEAK_SELECTED, u"Speak selected text\tCtrl+Alt+S"},
        {ID_FILE_STOP, u"Sto&p\tCtrl+P"},
        {ID_FILE_DOWNLOAD_VOICES, u"Download more voices..."},
        {ID_APP_EXIT, u"E&xit"},
        {ID_EDIT_UNDO, u"&Undo\tCtrl+Z"},
        {ID_EDIT_REDO, u"&Redo\tCtrl+Y"},
        {ID_EDIT_CUT, u"Cu&t\tCtrl+X"},
        {ID_EDIT_COPY, u"&Copy\tCtrl+C"},
        {ID_EDIT_PASTE, u"&Paste\tCtrl+V"},
        {ID_VIEW_TOOLBAR, u"&Toolbar"},
        {ID_VIEW_STATUS_BAR, u"&Status Bar"},
        {ID_HELP_WEBSITE, u"Vocalith web site..."},
        {ID_APP_ABOUT, u"&About Vocalith..."},
    };
    std::map<UINT, int> seen;
    for (const MenuPopup& popup : menu->popups)
        for (const Item& item : ItemsOf(popup)) {
            if (item.id == 0)
                continue;
            ++seen[item.id];
            ASSERT_TRUE(expected.count(item.id)) << item.id;
            EXPECT_EQ(item.text, expected.at(item.id));
        }
    EXPECT_EQ(seen.size(), expected.size());
    for (const auto& [id, count] : seen)
        EXPECT_EQ(count, 1) << id;

    // The File menu keeps the command table's order.
    std::vector<UINT> file;
    for (const Item& item : ItemsOf(menu->popups[0]))
        if (item.id)
            file.push_back(item.id);
    EXPECT_EQ(file, (std::vector<UINT>{ID_FILE_WRITE, ID_FILE_WRITE_SELECTED, ID_FILE_SPEAK,
                                       ID_FILE_SPEAK_SELECTED, ID_FILE_STOP,
                                       ID_FILE_DOWNLOAD_VOICES, ID_APP_EXIT}));
}

TEST(MenusTest, OtherIdsHaveNoMenu) {
    EXPECT_EQ(FindMenuTemplate(0), nullptr);
    EXPECT_EQ(FindMenuTemplate(129), nullptr);
    EXPECT_EQ(FindMenuTemplate(IDD_ABOUTBOX), nullptr);
}

} // namespace
