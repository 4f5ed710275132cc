// The names of a book's files written one per chapter, and their playlist.

#include "src/audiobook/SplitNames.h"

#include <gtest/gtest.h>

namespace {

TEST(SplitNamesTest, NamesAreSafeEverywhere) {
    struct {
        std::size_t number, count;
        std::string title, name;
    } cases[] = {
        {7, 12, "The Storm", "07 - The Storm.mp3"},
        {7, 120, "The Storm", "007 - The Storm.mp3"},
        {1, 3, "Part 1: What? \"Why\" <a|b> c/d\\e*", "01 - Part 1 What Why a b c d e.mp3"},
        {2, 3, "  ..Dots and spaces..  ", "02 - Dots and spaces.mp3"},
        {3, 3, "Tab\there\nnewline\x7f", "03 - Tab here newline.mp3"},
        {4, 9, "con", "04 - _con.mp3"},
        {5, 9, "LPT1.notes", "05 - _LPT1.notes.mp3"},
        {6, 9, "COMa", "06 - COMa.mp3"},
        {8, 9, "/:*?", "08.mp3"},
        {9, 9, "", "09.mp3"},
        {10, 10, std::string(200, 'x'), "10 - " + std::string(120, 'x') + ".mp3"},
        // Cut before a character, not inside it, and trimmed again after the cut.
        {1, 1, std::string(119, 'x') + "\xC3\xA9", "01 - " + std::string(119, 'x') + ".mp3"},
        {1, 1, std::string(119, 'x') + " y", "01 - " + std::string(119, 'x') + ".mp3"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitFileName(c.number, c.count, c.title, ".mp3"), c.name) << c.title;
}

TEST(SplitNamesTest, PlaylistListsEachFileWithItsLengthAndTitle) {
    EXPECT_EQ(
        Playlist({{"01 - Caf\xC3\xA9.mp3", "Caf\xC3\xA9", 61.6}, {"02.mp3", "Two\nlines", 2}}),
        "#EXTM3U\n"
        "#EXTINF:62,Caf\xC3\xA9\n01 - Caf\xC3\xA9.mp3\n"
        "#EXTINF:2,Two lines\n02.mp3\n");
}

} // namespace
