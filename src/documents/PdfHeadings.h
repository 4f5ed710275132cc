#pragma once
// Headings of a PDF without an outline, found by their font size.

#include "src/documents/PdfParagraphs.h"

#include <vector>

// The level of each paragraph that is a heading down to `maxLevel`, else 0. A
// heading is short (three lines at most), set clearly larger than the body
// text and stands alone; its level is the rank of its size among the
// headings' sizes, the largest first.
std::vector<int> HeadingLevels(const std::vector<PdfParagraph>& paragraphs, double bodySize,
                               int maxLevel);
