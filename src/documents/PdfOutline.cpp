#include "src/documents/PdfOutline.h"

#include "src/documents/PdfTextKeys.h"
#include "src/documents/PdfUtf8.h"

#include <algorithm>
#include <memory>
#include <poppler-document.h>
#include <poppler-toc.h>
#include <unordered_map>
#include <utility>

namespace {

constexpr std::size_t kMaxHeadingLines = 3;
constexpr double kHeadingSize = 1.1; // of the body's font size

struct Match {
    std::size_t line = 0;
    std::size_t lineCount = 1;
    bool large = false;
};

} // namespace

std::vector<PdfOutlineEntry> ReadOutline(const poppler::document& document) {
    std::vector<PdfOutlineEntry> entries;
    const std::unique_ptr<poppler::toc> toc(document.create_toc());
    if (!toc || !toc->root())
        return entries;
    // Depth first, without recursion: an outline's depth is the document's to choose.
    std::vector<std::pair<poppler::toc_item*, int>> pending;
    const std::vector<poppler::toc_item*> top = toc->root()->children();
    for (auto item = top.rbegin(); item != top.rend(); ++item)
        pending.emplace_back(*item, 1);
    while (!pending.empty()) {
        const auto [item, level] = pending.back();
        pending.pop_back();
        if (!item)
            continue;
        entries.push_back({Utf8(item->title()), level});
        const std::vector<poppler::toc_item*> children = item->children();
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            pending.emplace_back(*child, level + 1);
    }
    return entries;
}

std::vector<PdfChapterStart> FindOutlineStarts(const std::vector<PdfLine>& lines,
                                               const std::vector<PdfOutlineEntry>& entries,
                                               double bodySize, int maxLevel) {
    std::unordered_map<std::string, std::vector<std::size_t>> entriesByKey;
    std::size_t longestKey = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string key = TitleKey(entries[i].title);
        if (key.empty() || entries[i].level > maxLevel)
            continue;
        entriesByKey[key].push_back(i);
        longestKey = std::max(longestKey, key.size());
        const std::string bare = TitleKeyWithoutNumber(entries[i].title);
        if (!bare.empty() && bare != key)
            entriesByKey[bare].push_back(i);
    }
    if (entriesByKey.empty())
        return {};

    // Every place each entry's title is printed, in reading order.
    std::vector<std::vector<Match>> matches(entries.size());
    auto record = [&](const std::string& key, const Match& match) {
        const auto found = entriesByKey.find(key);
        if (found == entriesByKey.end())
            return;
        for (const std::size_t entry : found->second)
            if (matches[entry].empty() || matches[entry].back().line != match.line)
                matches[entry].push_back(match);
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string key;
        std::string text;
        for (std::size_t count = 1; count <= kMaxHeadingLines && i + count <= lines.size();
             ++count) {
            const PdfLine& line = lines[i + count - 1];
            if (line.page != lines[i].page)
                break;
            key += TitleKey(line.text);
            if (key.size() > longestKey)
                break;
            if (!text.empty())
                text += ' ';
            text += line.text;
            const Match match{i, count, lines[i].fontSize >= bodySize * kHeadingSize};
            record(key, match);
            const std::string bare = TitleKeyWithoutNumber(text);
            if (!bare.empty() && bare != key)
                record(bare, match);
        }
    }

    // A title followed at once by the next entry's is a line of a contents
    // list, not a heading: taken only when the title is printed nowhere else.
    auto listed = [&](std::size_t entry, const Match& match) {
        std::size_t next = entry + 1;
        while (next < entries.size() && matches[next].empty())
            ++next;
        if (next == entries.size())
            return false;
        const std::size_t after = match.line + match.lineCount;
        return std::any_of(matches[next].begin(), matches[next].end(),
                           [&](const Match& other) { return other.line == after; });
    };
    std::vector<PdfChapterStart> starts;
    std::size_t from = 0;
    for (std::size_t entry = 0; entry < entries.size(); ++entry) {
        const Match* large = nullptr;
        const Match* plain = nullptr;
        const Match* inList = nullptr;
        for (const Match& match : matches[entry]) {
            if (match.line < from)
                continue;
            if (match.large) {
                large = &match;
                break;
            }
            if (!plain && !inList && listed(entry, match))
                inList = &match;
            else if (!plain && !listed(entry, match))
                plain = &match;
        }
        const Match* chosen = large ? large : plain ? plain : inList;
        if (!chosen)
            continue;
        starts.push_back({entry, chosen->line, chosen->lineCount});
        from = chosen->line + chosen->lineCount;
    }
    return starts;
}
