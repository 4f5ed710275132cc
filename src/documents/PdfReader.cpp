// ReadPdf: poppler's words, page by page, into lines; running heads, feet and
// page numbers left out; lines joined into paragraphs; chapters from the
// outline, else from headings set large, else one.

#include "src/documents/ChapterBuilder.h"
#include "src/documents/PdfDocumentLines.h"
#include "src/documents/PdfFootnotes.h"
#include "src/documents/PdfHeadings.h"
#include "src/documents/PdfLanguage.h"
#include "src/documents/PdfLines.h"
#include "src/documents/PdfOutline.h"
#include "src/documents/PdfParagraphs.h"
#include "src/documents/PdfRunningLines.h"
#include "src/documents/PdfTextKeys.h"
#include "src/documents/PdfUtf8.h"
#include "src/documents/Readers.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>
#include <poppler-document.h>

namespace {

BookResult Failure(std::string reason) {
    BookResult result;
    result.error = std::move(reason);
    return result;
}

// poppler reports what it repairs in a damaged file on stderr; the reader
// gives its own reason instead.
void SilencePoppler() {
    static std::once_flag once;
    std::call_once(
        once, [] { poppler::set_debug_error_function([](const std::string&, void*) {}, nullptr); });
}

std::string Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1));
}

// "Ada Lovelace; Charles Babbage", "Ada Lovelace and Charles Babbage", "A & B";
// a comma is left alone, since "Lovelace, Ada" is one name.
std::vector<std::string> SplitAuthors(const std::string& field) {
    std::vector<std::string> authors;
    std::string rest = field;
    for (const std::string_view separator : {" and ", " & "}) {
        for (std::size_t at; (at = rest.find(separator)) != std::string::npos;)
            rest.replace(at, separator.size(), ";");
    }
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t end = rest.find(';', start);
        if (end == std::string::npos)
            end = rest.size();
        std::string author = Trimmed(std::string_view(rest).substr(start, end - start));
        if (!author.empty())
            authors.push_back(std::move(author));
        start = end + 1;
    }
    return authors;
}

bool Speakable(const std::vector<Chapter>& chapters) {
    return std::any_of(chapters.begin(), chapters.end(), [](const Chapter& chapter) {
        return std::any_of(chapter.text.begin(), chapter.text.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                   (static_cast<unsigned char>(c) & 0x80);
        });
    });
}

} // namespace

BookResult ReadPdf(std::string_view bytes, const ReadOptions& options) {
    SilencePoppler();
    if (bytes.size() > static_cast<std::size_t>(INT_MAX))
        return Failure("the PDF is too large to read (over 2 GB)");
    // poppler reads the bytes in place, without a copy of its own.
    const std::unique_ptr<poppler::document> document(
        poppler::document::load_from_raw_data(bytes.data(), static_cast<int>(bytes.size())));
    if (!document)
        return Failure("the PDF is damaged or incomplete");
    if (document->is_locked())
        return Failure("the PDF is password-protected");
    if (document->pages() <= 0)
        return Failure("the PDF has no pages");

    Book book;
    book.title = Trimmed(Utf8(document->get_title()));
    book.authors = SplitAuthors(Utf8(document->get_author()));
    book.language = XmpLanguage(Utf8(document->metadata()));

    PdfDocumentLines read = ReadDocumentLines(bytes, *document);
    std::vector<PdfLine> lines = std::move(read.lines);
    if (read.words == 0)
        return Failure("the PDF has no text layer (a scanned document?); it would need OCR");

    const PdfBody body = MeasureBody(lines);
    const std::vector<PdfOutlineEntry> entries = ReadOutline(*document);
    const std::vector<PdfChapterStart> starts =
        FindOutlineStarts(lines, entries, body.fontSize, std::max(1, options.chapterLevel));

    std::vector<bool> headingLine(lines.size(), false);
    std::vector<bool> breakBefore(lines.size() + 1, false);
    for (const PdfChapterStart& start : starts) {
        for (std::size_t i = 0; i < start.lineCount; ++i)
            headingLine[start.line + i] = true;
        breakBefore[start.line] = true;
        breakBefore[start.line + start.lineCount] = true;
    }
    std::vector<std::string> titles{TitleKey(book.title)};
    for (const PdfOutlineEntry& entry : entries)
        titles.push_back(TitleKey(entry.title));
    std::vector<bool> skip = FindRunningLines(lines, body.fontSize, titles, headingLine);
    MarkFootnotes(lines, body.fontSize, skip);
    std::vector<PdfParagraph> paragraphs = JoinParagraphs(lines, skip, breakBefore, body);
    lines = {};

    ChapterBuilder builder;
    if (!starts.empty()) {
        auto start = starts.begin();
        for (PdfParagraph& paragraph : paragraphs) {
            while (start != starts.end() && start->line < paragraph.firstLine)
                ++start; // never, as a start always begins a paragraph; kept safe all the same
            if (start != starts.end() && start->line == paragraph.firstLine) {
                const PdfOutlineEntry& entry = entries[start->entry];
                builder.StartChapter(entry.title, entry.level);
            }
            builder.AddParagraph(paragraph.text);
            paragraph.text = {};
        }
    } else {
        const std::vector<int> levels =
            HeadingLevels(paragraphs, body.fontSize, options.chapterLevel);
        if (std::find_if(levels.begin(), levels.end(), [](int level) { return level > 0; }) ==
                levels.end() &&
            !book.title.empty())
            builder.StartChapter(book.title, 1);
        for (std::size_t i = 0; i < paragraphs.size(); ++i) {
            if (levels[i] > 0)
                builder.StartChapter(paragraphs[i].text, levels[i]);
            builder.AddParagraph(paragraphs[i].text);
            paragraphs[i].text = {};
        }
    }
    book.chapters = builder.Finish();
    if (!Speakable(book.chapters))
        return Failure("the PDF has no speakable text");
    BookResult result;
    result.book = std::move(book);
    return result;
}
