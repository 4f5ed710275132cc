#pragma once
// A PDF's lines joined into paragraphs, words split at a line's end joined
// again.

#include "src/documents/PdfLines.h"

#include <cstddef>
#include <string>
#include <vector>

// The body text's font size (the size most characters are set in) and the
// distance from one of its baselines to the next.
struct PdfBody {
    double fontSize = 0;
    double pitch = 0;
};

PdfBody MeasureBody(const std::vector<PdfLine>& lines);

struct PdfParagraph {
    std::string text;
    double fontSize = 0; // its first line's
    std::size_t firstLine = 0;
    std::size_t lineCount = 0;
};

// Lines marked in `skip` are left out; a paragraph always starts at a line
// marked in `breakBefore` (a chapter's heading, and the text after it). Else
// a paragraph ends where the font size changes, at a gap wider than the
// body's line pitch, before an indented first line, and after a line that
// ends a sentence with room left for the next line's first word; a page turn alone does not end
// one.
std::vector<PdfParagraph> JoinParagraphs(const std::vector<PdfLine>& lines,
                                         const std::vector<bool>& skip,
                                         const std::vector<bool>& breakBefore, const PdfBody& body);
