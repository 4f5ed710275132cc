#include "src/resources/Accelerators.h"

#include "src/resources/resource.h"

#include <gtest/gtest.h>
#include <set>
#include <utility>

namespace {

UINT CommandOf(BYTE flags, WORD key) {
    for (const ACCEL& a : FindAcceleratorTable(IDR_MAINFRAME))
        if (a.fVirt == (flags | FVIRTKEY) && a.key == key)
            return a.cmd;
    return 0;
}

TEST(AcceleratorsTest, EveryKeyOfTheFrameReachesItsCommand) {
    EXPECT_EQ(CommandOf(FCONTROL, 'W'), ID_FILE_WRITE);
    EXPECT_EQ(CommandOf(FCONTROL | FALT, 'W'), ID_FILE_WRITE_SELECTED);
    EXPECT_EQ(CommandOf(FCONTROL, 'S'), ID_FILE_SPEAK);
    EXPECT_EQ(CommandOf(FCONTROL | FALT, 'S'), ID_FILE_SPEAK_SELECTED);
    EXPECT_EQ(CommandOf(FCONTROL, 'P'), ID_FILE_STOP);
    EXPECT_EQ(CommandOf(FCONTROL, 'Z'), ID_EDIT_UNDO);
    EXPECT_EQ(CommandOf(FALT, VK_BACK), ID_EDIT_UNDO);
    EXPECT_EQ(CommandOf(FCONTROL, 'Y'), ID_EDIT_REDO);
    EXPECT_EQ(CommandOf(FCONTROL, 'X'), ID_EDIT_CUT);
    EXPECT_EQ(CommandOf(FSHIFT, VK_DELETE), ID_EDIT_CUT);
    EXPECT_EQ(CommandOf(FCONTROL, 'C'), ID_EDIT_COPY);
    EXPECT_EQ(CommandOf(FCONTROL, VK_INSERT), ID_EDIT_COPY);
    EXPECT_EQ(CommandOf(FCONTROL, 'V'), ID_EDIT_PASTE);
    EXPECT_EQ(CommandOf(FSHIFT, VK_INSERT), ID_EDIT_PASTE);
    EXPECT_EQ(CommandOf(0, VK_F6), ID_NEXT_PANE);
    EXPECT_EQ(CommandOf(FSHIFT, VK_F6), ID_PREV_PANE);
    EXPECT_EQ(FindAcceleratorTable(IDR_MAINFRAME).size(), 16u);
}

TEST(AcceleratorsTest, NoKeyIsBoundTwiceAndOtherTablesAreEmpty) {
    std::set<std::pair<BYTE, WORD>> keys;
    for (const ACCEL& a : FindAcceleratorTable(IDR_MAINFRAME))
        EXPECT_TRUE(keys.insert({a.fVirt, a.key}).second) << a.key;
    EXPECT_TRUE(FindAcceleratorTable(IDR_CONTEXTMENU).empty());
}

} // namespace
