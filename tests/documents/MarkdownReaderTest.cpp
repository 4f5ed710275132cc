#include "src/documents/Readers.h"
#include "tests/documents/BookChecks.h"

#include <gtest/gtest.h>

namespace {

TEST(MarkdownReaderTest, ReadsTheTestBook) {
    const BookResult result = ReadMarkdown(TestDocument("book.md"), {});
    ASSERT_TRUE(result.book) << result.error;
    const Book& book = *result.book;
    EXPECT_EQ(book.title, "The Lighthouse Keeper");
    EXPECT_EQ(book.authors, std::vector<std::string>{"Mara Quill"});
    EXPECT_EQ(book.language, "en-GB");
    EXPECT_FALSE(book.obeysMarkup);
    ExpectChapters(
        book,
        {{"The Storm", 1, false, "The Storm\nRain came early that night. Elin", "nine again."},
         {"The Ship", 1, false, "The Ship\nA light showed", "waited for dawn."},
         {"The Rescue", 2, false, "The Rescue\nThe boat reached", "in three languages."},
         {"The Letter", 1, false, "The Letter\nA letter arrived", "put it in the drawer."},
         {"The Return", 1, false, "The Return\nYears later", "keep the light burning."}});
    ExpectHeard(book, {"black and white.", "Salt & iron", "<volume level=\"0\"> was the only note"},
                {"almanac", "names are lost", "[^", "title:", "Mara Quill"});
}

struct MarkdownCase {
    std::string_view markdown;
    std::string_view title;
    std::vector<std::string> authors;
    std::string_view text; // all chapters' text, one paragraph a line
};

TEST(MarkdownReaderTest, FrontMatterNotesAndRawHtml) {
    const std::vector<MarkdownCase> cases = {
        // No front matter: the first level-1 heading names the book.
        {"Intro.\n\n## Aside\n\n# Real Title\n\nText.",
         "Real Title",
         {},
         "Intro.\nAside\nReal Title\nText."},
        // A thematic break first is no front matter.
        {"---\n\nPlain: words\n\n---\n\nMore.", "", {}, "Plain: words\nMore."},
        {"---\ntitle: \"Quoted: Title\"\nauthor:\n  - Ann One\n  - 'Bob Two'\n...\nBody.",
         "Quoted: Title",
         {"Ann One", "Bob Two"},
         "Body."},
        {"---\ntitle: T\nauthor: [Ann, Bob]\n---\nBody.", "T", {"Ann", "Bob"}, "Body."},
        {"% The  Title\n% Ann; Bob\n% 2020\n\nBody.", "The  Title", {"Ann", "Bob"}, "Body."},
        // Note definitions with continued paragraphs, marks and inline notes.
        {"Said[^a] and done^[inline [nested] note].\n\n[^a]: A note\n    on two lines.\n\n"
         "    And a second paragraph.\n\nAfter[^long-label].\n\n[^long-label]: Gone.",
         "",
         {},
         "Said and done.\nAfter."},
        // Code keeps what looks like a note.
        {"```\nx[^1]\n[^1]: kept\n```\n\n`y`", "", {}, "x[^1]\n[^1]: kept\ny"},
        // The author's raw HTML is read like a page: its words kept, its
        // scripts and notes not.
        {"<div class=\"poem\">\nRoses are red.\n</div>\n\n<script>alert(1)</script>\n\n"
         "Text<sup><a href=\"#n\">1</a></sup> ends.",
         "",
         {},
         "Roses are red.\nText ends."},
    };
    for (const MarkdownCase& c : cases) {
        SCOPED_TRACE(c.markdown);
        const BookResult result = ReadMarkdown(c.markdown, {});
        ASSERT_TRUE(result.book) << result.error;
        EXPECT_EQ(result.book->title, c.title);
        EXPECT_EQ(result.book->authors, c.authors);
        std::string text;
        for (const Chapter& chapter : result.book->chapters)
            text += (text.empty() ? "" : "\n") + chapter.text;
        EXPECT_EQ(text, c.text);
    }
}

TEST(MarkdownReaderTest, LatinOneAndUtf16AreDecoded) {
    for (std::string_view bytes :
         {std::string_view("# Caf\xE9\n"), std::string_view("\xFF\xFE#\0 \0C\0a\0f\0\xE9\0", 14)}) {
        const BookResult result = ReadMarkdown(bytes, {});
        ASSERT_TRUE(result.book);
        EXPECT_EQ(result.book->title, "Caf\xC3\xA9");
    }
}

TEST(MarkdownReaderTest, NothingToSayIsRefused) {
    for (std::string_view markdown : {"", "---\ntitle: Only\n---\n", "[^1]: just a note\n"})
        EXPECT_EQ(ReadMarkdown(markdown, {}).error, "it holds no text to speak") << markdown;
}

} // namespace
