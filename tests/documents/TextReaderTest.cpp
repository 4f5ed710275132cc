#include "src/documents/Readers.h"
#include "src/documents/TextDecoding.h"
#include "tests/documents/BookChecks.h"

#include <gtest/gtest.h>

namespace {

TEST(TextReaderTest, LinesStandingAloneThatNameADivisionStartChapters) {
    const auto chapters = [](std::string_view line) {
        const std::string text = "Opening words.\n\n" + std::string(line) + "\r\n\nBody text.\n";
        return ReadText(text, {}).book->chapters;
    };
    for (std::string_view line :
         {"Chapter 12", "CHAPTER XII", "CHAPTER XII.", "Chapter Twelve", "chapter twenty-one",
          "Chapter Twenty One", "Chapter 3: The Storm", "Chapter 3 \xE2\x80\x94 The Storm",
          "  Part Two  ", "PART I", "Book One", "Prologue", "EPILOGUE", "Prologue: The Fire"}) {
        const std::vector<Chapter> read = chapters(line);
        ASSERT_EQ(read.size(), 2U) << line;
        EXPECT_EQ(read[0].title, "Opening words.");
        const auto first = line.find_first_not_of(' ');
        EXPECT_EQ(read[1].title, line.substr(first, line.find_last_not_of(' ') + 1 - first));
        EXPECT_EQ(read[1].text, std::string(line) + "\r\n\nBody text.");
    }
    for (std::string_view line :
         {"Chapter and verse", "Part of the problem.", "Chapter 12 was the best.",
          "Book I think so", "Chapter", "Prologues are dull", "Chapter 12345", "Chapter VX",
          "Chapter IIII"})
        EXPECT_EQ(chapters(line).size(), 1U) << line;
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
        {"\xEF\xBB\xBF\x63", "c"},                                       // UTF-8 with its mark
        {"caf\xE9 \x80", "caf\xC3\xA9 \xC2\x80"},                        // Latin-1
        {"\xC0\xAF", "\xC3\x80\xC2\xAF"},                                // overlong: not UTF-8
        {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},                    // a surrogate: not UTF-8
        {"\xFF\xFE\x63\x00\xE9\x00\x20\x20"sv, "c\xC3\xA9\xE2\x80\xA0"}, // UTF-16 LE
        {"\xFE\xFF\x00\x63\x00\xE9"sv, "c\xC3\xA9"},                     // UTF-16 BE
        {"\xFF\xFE\x3D\xD8\x00\xDE"sv, "\xF0\x9F\x98\x80"},              // a pair: U+1F600
        {"\xFF\xFE\x00\xDE\x78\x00"sv, "\xEF\xBF\xBDx"},                 // a lone low surrogate
        {"\xFF\xFE\x3D\xD8\x78\x00"sv, "\xEF\xBF\xBDx"},                 // a lone high surrogate
        {"\xFF\xFE\x78\x00\x79"sv, "x\xEF\xBF\xBD"},                     // an odd byte
    };
    for (const Case& c : cases)
        EXPECT_EQ(DecodeTextToUtf8(c.bytes), c.utf8) << c.bytes;
    const BookResult result = ReadText("\xFF\xFE\x43\x00\x68\x00\x2E\x00\x0A\x00"sv, {});
    ASSERT_TRUE(result.book);
    EXPECT_EQ(result.book->chapters[0].text, "Ch.");
}

} // namespace
