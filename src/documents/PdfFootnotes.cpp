#include "src/documents/PdfFootnotes.h"

#include "src/documents/PdfTextKeys.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr double kSmaller = 0.9;   // of the body's size: a note's print
constexpr double kBodyLike = 0.95; // of the body's size: what counts as body text

bool OpensWithMark(std::string_view text) {
    static constexpr std::string_view kMarks[] = {"*",      "\u2020", "\u2021", "\u00A7",
                                                  "\u00B9", "\u00B2", "\u00B3"};
    if (!text.empty() && text.front() >= '0' && text.front() <= '9') {
        const std::size_t end = text.find_first_not_of("0123456789");
        return end == std::string_view::npos || end <= 3;
    }
    return std::any_of(std::begin(kMarks), std::end(kMarks),
                       [&](std::string_view mark) { return text.starts_with(mark); });
}

} // namespace

void MarkFootnotes(const std::vector<PdfLine>& lines, double bodySize, std::vector<bool>& skip) {
    skip.resize(lines.size(), false);
    for (std::size_t first = 0; first < lines.size();) {
        std::size_t end = first;
        double bodyBottom = -1;
        for (; end < lines.size() && lines[end].page == lines[first].page; ++end)
            if (!skip[end] && lines[end].fontSize >= bodySize * kBodyLike)
                bodyBottom = std::max(bodyBottom, lines[end].bottom);
        // The note's lines, topmost first.
        const PdfLine* top = nullptr;
        for (std::size_t i = first; i < end; ++i) {
            const PdfLine& line = lines[i];
            if (bodyBottom >= 0 && line.top >= bodyBottom && line.fontSize < bodySize * kSmaller &&
                !IsPageNumber(line.text) && (!top || line.top < top->top))
                top = &line;
        }
        if (top && OpensWithMark(top->text))
            for (std::size_t i = first; i < end; ++i)
                if (lines[i].top >= bodyBottom && lines[i].fontSize < bodySize * kSmaller)
                    skip[i] = true;
        first = end;
    }
}
