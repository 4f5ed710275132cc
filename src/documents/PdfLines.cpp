#include "src/documents/PdfLines.h"

#include "src/documents/PdfUtf8.h"

#include <algorithm>
#include <poppler-page.h>

namespace {

// The band of a page's height, at its top and at its bottom, where running
// heads and page numbers are printed.
constexpr double kBand = 0.12;

struct LineBuilder {
    PdfLine line;
    double sizeSum = 0;
    std::size_t sizeCount = 0;
    bool spaceAfter = false;
    bool open = false;
};

} // namespace

std::size_t AppendPageLines(const poppler::page& page, int pageIndex, std::vector<PdfLine>& lines) {
    const poppler::rectf box = page.page_rect();
    const double height = box.height() > 0 ? box.height() : 792;
    // Without text_list_include_font: poppler would scan the page's fonts
    // again for every page, the larger part of the reading time.
    const std::vector<poppler::text_box> words = page.text_list();

    LineBuilder current;
    auto close = [&] {
        if (!current.open)
            return;
        PdfLine& line = current.line;
        line.fontSize =
            current.sizeCount ? current.sizeSum / static_cast<double>(current.sizeCount) : 0;
        line.inBand = line.top < height * kBand || line.bottom > height * (1 - kBand);
        if (!line.text.empty())
            lines.push_back(std::move(line));
        current = LineBuilder{};
    };

    for (const poppler::text_box& word : words) {
        if (word.rotation() != 0)
            continue;
        const poppler::rectf bounds = word.bbox();
        const double top = bounds.top();
        const double bottom = bounds.bottom();
        const double left = bounds.left();
        bool sameLine = false;
        if (current.open) {
            const PdfLine& line = current.line;
            const double overlap = std::min(bottom, line.bottom) - std::max(top, line.top);
            const double smaller = std::min(bottom - top, line.bottom - line.top);
            sameLine = overlap > 0.5 * smaller && left >= line.right - 0.5 * (bottom - top);
        }
        if (!sameLine) {
            close();
            current.open = true;
            current.line.page = pageIndex;
            current.line.left = left;
            current.line.top = top;
            current.line.right = bounds.right();
            current.line.bottom = bottom;
        } else if (current.spaceAfter) {
            current.line.text += ' ';
        }
        const std::size_t before = current.line.text.size();
        AppendUtf8(current.line.text, word.text());
        const std::size_t added = current.line.text.size() - before;
        current.sizeSum += (bottom - top) * static_cast<double>(added);
        current.sizeCount += added;
        current.spaceAfter = word.has_space_after();
        PdfLine& line = current.line;
        line.left = std::min(line.left, left);
        line.top = std::min(line.top, top);
        line.right = std::max(line.right, bounds.right());
        line.bottom = std::max(line.bottom, bottom);
    }
    close();
    return words.size();
}
