#include "src/documents/PdfHeadings.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kHeadingSize = 1.15; // of the body's font size
constexpr std::size_t kMaxLines = 3;
constexpr std::size_t kMaxLength = 150;

bool HasLetter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               (static_cast<unsigned char>(c) & 0x80);
    });
}

// Sizes a point's fraction apart are one size set by different producers.
double Rounded(double size) {
    return std::round(size * 2) / 2;
}

} // namespace

std::vector<int> HeadingLevels(const std::vector<PdfParagraph>& paragraphs, double bodySize,
                               int maxLevel) {
    std::vector<int> levels(paragraphs.size(), 0);
    std::vector<double> sizes;
    auto isHeading = [&](const PdfParagraph& paragraph) {
        return paragraph.fontSize >= bodySize * kHeadingSize && paragraph.lineCount <= kMaxLines &&
               paragraph.text.size() <= kMaxLength && HasLetter(paragraph.text);
    };
    for (const PdfParagraph& paragraph : paragraphs)
        if (isHeading(paragraph))
            sizes.push_back(Rounded(paragraph.fontSize));
    std::sort(sizes.begin(), sizes.end(), std::greater<>());
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (!isHeading(paragraphs[i]))
            continue;
        const auto rank =
            std::find(sizes.begin(), sizes.end(), Rounded(paragraphs[i].fontSize)) - sizes.begin();
        if (rank < maxLevel)
            levels[i] = static_cast<int>(rank) + 1;
    }
    return levels;
}
