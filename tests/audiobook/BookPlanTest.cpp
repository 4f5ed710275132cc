// The plan: chapters cut into pieces at paragraph ends, and the keys that
// name the pieces; the parts folder's clean-up.

#include "src/audiobook/BookPlan.h"

#include "src/audiobook/PartsFolder.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

namespace {

TEST(BookPlanTest, CutsAtParagraphEndsThenSentencesThenSpaces) {
    const std::string sentence = "A sentence of forty bytes, more or less. ";
    const std::string longParagraph = sentence + sentence + sentence; // 123 bytes
    struct {
        std::string text;
        std::size_t limit;
        std::vector<std::string> pieces;
    } cases[] = {
        {"One.\nTwo.\nThree.", 100, {"One.\nTwo.\nThree."}},
        {"First paragraph.\nSecond paragraph.\nThird.",
         35,
         {"First paragraph.\nSecond paragraph.", "Third."}},
        {"Short.\n" + longParagraph + "\nAfter.",
         100,
         {"Short.", sentence + sentence, sentence + "\nAfter."}},
        {"wordswords wordswords wordswords", 12, {"wordswords ", "wordswords ", "wordswords"}},
        // No space at all: cut before a character, never inside one.
        {"\xC3\xA9\xC3\xA9\xC3\xA9", 3, {"\xC3\xA9", "\xC3\xA9", "\xC3\xA9"}},
        {"\n \nText.\n\nMore.", 100, {"Text.\n\nMore."}},
        {"\n\n  \n", 100, {}},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> pieces = CutIntoPieces(c.text, c.limit);
        EXPECT_EQ(pieces, c.pieces) << c.text;
        for (const std::string& piece : pieces)
            EXPECT_LE(piece.size(), c.limit) << c.text;
    }
}

TEST(BookPlanTest, KeysChangeWithTheTextAndEachSettingOnly) {
    PieceSettings base;
    base.voice = "kal, SAPI4";
    base.quality = "22kHz 16 Bit Mono";
    base.encoding = {AudiobookFormat::M4b, 64};
    base.version = "1.0.0";
    const std::string key = PieceKey("Some text.", base);
    EXPECT_EQ(key.size(), 64u);
    EXPECT_EQ(key.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_EQ(PieceKey("Some text.", PieceSettings(base)), key);

    using Change = std::function<void(PieceSettings&)>;
    const Change changes[] = {
        [](PieceSettings& s) { s.voice = "slt, SAPI4"; },
        [](PieceSettings& s) { s.quality = "44kHz 16 Bit Mono"; },
        [](PieceSettings& s) { s.speed = 1; },
        [](PieceSettings& s) { s.volume = 99; },
        [](PieceSettings& s) { s.pitch = -1; },
        [](PieceSettings& s) { s.encoding.format = AudiobookFormat::Opus; },
        [](PieceSettings& s) { s.encoding.kbps = 96; },
        [](PieceSettings& s) { s.version = "1.0.1"; },
    };
    std::vector<std::string> keys = {key, PieceKey("Some text!", base),
                                     PieceKey("Some text.", base, kParagraphPauseMs)};
    for (const Change& change : changes) {
        PieceSettings changed = base;
        change(changed);
        keys.push_back(PieceKey("Some text.", changed));
    }
    std::ranges::sort(keys);
    EXPECT_EQ(std::ranges::unique(keys).begin(), keys.end()) << "two settings gave one key";

    // A chapter changed elsewhere keeps the keys of its unchanged pieces.
    const std::vector<PlannedChapter> before =
        PlanBook({{0, "One", "Alpha.\nBeta."}, {1, "Two", "Gamma."}}, base, 6);
    const std::vector<PlannedChapter> after =
        PlanBook({{0, "One", "Alpha.\nBeta!"}, {1, "Two", "Gamma."}}, base, 6);
    ASSERT_EQ(before[0].pieces.size(), 2u);
    EXPECT_EQ(after[0].pieces[0].key, before[0].pieces[0].key);
    EXPECT_NE(after[0].pieces[1].key, before[0].pieces[1].key);
    EXPECT_EQ(after[1].pieces[0].key, before[1].pieces[0].key);
    // A paragraph's pause within a chapter, a chapter's after its last piece.
    EXPECT_EQ(before[0].pieces[0].pauseMs, kParagraphPauseMs);
    EXPECT_EQ(before[0].pieces[1].pauseMs, kChapterPauseMs);
    EXPECT_EQ(before[1].pieces[0].pauseMs, kChapterPauseMs);
}

TEST(BookPlanTest, PartsFolderRemovesItsOwnFilesOnly) {
    ScratchFolder scratch;
    const PartsFolder parts((scratch / "book.m4b.parts").string(), ".m4b");
    ASSERT_EQ(parts.Create(), "");
    const std::string key(64, 'a');
    ASSERT_EQ(WriteFileWhole(parts.PiecePath(key), "piece"), "");
    ASSERT_EQ(WriteFileWhole(parts.TextPath(key), "text"), "");
    EXPECT_TRUE(parts.HasPiece(key));
    EXPECT_EQ(parts.PieceSize(key), 5u);
    EXPECT_FALSE(parts.HasPiece(std::string(64, 'b')));
    WriteAll(scratch / "book.m4b.parts/notes.txt", "the user's");

    parts.Remove();
    EXPECT_EQ(ReadAll(scratch / "book.m4b.parts/notes.txt"), "the user's");
    EXPECT_EQ(std::filesystem::directory_iterator(scratch / "book.m4b.parts")->path().filename(),
              "notes.txt");
    std::filesystem::remove(scratch / "book.m4b.parts/notes.txt");
    parts.Remove();
    EXPECT_FALSE(std::filesystem::exists(scratch / "book.m4b.parts"));

    // In the way, or not writable: said, not taken.
    WriteAll(scratch / "file", "");
    EXPECT_NE(PartsFolder((scratch / "file").string(), ".m4b").Create(), "");
    EXPECT_NE(WriteFileWhole((scratch / "missing/x").string(), "x"), "");
    EXPECT_EQ(scratch.Files(), std::vector<std::string>{"file"});
}

} // namespace
