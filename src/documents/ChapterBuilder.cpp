#include "src/documents/ChapterBuilder.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace {

bool IsSpaceAt(std::string_view text, std::size_t i, std::size_t& length) {
    const auto c = static_cast<unsigned char>(text[i]);
    length = 1;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v')
        return true;
    // U+00A0 no-break space, U+2007 figure space, U+202F narrow no-break space
    // and U+2000..U+200A: spoken as the space they stand for.
    if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0xA0) {
        length = 2;
        return true;
    }
    if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80) {
        const auto third = static_cast<unsigned char>(text[i + 2]);
        length = 3;
        return (third >= 0x80 && third <= 0x8A) || third == 0xAF;
    }
    return false;
}

// Appends `text` with every run of white space as one space, never one at the
// start of `out`.
void AppendCollapsed(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        std::size_t length = 1;
        if (IsSpaceAt(text, i, length)) {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
        } else if (static_cast<unsigned char>(text[i]) == 0xC2 && i + 1 < text.size() &&
                   static_cast<unsigned char>(text[i + 1]) == 0xAD) {
            length = 2; // a soft hyphen is a hint for line breaking, not a sound
        } else {
            out.append(text.substr(i, length));
        }
        i += length;
    }
}

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The first words of a text, as the title of a chapter its document left
// untitled.
std::string FirstWords(std::string_view text) {
    constexpr std::size_t kLength = 60;
    text = text.substr(0, text.find('\n'));
    if (text.size() <= kLength)
        return std::string(text);
    std::size_t cut = text.rfind(' ', kLength);
    if (cut == std::string_view::npos || cut == 0)
        cut = kLength;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut; // never inside a character
    return std::string(text.substr(0, cut)) + "...";
}

} // namespace

void ChapterBuilder::StartChapter(std::string_view title, int level, bool matter) {
    EndParagraph();
    Chapter chapter;
    AppendCollapsed(chapter.title, title);
    chapter.title = Trimmed(std::move(chapter.title));
    chapter.level = std::max(1, level);
    chapter.matter = matter || IsMatterTitle(chapter.title);
    m_chapters.push_back(std::move(chapter));
    m_open = true;
}

void ChapterBuilder::AppendText(std::string_view text) {
    AppendCollapsed(m_paragraph, text);
}

void ChapterBuilder::EndParagraph() {
    std::string paragraph = Trimmed(std::move(m_paragraph));
    m_paragraph.clear();
    if (paragraph.empty())
        return;
    if (!m_open) {
        m_chapters.emplace_back();
        m_open = true;
    }
    std::string& text = m_chapters.back().text;
    if (!text.empty())
        text += '\n';
    text += paragraph;
}

void ChapterBuilder::AddParagraph(std::string_view text) {
    AppendText(text);
    EndParagraph();
}

void ChapterBuilder::MarkMatter() {
    if (!m_chapters.empty())
        m_chapters.back().matter = true;
}

std::vector<Chapter> ChapterBuilder::Finish() {
    EndParagraph();
    std::vector<Chapter> chapters;
    for (std::size_t i = 0; i < m_chapters.size(); ++i) {
        Chapter& chapter = m_chapters[i];
        if (chapter.text.empty()) {
            const bool headsDeeper =
                i + 1 < m_chapters.size() && m_chapters[i + 1].level > chapter.level;
            if (!headsDeeper || chapter.title.empty())
                continue;
            chapter.text = chapter.title;
        }
        if (chapter.title.empty())
            chapter.title = FirstWords(chapter.text);
        chapters.push_back(std::move(chapter));
    }
    m_chapters.clear();
    m_open = false;
    return chapters;
}

bool ChapterBuilder::IsMatterTitle(std::string_view title) {
    static constexpr std::array<std::string_view, 14> kMatter = {
        "contents",        "table of contents", "copyright",   "copyright page",
        "index",           "title page",        "cover",       "imprint",
        "colophon",        "also by",           "other books", "about the publisher",
        "acknowledgements"};
    std::string lower = Lower(title);
    while (!lower.empty() && (lower.back() == '.' || lower.back() == ':'))
        lower.pop_back();
    return std::find(kMatter.begin(), kMatter.end(), lower) != kMatter.end() ||
           lower.starts_with("also by ");
}
