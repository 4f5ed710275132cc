#include "src/documents/Readers.h"
#include "tests/documents/BookChecks.h"

#include <gtest/gtest.h>

namespace {

using Reader = BookResult (*)(std::string_view, const ReadOptions&);

struct ContainerCase {
    std::string_view file;
    int chapterLevel;
    std::string_view title;
    std::vector<std::string> authors;
    std::string_view language;
    std::string_view coverType; // empty: no cover
    std::vector<ExpectedChapter> chapters;
    std::vector<std::string_view> heard, unheard;
};

void ExpectBooks(Reader read, const std::vector<ContainerCase>& cases) {
    for (const ContainerCase& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " to level " + std::to_string(c.chapterLevel));
        const BookResult result = read(TestDocument(c.file), {.chapterLevel = c.chapterLevel});
        ASSERT_TRUE(result.book) << result.error;
        const Book& book = *result.book;
        EXPECT_EQ(book.title, c.title);
        EXPECT_EQ(book.authors, c.authors);
        EXPECT_EQ(book.language, c.language);
        EXPECT_EQ(book.cover ? book.cover->mediaType : "", c.coverType);
        if (book.cover) {
            EXPECT_TRUE(book.cover->bytes.starts_with("\x89PNG"));
        }
        EXPECT_FALSE(book.obeysMarkup);
        ExpectChapters(book, c.chapters);
        ExpectHeard(book, c.heard, c.unheard);
    }
}

// The shared test book as pandoc writes it in every container format: its
// chapters, the section inside the second, the notes and their marks left out.
std::vector<ExpectedChapter> PandocChapters(std::string_view titlePage, std::string_view authors) {
    return {{titlePage, 1, true, "The Lighthouse Keeper", authors},
            {"The Storm", 1, false, "The Storm\nRain came early that night. Elin", "nine again."},
            {"The Ship", 1, false, "The Ship\nA light showed", "She waited for dawn."},
            {"The Rescue", 2, false, "The Rescue\nThe boat reached", "in three languages."},
            {"The Letter", 1, false, "The Letter\nA letter arrived", "put it in the drawer."},
            {"The Return", 1, false, "The Return\nYears later", "keep the light burning."}};
}

const std::vector<std::string_view> kBookHeard = {"black and white.", "Salt & iron",
                                                  "<volume level=\"0\"> was the only note"};
const std::vector<std::string_view> kBookUnheard = {
    "almanac", "names are lost", "night.1", "alive.2", "[1]", "\xE2\x86\xA9"};

TEST(ContainerReaderTest, ReadsEpubs) {
    ExpectBooks(
        ReadEpub,
        {
            // pandoc's EPUB 3: the title page is a landmark; the cover page has no words.
            {"book3.epub",
             2,
             "The Lighthouse Keeper",
             {"Mara Quill"},
             "en-GB",
             "image/png",
             PandocChapters("Title Page", "Mara Quill"),
             kBookHeard,
             kBookUnheard},
            // EPUB 2: the NCX's first entry, named as the book, is its title page.
            {"book2.epub",
             2,
             "The Lighthouse Keeper",
             {"Mara Quill"},
             "en-GB",
             "image/png",
             PandocChapters("The Lighthouse Keeper", "Mara Quill"),
             kBookHeard,
             kBookUnheard},
            // Entries into the middle of one file; a part heading with no link
            // of its own; an entry below the chapter level; the nav in the
            // spine; a non-linear file and a copyright landmark are matter; an
            // illustrator is no author.
            {"nav-fragment.epub",
             2,
             "Harbour Stories",
             {"Jonas Weber"},
             "de-AT",
             "image/png",
             {{"Contents", 1, true, "Part One\nThe Quay", "The Boats"},
              {"Part One", 1, false, "Part One", "Part One"},
              {"The Quay", 2, false, "The Quay\nBoats rest", "nets dry on the wall until dawn."},
              {"The Lantern", 2, false, "The Lantern\nA lantern",
               "The Boats\nThree boats sail "
               "out before the storm."},
              {"Notes", 1, true, "A note", "harbour."},
              {"Copyright", 1, true, "All rights reserved.", "All rights reserved."}},
             {},
             {}},
            {"nav-fragment.epub",
             1,
             "Harbour Stories",
             {"Jonas Weber"},
             "de-AT",
             "image/png",
             {{"Contents", 1, true, "Part One", "The Boats"},
              {"Part One", 1, false, "The Quay\nBoats rest", "before the storm."},
              {"Notes", 1, true, "A note", "harbour."},
              {"Copyright", 1, true, "All rights reserved.", "All rights reserved."}},
             {},
             {}},
            // NCX only: chapter one runs on into an untitled file; chapter two
            // is sloppy HTML; the guide's copyright page; an obfuscated font is
            // no DRM.
            {"continuation.epub",
             2,
             "The Long Road",
             {"Tove Berg"},
             "sv",
             "image/png",
             {{"One", 1, false, "One\nThe road begins", "It climbs into the hills by noon."},
              {"Two", 1, false, "Two\nNight falls early", "They camp by the lake."},
              {"Rights", 1, true, "Printed in Sweden.", "Printed in Sweden."}},
             {},
             {}},
            // One entry named as the book, over a story: not a title page.
            {"story.epub",
             2,
             "The Tide",
             {},
             "en",
             "",
             {{"The Tide", 1, false, "The Tide\nThe tide came in", "rose with it."}},
             {},
             {}},
            // No table of contents: the headings; with none at the chapter
            // level, one chapter per file named by its <title>.
            {"no-toc.epub",
             2,
             "Days",
             {},
             "en",
             "",
             {{"Morning", 2, false, "Morning\nThe sun", "fields."},
              {"Evening", 2, false, "Evening\nThe lamps", "one by one."}},
             {},
             {}},
            {"no-toc.epub",
             1,
             "Days",
             {},
             "en",
             "",
             {{"Morning", 1, false, "Morning\nThe sun", "fields."},
              {"Evening", 1, false, "Evening\nThe lamps", "one by one."}},
             {},
             {}},
        });
}

TEST(ContainerReaderTest, ReadsWordDocuments) {
    ExpectBooks(
        ReadDocx,
        {
            {"book.docx",
             2,
             "The Lighthouse Keeper",
             {"Mara Quill"},
             "en-GB",
             "",
             PandocChapters("The Lighthouse Keeper", "Mara Quill"),
             kBookHeard,
             kBookUnheard},
            // A title by its style's English name, a heading by its style's
            // outline level; the table of contents, deletions, field codes,
            // hidden text and note marks left out; the language of the
            // default run style.
            {"revisions.docx",
             2,
             "Die Reise",
             {},
             "de-DE",
             "",
             {{"Die Reise", 1, true, "Die Reise", "Die Reise"},
              {"Erstes Kapitel", 1, false, "Erstes Kapitel\nDer Zug fährt ab.", "Seite Ende."}},
             {},
             {"DELETED", "HIDDEN", "PAGE", "MERGEFORMAT", "Kapitel 1"}},
            // A title and no headings: all of it text, none of it matter.
            {"letter.docx",
             2,
             "A Letter",
             {},
             "",
             "",
             {{"A Letter", 1, false, "A Letter\nDear Elin", "the light is yours."}},
             {},
             {}},
        });
}

TEST(ContainerReaderTest, ReadsOpenDocuments) {
    ExpectBooks(ReadOdt,
                {
                    {"book.odt",
                     2,
                     "The Lighthouse Keeper",
                     {"Mara Quill"},
                     "en-GB",
                     "",
                     PandocChapters("The Lighthouse Keeper", "Mara Quill"),
                     kBookHeard,
                     kBookUnheard},
                    // Tracked deletions, annotations, notes and images left out;
                    // an image's caption read between the halves of its paragraph.
                    {"revisions.odt",
                     2,
                     "",
                     {},
                     "",
                     "",
                     {{"Le Port", 1, false, "Le Port\nLes bateaux rentrent au port.\nAvant",
                       "Une carte du port\naprès."}},
                     {},
                     {"DELETED", "ANNOTATION", "NOTE", "IMAGE"}},
                });
}

TEST(ContainerReaderTest, ReadsFictionBooks) {
    const auto chapters = PandocChapters("The Lighthouse Keeper", "The Lighthouse Keeper");
    ExpectBooks(ReadFb2, {
                             {"book.fb2",
                              2,
                              "The Lighthouse Keeper",
                              {"Mara Quill"},
                              "en",
                              "image/png",
                              chapters,
                              kBookHeard,
                              kBookUnheard},
                             {"book.fb2.zip",
                              2,
                              "The Lighthouse Keeper",
                              {"Mara Quill"},
                              "en",
                              "image/png",
                              chapters,
                              kBookHeard,
                              kBookUnheard},
                         });
}

TEST(ContainerReaderTest, RefusesDamagedAndProtectedBooks) {
    const struct {
        Reader read;
        std::string_view file;
        std::string_view reason;
    } cases[] = {
        {ReadEpub, "drm.epub", "the EPUB is DRM-protected (its content is encrypted)"},
        {ReadEpub, "adept.epub", "the EPUB is DRM-protected (its content is encrypted)"},
        {ReadEpub, "truncated.epub", "its ZIP archive is truncated (it has no directory)"},
        {ReadEpub, "malformed-opf.epub",
         "the EPUB's package document OEBPS/content.opf is not well-formed XML"},
        {ReadEpub, "escape.epub",
         "the EPUB's manifest points outside its container (\"../../etc/passwd\")"},
        {ReadEpub, "no-container.epub",
         "it is not an EPUB (its ZIP archive has no META-INF/container.xml)"},
        {ReadEpub, "silent.epub", "it holds no text to speak"},
        {ReadEpub, "book.md", "it is not a ZIP archive"},
        {ReadDocx, "book3.epub",
         "it is not a Word document (its ZIP archive has no [Content_Types].xml)"},
        {ReadOdt, "book.docx", "its ZIP archive has no \"content.xml\""},
        {ReadOdt, "spreadsheet.ods",
         "it is an OpenDocument file but not a text document "
         "(application/vnd.oasis.opendocument.spreadsheet)"},
        {ReadOdt, "encrypted.odt", "the document is password-protected (its content is encrypted)"},
        {ReadDocx, "protected.docx",
         "it is a password-protected Word document or one in the old .doc format"},
        {ReadFb2, "book.md", "it is not well-formed XML"},
        {ReadFb2, "book.html", "it is not a FictionBook document"},
    };
    for (const auto& c : cases) {
        const BookResult result = c.read(TestDocument(c.file), {});
        EXPECT_FALSE(result.book) << c.file;
        EXPECT_EQ(result.error, c.reason) << c.file;
    }
}

} // namespace
