#pragma once
// Every page's lines of a PDF, read on several cores.

#include "src/documents/PdfLines.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace poppler {
class document;
}

struct PdfDocumentLines {
    std::vector<PdfLine> lines; // in page order
    std::size_t words = 0;      // upright or not
};

// `document` was loaded from `bytes`. A poppler document serves one thread
// at a time, so each further thread loads the bytes again and reads its own
// run of pages; a thread that cannot start leaves its pages to this one.
PdfDocumentLines ReadDocumentLines(std::string_view bytes, const poppler::document& document);
