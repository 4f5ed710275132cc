#include "src/documents/Readers.h"
#include "src/documents/TextDecoding.h"

#include <algorithm>
#include <cmark.h>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string Unquoted(std::string_view value) {
    value = Trimmed(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

struct FrontMatter {
    std::string title;
    std::vector<std::string> authors;
    std::string language;
};

// A YAML block at the very start ("---" ... "---" or "..."), as pandoc and
// static site generators read it; only the plain forms of title, author(s)
// and lang are understood. Returns the length of the block, 0 when there is
// none.
std::size_t ReadFrontMatter(std::string_view text, FrontMatter& matter) {
    const std::vector<std::string_view> lines = Lines(text);
    // As pandoc: a blank line after the opening "---" makes it a thematic
    // break.
    if (lines.size() < 2 || Trimmed(lines[0]) != "---" || Trimmed(lines[1]).empty())
        return 0;
    std::size_t length = lines[0].size() + 1;
    std::string listKey; // the key whose "- item" lines follow
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string_view line = Trimmed(lines[i]);
        length += lines[i].size() + 1;
        if (line == "---" || line == "...")
            return std::min(length, text.size());
        if (line.empty() || line.starts_with('#'))
            continue;
        if (line.starts_with("- ")) {
            if (listKey == "author" || listKey == "authors")
                matter.authors.push_back(Unquoted(line.substr(2)));
            continue;
        }
        const auto colon = line.find(':');
        const bool indented = lines[i].starts_with(' ') || lines[i].starts_with('\t');
        if (colon == std::string_view::npos || colon == 0) {
            if (indented)
                continue; // a continued value
            return 0;     // not YAML: a thematic break and text
        }
        const std::string_view key = line.substr(0, colon);
        const std::string_view value = Trimmed(line.substr(colon + 1));
        if (indented)
            continue;
        listKey = value.empty() ? std::string(key) : std::string();
        if (value.starts_with('|') || value.starts_with('>'))
            continue; // a block scalar: more YAML than this reads
        if (key == "title")
            matter.title = Unquoted(value);
        else if ((key == "author" || key == "authors") && !value.empty()) {
            if (!value.starts_with('[') || !value.ends_with(']')) {
                matter.authors.push_back(Unquoted(value));
                continue;
            }
            std::string_view list = value.substr(1, value.size() - 2);
            while (!list.empty()) {
                const auto comma = list.find(',');
                if (const std::string name = Unquoted(list.substr(0, comma)); !name.empty())
                    matter.authors.push_back(name);
                list =
                    comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
            }
        } else if (key == "lang" || key == "language")
            matter.language = Unquoted(value);
    }
    return 0; // never closed: not front matter
}

// pandoc's title block: "% Title", "% Author; Author", "% Date" as the first
// lines. Returns its length, 0 when there is none.
std::size_t ReadTitleBlock(std::string_view text, FrontMatter& matter) {
    std::size_t length = 0;
    const std::vector<std::string_view> lines = Lines(text);
    for (std::size_t i = 0; i < lines.size() && i < 3 && lines[i].starts_with('%'); ++i) {
        length += lines[i].size() + 1;
        const std::string_view value = Trimmed(lines[i].substr(1));
        if (i == 0)
            matter.title = std::string(value);
        for (std::string_view list = value; i == 1 && !list.empty();) {
            const auto semicolon = list.find(';');
            if (const std::string_view name = Trimmed(list.substr(0, semicolon)); !name.empty())
                matter.authors.emplace_back(name);
            list = semicolon == std::string_view::npos ? std::string_view()
                                                       : list.substr(semicolon + 1);
        }
    }
    return std::min(length, text.size());
}

bool IsIndented(std::string_view line) {
    return line.starts_with('\t') || line.starts_with("    ");
}

// "[^label]" at `at`: the length of the mark, else 0.
std::size_t NoteMarkAt(std::string_view line, std::size_t at) {
    if (line.substr(at, 2) != "[^")
        return 0;
    for (std::size_t end = at + 2; end < line.size() && end - at < 100; ++end) {
        const char c = line[end];
        if (c == ']')
            return end > at + 2 ? end - at + 1 : 0;
        if (c == '[' || c == ' ' || c == '\t')
            return 0;
    }
    return 0;
}

// "^[inline note]" at `at`, brackets balanced within the line: its length,
// else 0.
std::size_t InlineNoteAt(std::string_view line, std::size_t at) {
    if (line.substr(at, 2) != "^[")
        return 0;
    int depth = 0;
    for (std::size_t end = at + 1; end < line.size(); ++end) {
        if (line[end] == '\\') {
            ++end;
            continue;
        }
        depth += line[end] == '[' ? 1 : line[end] == ']' ? -1 : 0;
        if (depth == 0)
            return end - at + 1;
    }
    return 0;
}

// Whether the line opens or closes a fenced code block ("```", "~~~").
bool IsFence(std::string_view line) {
    const auto first = line.find_first_not_of(' ');
    if (first == std::string_view::npos || first > 3)
        return false;
    line.remove_prefix(first);
    return line.starts_with("```") || line.starts_with("~~~");
}

// Pandoc's footnotes, which CommonMark lacks: their definitions ("[^1]: ...",
// with indented continuation paragraphs), reference marks ("[^1]") and inline
// notes ("^[...]") are not read out. Fenced code stays as written.
std::string WithoutNotes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool inFence = false, inDefinition = false;
    std::size_t pendingBlanks = 0; // blank lines inside or after a definition
    for (std::string_view line : Lines(text)) {
        if (IsFence(line))
            inFence = !inFence;
        if (inFence || IsFence(line)) {
            out.append(line).append("\n");
            continue;
        }
        const std::string_view trimmed = Trimmed(line);
        const auto indent = line.find_first_not_of(' ');
        if (indent != std::string_view::npos && indent <= 3) {
            const std::size_t mark = NoteMarkAt(line, indent);
            if (mark > 0 && line.substr(indent + mark, 1) == ":") {
                inDefinition = true;
                pendingBlanks = 0;
                continue;
            }
        }
        if (inDefinition) {
            if (trimmed.empty()) {
                ++pendingBlanks;
                continue;
            }
            if (IsIndented(line))
                continue;
            inDefinition = false;
            out.append(pendingBlanks, '\n');
        }
        for (std::size_t at = 0; at < line.size();) {
            std::size_t skip = NoteMarkAt(line, at);
            if (skip == 0)
                skip = InlineNoteAt(line, at);
            if (skip > 0) {
                at += skip;
            } else {
                out += line[at];
                ++at;
            }
        }
        out += '\n';
    }
    return out;
}

} // namespace

BookResult ReadMarkdown(std::string_view bytes, const ReadOptions& options) {
    std::string text = DecodeTextToUtf8(bytes);
    FrontMatter matter;
    std::size_t front = ReadFrontMatter(text, matter);
    if (front == 0)
        front = ReadTitleBlock(text, matter);
    text = WithoutNotes(std::string_view(text).substr(front));
    // Raw HTML is kept (CMARK_OPT_UNSAFE): the page is never shown nor run,
    // only walked for its words, and the walk leaves out what a listener
    // should not hear (scripts, styles, notes); without it, a <div> of the
    // author's would lose all its text.
    const std::unique_ptr<char, decltype(&std::free)> html(
        cmark_markdown_to_html(text.data(), text.size(),
                               CMARK_OPT_DEFAULT | CMARK_OPT_UNSAFE | CMARK_OPT_VALIDATE_UTF8),
        &std::free);
    if (!html)
        return {.book = std::nullopt, .error = "it holds no text to speak"};
    const std::string page = "<html><head><meta charset=\"utf-8\"></head><body>" +
                             std::string(html.get()) + "</body></html>";
    BookResult result = ReadHtml(page, options);
    if (result.book) {
        if (!matter.title.empty())
            result.book->title = matter.title;
        if (!matter.authors.empty())
            result.book->authors = matter.authors;
        if (!matter.language.empty())
            result.book->language = matter.language;
    }
    return result;
}
