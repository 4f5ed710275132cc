#include "src/documents/PdfLines.h"

#include "src/documents/PdfUtf8.h"

#include <algorithm>
#include <poppler-page.h>

namespace {

// The band of a page's height, at its top and at its bottom, where running
// heads and page numbers are printed.
constexpr double kBand = 0.12;

// A word's box in the frame where its text runs left to right, top to
// bottom; the display is `width` by `height` points.
struct Upright {
    double left, top, right, bottom;
};

Upright Turned(const poppler::rectf& box, int rotation, double width, double height) {
    switch (rotation) {
    case 1: // the text runs downwards
        return {box.top(), width - box.right(), box.bottom(), width - box.left()};
    case 2: // upside down
        return {width - box.right(), height - box.bottom(), width - box.left(), height - box.top()};
    case 3: // upwards
        return {height - box.bottom(), box.left(), height - box.top(), box.right()};
    default:
        return {box.left(), box.top(), box.right(), box.bottom()};
    }
}

// The rotation most of the page's words share: the page's reading direction
// (a page turned by /Rotate, a table set sideways). Words at other angles, a
// stamp in the margin, are left out.
int MainRotation(const std::vector<poppler::text_box>& words) {
    std::size_t count[4] = {};
    for (const poppler::text_box& word : words)
        ++count[static_cast<unsigned>(word.rotation()) % 4];
    return static_cast<int>(std::max_element(std::begin(count), std::end(count)) -
                            std::begin(count));
}

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
    // poppler lays the words out on the page as displayed, turned by its /Rotate.
    const bool turned = page.orientation() == poppler::page::landscape ||
                        page.orientation() == poppler::page::seascape;
    const double width = turned ? box.height() : box.width();
    const double height = turned ? box.width() : box.height();
    // Without text_list_include_font: poppler would scan the page's fonts
    // again for every page, the larger part of the reading time.
    const std::vector<poppler::text_box> words = page.text_list();

    const int rotation = MainRotation(words);
    const std::size_t firstLine = lines.size();
    // The band is measured along the text's own height.
    const double textHeight = rotation % 2 ? width : height;
    LineBuilder current;
    auto close = [&] {
        if (!current.open)
            return;
        PdfLine& line = current.line;
        line.fontSize =
            current.sizeCount ? current.sizeSum / static_cast<double>(current.sizeCount) : 0;
        line.inBand = line.top < textHeight * kBand || line.bottom > textHeight * (1 - kBand);
        if (!line.text.empty())
            lines.push_back(std::move(line));
        current = LineBuilder{};
    };

    for (const poppler::text_box& word : words) {
        if (word.rotation() != rotation)
            continue;
        const Upright bounds = Turned(word.bbox(), rotation, width, height);
        const double top = bounds.top;
        const double bottom = bounds.bottom;
        const double left = bounds.left;
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
            current.line.right = bounds.right;
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
        line.right = std::max(line.right, bounds.right);
        line.bottom = std::max(line.bottom, bottom);
    }
    close();
    // poppler orders the blocks of turned text less well than upright text's
    // (a heading after its page's paragraphs): top to bottom it is.
    if (rotation != 0)
        std::stable_sort(lines.begin() + static_cast<std::ptrdiff_t>(firstLine), lines.end(),
                         [](const PdfLine& a, const PdfLine& b) { return a.top < b.top; });
    return words.size();
}
