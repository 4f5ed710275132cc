#include "src/documents/ChapterBuilder.h"
#include "src/documents/Readers.h"
#include "src/documents/TextDecoding.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

// What a heading line names, from the top of a book's outline down.
enum class Division { Book, Part, Chapter, Section };

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t\r\f\v") == std::string_view::npos;
}

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\f\v");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\f\v") - first + 1);
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// What may follow a division's number: the line's end, a space, or the
// punctuation before its title.
bool AtNumberEnd(std::string_view rest) {
    return rest.empty() || std::string_view(" \t.:)-").find(rest[0]) != std::string_view::npos ||
           rest.starts_with("\xE2\x80\x93") || rest.starts_with("\xE2\x80\x94"); // en, em dash
}

// A Roman numeral written the usual way (XII, xlii, MMXX), not just any run
// of its letters: it must read back as the value it makes.
bool IsRoman(std::string_view word) {
    static constexpr std::array<std::pair<int, std::string_view>, 13> kSymbols = {{{1000, "m"},
                                                                                   {900, "cm"},
                                                                                   {500, "d"},
                                                                                   {400, "cd"},
                                                                                   {100, "c"},
                                                                                   {90, "xc"},
                                                                                   {50, "l"},
                                                                                   {40, "xl"},
                                                                                   {10, "x"},
                                                                                   {9, "ix"},
                                                                                   {5, "v"},
                                                                                   {4, "iv"},
                                                                                   {1, "i"}}};
    if (word.empty() || word.size() > 16)
        return false;
    int value = 0;
    std::string_view rest = word;
    for (const auto& [amount, symbol] : kSymbols)
        while (rest.starts_with(symbol)) {
            value += amount;
            rest.remove_prefix(symbol.size());
        }
    if (!rest.empty() || value > 4999)
        return false;
    std::string written;
    for (const auto& [amount, symbol] : kSymbols)
        for (; value >= amount; value -= amount)
            written += symbol;
    return written == word;
}

std::string_view LeadingLetters(std::string_view text) {
    std::size_t end = 0;
    while (end < text.size() && text[end] >= 'a' && text[end] <= 'z')
        ++end;
    return text.substr(0, end);
}

// A division's number as books write it: 12, XII, twelve, twenty-one,
// twenty one. Consumes it from the front of `rest` (lower case).
bool TakeNumber(std::string_view& rest) {
    static constexpr std::array<std::string_view, 20> kWords = {
        "one",     "two",     "three",     "four",     "five",     "six",      "seven",
        "eight",   "nine",    "ten",       "eleven",   "twelve",   "thirteen", "fourteen",
        "fifteen", "sixteen", "seventeen", "eighteen", "nineteen", "hundred"};
    static constexpr std::array<std::string_view, 8> kTens = {
        "twenty", "thirty", "forty", "fifty", "sixty", "seventy", "eighty", "ninety"};
    const auto isWord = [](const auto& list, std::string_view word) {
        return std::find(list.begin(), list.end(), word) != list.end();
    };
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
        ++digits;
    std::size_t length = 0;
    const std::string_view word = LeadingLetters(rest);
    if (digits > 0) {
        length = digits <= 4 ? digits : 0;
    } else if (isWord(kTens, word)) {
        length = word.size();
        const std::string_view after = rest.substr(length);
        if (after.size() > 1 && (after[0] == '-' || after[0] == ' ')) {
            const std::string_view unit = LeadingLetters(after.substr(1));
            if (isWord(std::span(kWords.data(), 9), unit) &&
                AtNumberEnd(after.substr(1 + unit.size())))
                length += 1 + unit.size();
        }
    } else if (isWord(kWords, word) || IsRoman(word)) {
        length = word.size();
    }
    if (length == 0 || !AtNumberEnd(rest.substr(length)))
        return false;
    rest.remove_prefix(length);
    return true;
}

// After a division's name or number: nothing, or a separator and a title
// ("Chapter 3: The Storm", "CHAPTER XII.", "Prologue - The Fire").
bool IsTitleTail(std::string_view rest) {
    rest = Trimmed(rest);
    return rest.empty() || rest.starts_with('.') || rest.starts_with(':') ||
           rest.starts_with('-') || rest.starts_with("\xE2\x80\x93") || // en dash
           rest.starts_with("\xE2\x80\x94");                            // em dash
}

// A line that names a division of the book, standing alone.
std::optional<Division> HeadingDivision(std::string_view line) {
    line = Trimmed(line);
    if (line.empty() || line.size() > 80)
        return std::nullopt;
    const std::string lower = Lower(line);
    std::string_view rest = lower;
    const auto wordEnd = std::min(rest.find_first_of(" \t.:-\xE2"), rest.size());
    const std::string_view word = rest.substr(0, wordEnd);
    rest.remove_prefix(wordEnd);
    static constexpr std::array<std::string_view, 7> kSections = {
        "prologue", "epilogue", "preface", "foreword", "introduction", "afterword", "interlude"};
    if (std::find(kSections.begin(), kSections.end(), word) != kSections.end())
        return IsTitleTail(rest) ? std::optional(Division::Section) : std::nullopt;
    const std::optional<Division> division = word == "book"      ? Division::Book
                                             : word == "part"    ? Division::Part
                                             : word == "chapter" ? Division::Chapter
                                                                 : std::optional<Division>();
    if (!division || rest.empty() || (rest[0] != ' ' && rest[0] != '\t'))
        return std::nullopt;
    rest = rest.substr(rest.find_first_not_of(" \t"));
    if (!TakeNumber(rest) || !IsTitleTail(rest))
        return std::nullopt;
    return division;
}

struct Line {
    std::size_t begin, end; // in the text, without the line feed
};

std::vector<Line> Lines(std::string_view text) {
    std::vector<Line> lines;
    for (std::size_t begin = 0; begin <= text.size();) {
        const std::size_t end = std::min(text.find('\n', begin), text.size());
        lines.push_back({begin, end});
        begin = end + 1;
    }
    return lines;
}

// A short first line standing alone, not ending like a sentence, names the
// text.
std::string TitleLine(std::string_view text, const std::vector<Line>& lines) {
    std::size_t i = 0;
    while (i < lines.size() && IsBlank(text.substr(lines[i].begin, lines[i].end - lines[i].begin)))
        ++i;
    if (i == lines.size())
        return {};
    const std::string_view line =
        Trimmed(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
    const bool alone =
        i + 1 == lines.size() ||
        IsBlank(text.substr(lines[i + 1].begin, lines[i + 1].end - lines[i + 1].begin));
    if (!alone || line.size() > 100 ||
        std::string_view(".,;:!?").find(line.back()) != std::string_view::npos)
        return {};
    ChapterBuilder builder; // for its whitespace rules
    builder.AddParagraph(line);
    const std::vector<Chapter> chapters = builder.Finish();
    return chapters.empty() ? std::string() : chapters.front().text;
}

} // namespace

BookResult ReadText(std::string_view bytes, const ReadOptions& options) {
    const std::string text = DecodeTextToUtf8(bytes);
    const std::vector<Line> lines = Lines(text);
    const auto lineText = [&](std::size_t i) {
        return std::string_view(text).substr(lines[i].begin, lines[i].end - lines[i].begin);
    };

    // Heading lines: standing alone between blank lines (or the text's ends).
    std::vector<std::pair<std::size_t, Division>> headings;
    bool hasBooks = false, hasParts = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if ((i > 0 && !IsBlank(lineText(i - 1))) ||
            (i + 1 < lines.size() && !IsBlank(lineText(i + 1))))
            continue;
        if (const auto division = HeadingDivision(lineText(i))) {
            headings.emplace_back(i, *division);
            hasBooks = hasBooks || division == Division::Book;
            hasParts = hasParts || division == Division::Part;
        }
    }
    // Levels follow the divisions the text has: chapters are the top level of
    // a book without parts, beneath its parts in one with them.
    const auto levelOf = [&](Division division) {
        switch (division) {
        case Division::Book:
        case Division::Section:
            return 1;
        case Division::Part:
            return hasBooks ? 2 : 1;
        case Division::Chapter:
            return 1 + (hasBooks ? 1 : 0) + (hasParts ? 1 : 0);
        }
        return 1;
    };
    std::erase_if(headings, [&](const auto& heading) {
        return levelOf(heading.second) > options.chapterLevel;
    });

    // The engine obeys the text's markup and its layout (a line break is a
    // pause), so a chapter's text is its stretch of the text as it stands,
    // not ChapterBuilder's collapsed paragraphs; ChapterBuilder still titles,
    // levels and marks each stretch, one builder per stretch.
    Book book;
    book.obeysMarkup = true;
    book.title = TitleLine(text, lines);
    for (std::size_t h = 0; h <= headings.size(); ++h) {
        const std::size_t first = h == 0 ? 0 : headings[h - 1].first;
        const std::size_t last = h == headings.size() ? lines.size() : headings[h].first;
        if (first == last)
            continue;
        ChapterBuilder builder;
        if (h > 0)
            builder.StartChapter(Trimmed(lineText(first)), levelOf(headings[h - 1].second));
        for (std::size_t i = first; i < last; ++i)
            builder.AddParagraph(lineText(i)); // the first line titles an untitled stretch
        std::vector<Chapter> chapters = builder.Finish();
        if (chapters.empty())
            continue;
        const std::size_t end = last == lines.size() ? text.size() : lines[last].begin;
        std::string_view stretch =
            std::string_view(text).substr(lines[first].begin, end - lines[first].begin);
        while (!stretch.empty() && IsBlank(stretch.substr(0, stretch.find('\n'))) &&
               stretch.find('\n') != std::string_view::npos)
            stretch.remove_prefix(stretch.find('\n') + 1); // blank lines before it
        stretch = stretch.substr(0, stretch.find_last_not_of(" \t\r\n\f\v") + 1);
        chapters.front().text = std::string(stretch);
        book.chapters.push_back(std::move(chapters.front()));
    }
    if (book.chapters.empty())
        return {.book = std::nullopt, .error = "it holds no text to speak"};
    return {.book = std::move(book), .error = {}};
}
