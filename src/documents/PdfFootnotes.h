#pragma once
// Footnotes at the foot of a PDF's pages: left out of the spoken text, as
// the other readers leave notes out.

#include "src/documents/PdfLines.h"

#include <vector>

// Marks in `skip` (where running heads and feet are marked already) the
// lines of each page that stand below all of its body text, set smaller than
// the body, the first of them opening with a note's
// mark ("1", "*", "†"). A page whose small print opens otherwise (a caption,
// an address) keeps it.
void MarkFootnotes(const std::vector<PdfLine>& lines, double bodySize, std::vector<bool>& skip);
