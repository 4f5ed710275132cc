#include "src/documents/Readers.h"
#include "tests/documents/BookChecks.h"

#include <gtest/gtest.h>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string> Paragraphs(const std::string& text) {
    std::vector<std::string> paragraphs;
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        paragraphs.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return paragraphs;
}

bool IsFolio(const std::string& paragraph) {
    return !paragraph.empty() &&
           paragraph.find_first_not_of("0123456789ivxlc") == std::string::npos;
}

// A running head or page number left in the text shows up as a paragraph of
// its own, or glued into the paragraph a page turn cut.
void ExpectNoFurniture(const Book& book) {
    for (const Chapter& chapter : book.chapters) {
        const std::vector<std::string> paragraphs = Paragraphs(chapter.text);
        for (std::size_t i = 1; i < paragraphs.size(); ++i) {
            SCOPED_TRACE(paragraphs[i]);
            EXPECT_FALSE(IsFolio(paragraphs[i]));
            EXPECT_NE(paragraphs[i], book.title);
            for (const Chapter& other : book.chapters)
                EXPECT_NE(paragraphs[i], other.title);
        }
    }
}

struct GoodPdf {
    std::string_view file;
    int chapterLevel;
    std::string_view title;
    std::string_view language;
    std::vector<std::string> authors;
    std::vector<ExpectedChapter> chapters;
    std::vector<std::string_view> heard;
    std::vector<std::string_view> unheard;
};

TEST(PdfReader, ReadsChaptersTextAndMetadata) {
    // Across a page turn with "The Storm" as running head, "4" as folio and a
    // footnote; a word split at a line's end, a compound split at its hyphen;
    // a short line that ends a sentence inside a paragraph.
    const std::vector<std::string_view> bookHeard = {
        "the light kept burning until", "each entry an example of patience",
        "The old Anglo-Saxon chronicle", "the lighthouse hummed", "looked out. Three ships"};
    const std::vector<std::string_view> bookUnheard = {"exam-", "light-", "Keeper\n",
                                                       "built in 1791"};
    const std::vector<ExpectedChapter> bookChapters = {
        {"Contents", 1, true, "Contents\nPart One", "The Return"},
        {"Part One", 1, false, "Part One", "Part One"},
        {"The Storm", 2, false, "The Storm\nThe wind rose", "the ninety steps to sleep."},
        {"The Calm", 2, false, "The Calm\nThe calm that", "nothing at all about the weather."},
        {"Part Two", 1, false, "Part Two", "Part Two"},
        {"The Return", 2, false, "The Return\nHer brother", "the light was good.\nThe End."}};
    const std::vector<GoodPdf> cases = {
        {"book.pdf",
         2,
         "The Lighthouse Keeper",
         "",
         {"Ada Lovelace", "Charles Babbage"},
         bookChapters,
         bookHeard,
         bookUnheard},
        // Its pages turned by /Rotate: read as they are shown.
        {"rotated.pdf",
         2,
         "The Lighthouse Keeper",
         "",
         {"Ada Lovelace", "Charles Babbage"},
         bookChapters,
         bookHeard,
         bookUnheard},
        // Entries deeper than asked for stay in their part's text.
        {"book.pdf",
         1,
         "The Lighthouse Keeper",
         "",
         {"Ada Lovelace", "Charles Babbage"},
         {{"Contents", 1, true, "Contents", "The Return"},
          {"Part One", 1, false, "Part One\nThe Storm\nThe wind", "about the weather."},
          {"Part Two", 1, false, "Part Two\nThe Return\nHer", "The End."}},
         bookHeard,
         bookUnheard},
        // No outline: headings by size, the third size inside its chapter.
        {"headings.pdf",
         2,
         "A Field Guide",
         "",
         {},
         {{"A Field Guide", 1, false, "A Field Guide", "A Field Guide"},
          {"Birds", 2, false, "Birds\nBirds are", "any hole they can find."},
          {"Insects", 2, false, "Insects\nInsects outnumber",
           "described. Their fine wings fly far."}},
         {"after rain.\nSparrows\nSparrows live"},
         {}},
        // Headings in the body's size: found where they stand alone, not in
        // the contents list before them.
        {"listed.pdf",
         2,
         "Two Walks",
         "",
         {},
         {{"Contents Morning Evening", 1, false, "Contents", "Evening"},
          {"Morning", 1, false, "Morning\nThe sun came up", "as we set out."},
          {"Evening", 1, false, "Evening\nWe came home", "tired and happy."}},
         {},
         {}},
        // The language from the XMP metadata.
        {"language.pdf",
         2,
         "Guten Morgen",
         "de-AT",
         {},
         {{"Guten Morgen", 1, false, "Guten Morgen, liebe Leute.", "liebe Leute."}},
         {},
         {}},
        // An owner password alone does not keep the text from a reader; no
        // headings: one chapter, named as the document.
        {"owner-password.pdf",
         2,
         "A Note",
         "",
         {},
         {{"A Note", 1, false, "Please water the tomatoes", "close the greenhouse door at night."}},
         {},
         {}},
    };
    for (const GoodPdf& good : cases) {
        SCOPED_TRACE(std::string(good.file) + " to level " + std::to_string(good.chapterLevel));
        ReadOptions options;
        options.chapterLevel = good.chapterLevel;
        const BookResult result = ReadPdf(TestDocument(good.file), options);
        ASSERT_TRUE(result.book) << result.error;
        EXPECT_EQ(result.book->title, good.title);
        EXPECT_EQ(result.book->language, good.language);
        EXPECT_EQ(result.book->authors, good.authors);
        ExpectChapters(*result.book, good.chapters);
        ExpectHeard(*result.book, good.heard, good.unheard);
        ExpectNoFurniture(*result.book);
    }
}

// Seventy pages are read in runs on separate threads: the runs join in page
// order, none lost, none twice.
TEST(PdfReader, ReadsLongDocumentsInPageOrder) {
    const BookResult result = ReadPdf(TestDocument("long.pdf"), ReadOptions{});
    ASSERT_TRUE(result.book) << result.error;
    ASSERT_EQ(result.book->chapters.size(), 7u);
    int expected = 1;
    for (std::size_t i = 0; i < 7; ++i) {
        const Chapter& chapter = result.book->chapters[i];
        EXPECT_EQ(chapter.title, "Chapter " + std::to_string(i + 1));
        const std::string_view kLead = "This is paragraph ";
        for (std::size_t at = chapter.text.find(kLead); at != std::string::npos;
             at = chapter.text.find(kLead, at + 1)) {
            ASSERT_EQ(std::stoi(chapter.text.substr(at + kLead.size())), expected) << chapter.text;
            ++expected;
        }
    }
    EXPECT_EQ(expected, 505);
    ExpectNoFurniture(*result.book);
}

TEST(PdfReader, RefusesWhatItCannotRead) {
    const struct {
        std::string bytes;
        std::string_view reason;
    } cases[] = {
        {TestDocument("password.pdf"), "the PDF is password-protected"},
        {TestDocument("scanned.pdf"),
         "the PDF has no text layer (a scanned document?); it would need OCR"},
        {TestDocument("truncated.pdf"), "the PDF is damaged or incomplete"},
        {"%PDF-1.7\n%\xE2\xE3\xCF\xD3\n", "the PDF is damaged or incomplete"},
        {"", "the PDF is damaged or incomplete"},
        {TestDocument("numbers-only.pdf"), "the PDF has no speakable text"},
    };
    for (const auto& bad : cases) {
        SCOPED_TRACE(bad.reason);
        const BookResult result = ReadPdf(bad.bytes, ReadOptions{});
        EXPECT_FALSE(result.book);
        EXPECT_EQ(result.error, bad.reason);
    }
}

} // namespace
