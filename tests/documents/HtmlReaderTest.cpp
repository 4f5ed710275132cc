#include "src/documents/HtmlText.h"
#include "src/documents/Readers.h"
#include "src/documents/TextDecoding.h"
#include "src/documents/XmlDocument.h"
#include "tests/documents/BookChecks.h"

#include <gtest/gtest.h>

namespace {

struct HtmlCase {
    std::string_view file;
    int chapterLevel;
    std::string_view title;
    std::vector<std::string> authors;
    std::string_view language;
    std::vector<ExpectedChapter> chapters;
    std::vector<std::string_view> heard, unheard;
};

TEST(HtmlReaderTest, ReadsChaptersMetadataAndOnlyWhatIsSpoken) {
    const std::vector<HtmlCase> cases = {
        // pandoc's page of the shared test book: its title block is a title
        // page; endnotes, their marks and back links, and the style sheet are
        // not heard.
        {"book.html",
         2,
         "The Lighthouse Keeper",
         {"Mara Quill"},
         "en-GB",
         {{"The Lighthouse Keeper", 1, true, "The Lighthouse Keeper\nMara Quill", "Mara Quill"},
          {"The Storm", 1, false, "The Storm\nRain came early that night. Elin", "nine again."},
          {"The Ship", 1, false, "The Ship\nA light showed", "waited for dawn."},
          {"The Rescue", 2, false, "The Rescue\nThe boat reached", "in three languages."},
          {"The Letter", 1, false, "The Letter\nA letter arrived", "put it in the drawer."},
          {"The Return", 1, false, "The Return\nYears later", "keep the light burning."}},
         {"the lamp room and trimmed", "black and white.", "Salt & iron",
          "<volume level=\"0\"> was the only note"},
         {"almanac", "names are lost", "\xE2\x86\xA9", "color", "night.1", "alive.2"}},
        // By hand: everything a page holds that a listener should not hear.
        {"page.html",
         2,
         "Notes from the Harbour",
         {"Jonas Weber", "Ada Lind"},
         "de-AT",
         {{"The Harbour", 1, false, "The Harbour\nBoats rest",
           "Sidebar words stay.\nThe sum x plus one grows; the rest stays."},
          {"The Quay", 2, false,
           "The Quay\nLine one\nline two\nfirst verse\nsecond verse\nCell one",
           "Last words of the quay."},
          {"Places", 1, true, "Places\nboats, 7", "boats, 7"}},
         {"The Harbour\nBoats rest in the caf\xC3\xA9 light. The tide turns slowly.\n"
          "Gulls circle the masts.\nA boat at anchor.\nSidebar words stay.\n"
          "The sum x plus one grows; the rest stays.",
          "Cell one\nCell two\nThe sign says <volume level=\"0\"> & nothing else.\n"
          "A Deeper Heading\nLast words"},
         {"WORD", "Contents", "Pg 8", "page 9", "turns7", "masts3", "Harbour4"}},
        // Headings below the chapter level stay in their chapter as text.
        {"page.html",
         1,
         "Notes from the Harbour",
         {"Jonas Weber", "Ada Lind"},
         "de-AT",
         {{"The Harbour", 1, false, "The Harbour\nBoats rest",
           "second verse\nCell one\nCell two\n"
           "The sign says <volume level=\"0\"> "
           "& nothing else.\nA Deeper Heading\n"
           "Last words of the quay."},
          {"Places", 1, true, "Places", "boats, 7"}},
         {},
         {}},
    };
    for (const HtmlCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " to level " + std::to_string(c.chapterLevel));
        const BookResult result =
            ReadHtml(TestDocument(c.file), {.chapterLevel = c.chapterLevel, .nameHint = {}});
        ASSERT_TRUE(result.book) << result.error;
        const Book& book = *result.book;
        EXPECT_EQ(book.title, c.title);
        EXPECT_EQ(book.authors, c.authors);
        EXPECT_EQ(book.language, c.language);
        EXPECT_FALSE(book.obeysMarkup);
        ExpectChapters(book, c.chapters);
        ExpectHeard(book, c.heard, c.unheard);
    }
}

TEST(HtmlReaderTest, APageWithNothingToSayIsRefused) {
    for (std::string_view page :
         {"", "   ", "<html><head><title>Empty</title></head><body></body></html>",
          "<p>&nbsp; <img src=a.png alt=picture></p><script>say()</script>",
          "<aside>only an aside</aside><nav>and a menu</nav>"}) {
        const BookResult result = ReadHtml(page, {});
        EXPECT_FALSE(result.book) << page;
        EXPECT_EQ(result.error, "it holds no text to speak") << page;
    }
}

// libxml2 lets a stray byte of a page that is not the UTF-8 it claims through.
TEST(HtmlReaderTest, TextIsValidUtf8WhateverThePageHolds) {
    const BookResult result = ReadHtml("<title>T\xFF</title><p>black and&\x96\x9d;white</p>", {});
    ASSERT_TRUE(result.book);
    EXPECT_EQ(ValidUtf8(result.book->title), result.book->title);
    EXPECT_EQ(ValidUtf8(result.book->chapters[0].text), result.book->chapters[0].text);
    EXPECT_EQ(ValidUtf8("a\xFF\xC3"), "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(HtmlReaderTest, APageWithoutTitleIsNamedByItsFirstHeading) {
    const BookResult result =
        ReadHtml("<p>Foreword.</p><h2>Minor</h2><h1>Major <sup><a href='#n'>1</a></sup></h1>", {});
    ASSERT_TRUE(result.book);
    EXPECT_EQ(result.book->title, "Major");
    EXPECT_TRUE(result.book->authors.empty());
    EXPECT_EQ(result.book->language, "");
}

// The parsers stop at a depth of 256; the walk must not rely on that.
TEST(HtmlReaderTest, DeeplyNestedMarkupIsWalkedWithoutRecursion) {
    XmlDocument document = XmlDocument::ParseHtml("<div>Shallow words.</div>");
    ASSERT_TRUE(document.Ok());
    xmlNode* node = document.Root();
    for (int i = 0; i < 200000; ++i)
        node = xmlNewChild(node, nullptr, BAD_CAST(i % 2 ? "span" : "div"), nullptr);
    xmlNodeAddContent(node, BAD_CAST "Deep words.");
    ChapterBuilder builder;
    WalkHtml(document.Root(), builder, {});
    const std::vector<Chapter> chapters = builder.Finish();
    ASSERT_EQ(chapters.size(), 1U);
    EXPECT_EQ(chapters[0].text, "Shallow words.\nDeep words.");

    std::string page = "<p>Shallow words.</p>";
    for (int i = 0; i < 100000; ++i)
        page += "<div>";
    const BookResult result = ReadHtml(page + "Too deep.", {});
    ASSERT_TRUE(result.book);
    EXPECT_EQ(result.book->chapters.front().text.substr(0, 14), "Shallow words.");
}

// An EPUB's XHTML, walked as the EPUB reader does: its table of contents
// starts chapters at anchors, headings stay text, matter marks the chapter
// the reader started for the file.
TEST(HtmlReaderTest, WalksEpubXhtmlWithAnchors) {
    const std::string xhtml = R"(<?xml version="1.0" encoding="utf-8"?>
<html xmlns="http://www.w3.org/1999/xhtml" xmlns:epub="http://www.idpf.org/2007/ops">
<body><section epub:type="titlepage" id="top"><p>By Someone</p></section>
<section id="c1"><h1>One</h1><p>First <span id="s1">words</span> here.<a epub:type="noteref"
 id="r1" href="#n1">1</a></p><ol type="i"><li>Kept</li></ol></section>
<section id="c2"><h1>Two</h1><p>Second words.</p>
<aside epub:type="footnote" id="n1"><p>A note.</p></aside></section></body></html>)";
    const XmlDocument document = XmlDocument::ParseXml(xhtml);
    ASSERT_TRUE(document.Ok());
    ChapterBuilder builder;
    builder.StartChapter("Opening", 1);
    std::vector<std::string> anchors;
    HtmlWalk walk{.chapterLevel = 2, .headingsStartChapters = false, .onAnchor = {}};
    walk.onAnchor = [&](std::string_view id) {
        anchors.emplace_back(id);
        if (id == "c1" || id == "c2")
            builder.StartChapter(id == "c1" ? "Chapter One" : "Chapter Two", 1);
    };
    WalkHtml(document.Root(), builder, walk);
    const std::vector<Chapter> chapters = builder.Finish();
    EXPECT_EQ(anchors, (std::vector<std::string>{"top", "c1", "s1", "r1", "c2", "n1"}));
    Book book;
    book.chapters = chapters;
    ExpectChapters(book, {{"Opening", 1, true, "By Someone", "By Someone"},
                          {"Chapter One", 1, false, "One\nFirst words here.\nKept", "Kept"},
                          {"Chapter Two", 1, false, "Two\nSecond words.", "Second words."}});
}

} // namespace
