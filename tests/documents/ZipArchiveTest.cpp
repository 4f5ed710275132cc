#include "src/documents/ZipArchive.h"

#include "src/documents/Readers.h"
#include "tests/documents/BookChecks.h"
#include "tests/support/ScratchFolder.h"

#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <zip.h>

namespace {

// A ZIP written by libzip: each entry's name and size in zeros (deflated),
// or its text.
std::string MakeZip(const ScratchFolder& folder,
                    const std::vector<std::pair<std::string, std::string>>& entries) {
    const auto path = folder / "made.zip";
    std::filesystem::remove(path);
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    EXPECT_TRUE(archive);
    for (const auto& [name, bytes] : entries) {
        zip_source_t* source = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        EXPECT_GE(zip_file_add(archive, name.c_str(), source, ZIP_FL_ENC_UTF_8), 0);
    }
    EXPECT_EQ(zip_close(archive), 0);
    return ReadAll(path);
}

// The archive with every header's uncompressed size of its first entry
// claiming `size`: a bomb that lies about what it inflates to.
std::string WithDeclaredSize(std::string zip, std::uint32_t size) {
    for (const auto& [signature, offset] :
         {std::pair<std::string_view, std::size_t>{"PK\x03\x04", 22}, {"PK\x01\x02", 24}}) {
        const auto at = zip.find(signature);
        EXPECT_NE(at, std::string::npos);
        std::memcpy(zip.data() + at + offset, &size, sizeof size); // little-endian, as ZIP is
    }
    return zip;
}

TEST(ZipArchiveTest, ReadsEntriesWithinTheirBoundsOnly) {
    ScratchFolder folder;
    const std::string zeros(2u << 20, '\0');
    const std::string bomb = MakeZip(folder, {{"zeros", zeros}, {"small.txt", "hello"}});
    std::vector<std::pair<std::string, std::string>> many;
    for (std::size_t i = 0; i <= ZipArchive::kMaxEntries; ++i)
        many.emplace_back(std::to_string(i), "");
    const struct {
        std::string_view what;
        std::string bytes;
        std::string entry;
        std::size_t limit;
        std::string_view reason; // empty: the entry reads back whole
    } cases[] = {
        {"a small entry", bomb, "small.txt", 1u << 20, ""},
        {"an entry at its limit", bomb, "zeros", zeros.size(), ""},
        {"declared larger than the limit", bomb, "zeros", 1u << 20,
         "\"zeros\" in its ZIP archive inflates to more than 1 MB"},
        {"inflating past a declared size that lies", WithDeclaredSize(bomb, 100), "zeros", 1u << 20,
         "\"zeros\" in its ZIP archive inflates to more than 1 MB"},
        {"a missing entry", bomb, "other", 1u << 20, "its ZIP archive has no \"other\""},
        {"an encrypted entry", TestDocument("password.zip"), "book.md", 1u << 20,
         "\"book.md\" in its ZIP archive is encrypted"},
        {"too many entries", MakeZip(folder, many), "0", 1u << 20,
         "its ZIP archive holds more than 10000 entries"},
        {"an empty file", "", "any", 1u << 20, "the file is empty"},
        {"not a ZIP", "just some text", "any", 1u << 20, "it is not a ZIP archive"},
        {"the end cut off", bomb.substr(0, bomb.size() - 30), "zeros", 1u << 20,
         "its ZIP archive is truncated (it has no directory)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ZipArchive zip(c.bytes);
        const auto bytes = zip.Ok() ? zip.Read(c.entry, c.limit) : std::nullopt;
        if (c.reason.empty()) {
            ASSERT_TRUE(bytes) << zip.Error();
            EXPECT_EQ(*bytes, c.entry == "zeros" ? zeros : "hello");
        } else {
            EXPECT_FALSE(bytes);
            EXPECT_EQ(zip.Error(), c.reason);
        }
    }
}

// A reader gets the bound too: a Word document whose text would inflate past
// it is refused, not read.
TEST(ZipArchiveTest, AReaderRefusesAnEntryPastTheBound) {
    ScratchFolder folder;
    const std::string docx =
        MakeZip(folder, {{"[Content_Types].xml", "<Types/>"},
                         {"word/document.xml", std::string(ZipArchive::kMaxEntryBytes + 1, ' ')}});
    const BookResult result = ReadDocx(docx, {});
    EXPECT_FALSE(result.book);
    EXPECT_EQ(result.error, "\"word/document.xml\" in its ZIP archive inflates to more than 64 MB");
}

TEST(ZipArchiveTest, ResolvesLinksInsideTheContainerOnly) {
    const struct {
        std::string_view base, href;
        std::optional<std::string> entry;
    } cases[] = {
        {"OEBPS/text/ch1.xhtml", "../img/a.png", "OEBPS/img/a.png"},
        {"OEBPS/text/ch1.xhtml", "ch2.xhtml#sec2", "OEBPS/text/ch2.xhtml"},
        {"OEBPS/text/ch1.xhtml", "./my%20file.xhtml?x=1", "OEBPS/text/my file.xhtml"},
        {"OEBPS/text/ch1.xhtml", "#note", "OEBPS/text/ch1.xhtml"},
        {"OEBPS/text/ch1.xhtml", "100%.xhtml", "OEBPS/text/100%.xhtml"},
        {"", "META-INF/container.xml", "META-INF/container.xml"},
        {"content.opf", "a//b/./c.xhtml", "a/b/c.xhtml"},
        {"OEBPS/content.opf", "../../etc/passwd", std::nullopt},
        {"OEBPS/content.opf", "%2E%2E/%2E%2E/etc/passwd", std::nullopt},
        {"OEBPS/content.opf", "/etc/passwd", std::nullopt},
        {"OEBPS/content.opf", "http://example.com/ch.xhtml", std::nullopt},
        {"OEBPS/content.opf", "file:ch.xhtml", std::nullopt},
        {"OEBPS/content.opf", "a%00b", std::nullopt},
        {"OEBPS/content.opf", "..", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveInContainer(c.base, c.href), c.entry) << c.base << " + " << c.href;
}

} // namespace
