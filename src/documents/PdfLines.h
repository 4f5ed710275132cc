#pragma once
// A PDF page's text as lines: poppler's words, in its reading order, grouped
// by the baseline they share. The layout and chapter rules work on these.

#include <cstddef>
#include <string>
#include <vector>

namespace poppler {
class page;
}

struct PdfLine {
    std::string text; // UTF-8, words joined by the spaces the page shows
    // Page coordinates in points, y growing downwards.
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
    // The height of its words' boxes, a mean over its characters: poppler
    // sets a box's height to the font size times the font's ascent and
    // descent, so the rules compare these as they would font sizes.
    double fontSize = 0;
    int page = 0;
    bool inBand =
        false; // in the top or bottom band of its page, where running heads and folios sit
};

// Appends the lines of one page. Returns the number of words the page holds,
// upright or not: a page with words has a text layer even when none of them
// makes a line (text at an angle to most of its page is left out).
std::size_t AppendPageLines(const poppler::page& page, int pageIndex, std::vector<PdfLine>& lines);
