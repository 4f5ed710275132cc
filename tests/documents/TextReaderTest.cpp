#include "src/documents/Readers.h"
#include "src/documents/TextDecoding.h"
#include "tests/documents/BookChecks.h"

#include <gtest/gtest.h>

namespace {

TEST(TextReaderTest, LinesStandingAloneThatNameADivisionStartChapters) {
    struct Case {
        std::string_view line;
        bool starts;
    };
    const std::vector<Case> cases = {
        {"Chapter 12", true},
        {"CHAPTER XII", true},
        {"CHAPTER XII.", true},
        {"Chapter Twelve", true},
        {"chapter twenty-one", true},
        {"Chapter Twenty One", true},
        {"Chapter 3: The Storm", true},
        {"Chapter 3 \xE2\x80\x94 The Storm", true},
        {"  Part Two  ", true},
        {"PART I", true},
        {"Book One", true},
        {"Prologue", true},
        {"EPILOGUE", true},
        {"Prologue: The Fire", true},
        {"Chapter and verse", false},
        {"Part of the problem.", false},
        {"Chapter 12 was the best.", false},
        {"Book I think so", false},
        {"Chapter", false},
        {"Prologues are dull", false},
        {"Chapter 12345", false},
        {"Chapter VX", false},
        {"The Storm", false},
        {"Chapter IIII", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string text = "Opening words.\n\n" + std::string(c.line) + "\r\n\nBody text.\n";
        const BookResult result = ReadText(text, {});
        ASSERT_TRUE(result.book);
        const auto& chapters = result.book->chapters;
        ASSERT_EQ(chapters.size(), c.starts ? 2U : 1U);
        EXPECT_EQ(chapters[0].title, "Opening words.");
        if (c.starts) {
            EXPECT_EQ(chapters[1].title.size(),
                      c.line.find_last_not_of(' ') - c.line.find_first_not_of(' ') + 1);
            EXPECT_EQ(chapters[1].text, std::string(c.line) + "\r\n\nBody text.");
        }
    }
    // Not standing alone: part of a paragraph.
    for (std::string_view text :
         {"Chapter 1\nBody.", "Body.\nChapter 1\n\nMore.", "Body.\n\nChapter 1\nMore."})
        EXPECT_EQ(ReadText(text, {}).book->chapters.size(), 1U) << text;
}

TEST(TextReaderTest, LevelsFollowTheDivisionsTheTextHas) {
    const std::string withParts =
        "Prologue\n\nBefore.\n\nPart One\n\nChapter 1\n\nA.\n\n"
        "Chapter 2\n\nB.\n\nPART TWO\n\nChapter 3\n\nC.\n\nEpilogue\n\nAfter.";
    struct Case {
        std::string text;
        int chapterLevel;
        std::vector<ExpectedChapter> chapters;
    };
    const std::vector<Case> cases = {
        {withParts,
         2,
         {{"Prologue", 1, false, "Prologue\n\nBefore.", "Before."},
          {"Part One", 1, false, "Part One", "Part One"},
          {"Chapter 1", 2, false, "Chapter 1\n\nA.", "A."},
          {"Chapter 2", 2, false, "Chapter 2", "B."},
          {"PART TWO", 1, false, "PART TWO", "PART TWO"},
          {"Chapter 3", 2, false, "Chapter 3", "C."},
          {"Epilogue", 1, false, "Epilogue", "After."}}},
        {withParts,
         1,
         {{"Prologue", 1, false, "Prologue", "Before."},
          {"Part One", 1, false, "Part One\n\nChapter 1\n\nA.\n\nChapter 2", "B."},
          {"PART TWO", 1, false, "PART TWO\n\nChapter 3", "C."},
          {"Epilogue", 1, false, "Epilogue", "After."}}},
        {"Book I\n\nPart 1\n\nChapter 1\n\nA.",
         3,
         {{"Book I", 1, false, "Book I", "Book I"},
          {"Part 1", 2, false, "Part 1", "Part 1"},
          {"Chapter 1", 3, false, "Chapter 1", "A."}}},
        {"Chapter 1\n\nA.\n\nChapter 2\n\nB.",
         1,
         {{"Chapter 1", 1, false, "Chapter 1", "A."}, {"Chapter 2", 1, false, "Chapter 2", "B."}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text + " to level " + std::to_string(c.chapterLevel));
        const BookResult result =
            ReadText(c.text, {.chapterLevel = c.chapterLevel, .nameHint = {}});
        ASSERT_TRUE(result.book);
        ExpectChapters(*result.book, c.chapters);
    }
}

// The engine obeys the text's markup and hears its layout: a chapter is its
// stretch of the text as written.
TEST(TextReaderTest, ChaptersKeepTheTextAsWritten) {
    const std::string text = "\n\nThe Title Of It\n\nBy  Someone\n\n\nChapter 1\n\n"
                             "Line one\n   line  two <volume level=\"50\">soft</volume>\n\n\n"
                             "Next paragraph.\n\n";
    const BookResult result = ReadText(text, {});
    ASSERT_TRUE(result.book);
    const Book& book = *result.book;
    EXPECT_TRUE(book.obeysMarkup);
    EXPECT_EQ(book.title, "The Title Of It");
    ASSERT_EQ(book.chapters.size(), 2U);
    EXPECT_EQ(book.chapters[0].title, "The Title Of It");
    EXPECT_EQ(book.chapters[0].text, "The Title Of It\n\nBy  Someone");
    EXPECT_EQ(book.chapters[1].text, "Chapter 1\n\nLine one\n   line  two <volume "
                                     "level=\"50\">soft</volume>\n\n\nNext paragraph.");
    // A first line that reads as a sentence names nothing.
    EXPECT_EQ(ReadText("It was late.\n\nThen.", {}).book->title, "");
    for (std::string_view empty : {"", " \n\t\r\n", "\xEF\xBB\xBF"})
        EXPECT_EQ(ReadText(empty, {}).error, "it holds no text to speak");
}

TEST(TextReaderTest, DecodesAsTheEditorReads) {
    struct Case {
        std::string_view bytes;
        std::string_view utf8;
    };
    using namespace std::string_view_literals;
    const std::vector<Case> cases = {
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"\xEF\xBB\xBF"
         "caf\xC3\xA9",
         "caf\xC3\xA9"},
        {"caf\xE9 \x80", "caf\xC3\xA9 \xC2\x80"},     // Latin-1
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},             // overlong: not UTF-8
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"}, // a surrogate: not UTF-8
        {"\xFF\xFE"
         "c\0\xE9\0"sv,
         "c\xC3\xA9"}, // UTF-16 LE
        {"\xFE\xFF"
         "\0c\0\xE9"sv,
         "c\xC3\xA9"}, // UTF-16 BE
        {"\xFF\xFE"
         "\x3D\xD8\x00\xDE"sv,
         "\xF0\x9F\x98\x80"}, // a pair: U+1F600
        {"\xFF\xFE"
         "\x00\xDEx\0"sv,
         "\xEF\xBF\xBDx"}, // a lone low surrogate
        {"\xFF\xFE"
         "\x3D\xD8x\0"sv,
         "\xEF\xBF\xBDx"}, // a lone high surrogate
        {"\xFF\xFE"
         "x\0y"sv,
         "x\xEF\xBF\xBD"}, // an odd byte
        {"\xFF\xFE"
         "\x20\x20"sv,
         "\xE2\x80\xA0"}, // U+2020
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeTextToUtf8(c.bytes), c.utf8) << c.bytes;
    const BookResult result = ReadText("\xFF\xFE"
                                       "C\0h\0.\0\n\0"sv,
                                       {});
    ASSERT_TRUE(result.book);
    EXPECT_EQ(result.book->chapters[0].text, "Ch.");
}

} // namespace
