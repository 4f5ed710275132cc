#pragma once
// A PDF's outline (its bookmarks) as chapter starts in its text.

#include "src/documents/PdfLines.h"

#include <cstddef>
#include <string>
#include <vector>

namespace poppler {
class document;
}

struct PdfOutlineEntry {
    std::string title;
    int level = 1; // its depth in the outline
};

// Every entry, in reading order.
std::vector<PdfOutlineEntry> ReadOutline(const poppler::document& document);

struct PdfChapterStart {
    std::size_t entry = 0;     // into the outline's entries
    std::size_t line = 0;      // where its heading starts...
    std::size_t lineCount = 1; // ...and the lines it spans
};

// Where the chapter of each entry down to `maxLevel` starts (deeper entries
// stay inside their chapter's text). poppler gives no entry's page, so each
// title is looked for as a heading in the text, in outline order, after the
// previous entry's start: a line (or two or three running together) whose
// letters and digits are the title's, with or without a "Chapter 3" before
// them. A match set larger than the body text wins over an earlier one in
// the body's size, and one standing alone over one followed at once by the
// next entry's title (a contents page lists the same titles). An entry found
// nowhere is dropped; the entries after it are still looked for, and keep
// their own levels.
std::vector<PdfChapterStart> FindOutlineStarts(const std::vector<PdfLine>& lines,
                                               const std::vector<PdfOutlineEntry>& entries,
                                               double bodySize, int maxLevel);
