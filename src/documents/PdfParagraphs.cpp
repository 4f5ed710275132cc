#include "src/documents/PdfParagraphs.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

namespace {

constexpr double kSizeChange = 1.12; // a ratio of font sizes that starts a paragraph
constexpr double kWideGap = 1.45;    // of the body's pitch
constexpr double kIndent = 0.6;      // of the font size: a first line's indent...
constexpr double kMaxIndent = 8;     // ...and no more: beyond it the line is set apart otherwise
constexpr double kWordSpace = 0.3;   // of the font size

bool SameSize(double a, double b) {
    return a > 0 && b > 0 && a / b < kSizeChange && b / a < kSizeChange;
}

bool EndsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

bool EndsSentence(std::string_view text) {
    static constexpr std::string_view kClosers[] = {"\"",     "'",      ")",     "]",
                                                    "\u201D", "\u2019", "\u00BB"};
    for (bool stripped = true; stripped;) {
        stripped = false;
        for (const std::string_view closer : kClosers)
            if (EndsWith(text, closer)) {
                text.remove_suffix(closer.size());
                stripped = true;
            }
    }
    if (text.empty())
        return false;
    const char last = text.back();
    return last == '.' || last == '!' || last == '?' || last == ':' || EndsWith(text, "\u2026");
}

bool IsLetterByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (static_cast<unsigned char>(c) & 0x80);
}

bool IsAlnumByte(char c) {
    return IsLetterByte(c) || (c >= '0' && c <= '9');
}

// Joins a line to the paragraph before it. A word broken by a hyphen at the
// line's end is joined again; the hyphen goes when the word goes on in
// lowercase ("exam-" "ple") and stays when it goes on with a capital or a
// digit ("Anglo-" "Saxon", "1914-" "18"), which a compound keeps.
void AppendLine(std::string& paragraph, std::string_view line) {
    if (paragraph.empty()) {
        paragraph = line;
        return;
    }
    if (EndsWith(paragraph, "\u00AD")) {
        paragraph.resize(paragraph.size() - 2);
        paragraph += line;
        return;
    }
    std::size_t hyphen = 0;
    if (EndsWith(paragraph, "-"))
        hyphen = 1;
    else if (EndsWith(paragraph, "\u2010"))
        hyphen = 3;
    if (hyphen && paragraph.size() > hyphen &&
        IsAlnumByte(paragraph[paragraph.size() - hyphen - 1]) && !line.empty() &&
        IsAlnumByte(line.front())) {
        const bool lowerNext = (line.front() >= 'a' && line.front() <= 'z') ||
                               (static_cast<unsigned char>(line.front()) & 0x80);
        if (lowerNext && IsLetterByte(paragraph[paragraph.size() - hyphen - 1]))
            paragraph.resize(paragraph.size() - hyphen);
        paragraph += line;
        return;
    }
    paragraph += ' ';
    paragraph += line;
}

// Estimated from the line's mean character width: the words' own widths are
// not kept.
double FirstWordWidth(const PdfLine& line) {
    const std::size_t space = line.text.find(' ');
    const std::size_t length = space == std::string::npos ? line.text.size() : space;
    return line.text.empty() ? 0
                             : (line.right - line.left) * static_cast<double>(length) /
                                   static_cast<double>(line.text.size());
}

double Median(std::vector<std::pair<double, double>> weighted) {
    if (weighted.empty())
        return 0;
    std::sort(weighted.begin(), weighted.end());
    double total = 0;
    for (const auto& [value, weight] : weighted)
        total += weight;
    double sum = 0;
    for (const auto& [value, weight] : weighted) {
        sum += weight;
        if (sum * 2 >= total)
            return value;
    }
    return weighted.back().first;
}

// The right edge of each page's body text, against which a line is short. A
// page with a few lines only, all of them short perhaps, takes the edge most
// pages have.
std::vector<double> RightEdges(const std::vector<PdfLine>& lines, const PdfBody& body) {
    constexpr int kFewLines = 5;
    std::vector<double> right;
    std::vector<int> count;
    for (const PdfLine& line : lines) {
        const auto page = static_cast<std::size_t>(line.page);
        if (page >= right.size()) {
            right.resize(page + 1, 0);
            count.resize(page + 1, 0);
        }
        if (SameSize(line.fontSize, body.fontSize)) {
            right[page] = std::max(right[page], line.right);
            ++count[page];
        }
    }
    std::vector<std::pair<double, double>> full;
    for (std::size_t page = 0; page < right.size(); ++page)
        if (count[page] >= kFewLines)
            full.emplace_back(right[page], 1.0);
    const double usual = Median(std::move(full));
    for (std::size_t page = 0; page < right.size(); ++page)
        if (count[page] < kFewLines)
            right[page] = std::max(right[page], usual);
    return right;
}

} // namespace

PdfBody MeasureBody(const std::vector<PdfLine>& lines) {
    std::vector<std::pair<double, double>> sizes;
    sizes.reserve(lines.size());
    for (const PdfLine& line : lines)
        if (line.fontSize > 0)
            sizes.emplace_back(std::round(line.fontSize * 10) / 10,
                               static_cast<double>(line.text.size()));
    PdfBody body;
    body.fontSize = Median(std::move(sizes));
    if (body.fontSize <= 0)
        body.fontSize = 10;

    std::vector<std::pair<double, double>> pitches;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const PdfLine& before = lines[i - 1];
        const PdfLine& line = lines[i];
        if (line.page != before.page || !SameSize(line.fontSize, body.fontSize) ||
            !SameSize(before.fontSize, body.fontSize))
            continue;
        const double delta = line.bottom - before.bottom;
        if (delta > 0.5 * body.fontSize && delta < 3 * body.fontSize)
            pitches.emplace_back(delta, 1.0);
    }
    body.pitch = Median(std::move(pitches));
    if (body.pitch <= 0)
        body.pitch = 1.2 * body.fontSize;
    return body;
}

std::vector<PdfParagraph> JoinParagraphs(const std::vector<PdfLine>& lines,
                                         const std::vector<bool>& skip,
                                         const std::vector<bool>& breakBefore,
                                         const PdfBody& body) {
    const std::vector<double> pageRight = RightEdges(lines, body);
    auto skipped = [&](std::size_t i) { return i < skip.size() && skip[i]; };
    auto nextKept = [&](std::size_t i) {
        for (++i; i < lines.size() && skipped(i);)
            ++i;
        return i;
    };

    // Whether `line` starts a paragraph after `before`; `next` follows it.
    auto starts = [&](const PdfLine& before, const PdfLine& line, const PdfLine* next) {
        if (!SameSize(before.fontSize, line.fontSize))
            return true;
        const double em = line.fontSize > 0 ? line.fontSize : body.fontSize;
        const bool samePage = before.page == line.page;
        if (samePage &&
            line.bottom - before.bottom > kWideGap * body.pitch * std::max(1.0, em / body.fontSize))
            return true;
        const PdfLine* reference = nullptr;
        if (next && next->page == line.page && next->top > line.top &&
            SameSize(next->fontSize, line.fontSize))
            reference = next;
        else if (samePage && line.top > before.top)
            reference = &before;
        if (reference) {
            const double indent = line.left - reference->left;
            if (indent > kIndent * em && indent < kMaxIndent * em)
                return true;
        }
        // A line is short when the next line's first word would have fit on it.
        const double right = pageRight[static_cast<std::size_t>(before.page)];
        return EndsSentence(before.text) &&
               before.right + FirstWordWidth(line) + kWordSpace * em < right;
    };

    std::vector<PdfParagraph> paragraphs;
    PdfParagraph current;
    const PdfLine* before = nullptr;
    bool pendingBreak = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        pendingBreak = pendingBreak || (i < breakBefore.size() && breakBefore[i]);
        if (skipped(i))
            continue;
        const PdfLine& line = lines[i];
        const std::size_t after = nextKept(i);
        const PdfLine* next = after < lines.size() ? &lines[after] : nullptr;
        if (before && (pendingBreak || starts(*before, line, next))) {
            paragraphs.push_back(std::move(current));
            current = PdfParagraph{};
        }
        if (current.lineCount == 0) {
            current.fontSize = line.fontSize;
            current.firstLine = i;
        }
        AppendLine(current.text, line.text);
        ++current.lineCount;
        before = &line;
        pendingBreak = false;
    }
    if (current.lineCount)
        paragraphs.push_back(std::move(current));
    return paragraphs;
}
