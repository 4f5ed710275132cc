#include "src/documents/PdfRunningLines.h"

#include "src/documents/PdfTextKeys.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace {

// Running heads are set in the body's size or smaller; a heading at the top
// of a page is larger.
constexpr double kLargerThanBody = 1.1;

bool IsCandidate(const PdfLine& line, double bodySize) {
    return line.inBand && line.fontSize <= bodySize * kLargerThanBody;
}

// "12 The Storm" heads a page as "The Storm" does.
std::string WithoutEdgeDigits(std::string key) {
    const std::size_t first = key.find_first_not_of("0123456789");
    if (first == std::string::npos)
        return {};
    key.erase(0, first);
    key.erase(key.find_last_not_of("0123456789") + 1);
    return key;
}

} // namespace

std::vector<bool> FindRunningLines(const std::vector<PdfLine>& lines, double bodySize,
                                   const std::vector<std::string>& titles,
                                   const std::vector<bool>& keep) {
    // The pages each key is seen on, counted once per page.
    struct Seen {
        int pages = 0;
        int lastPage = -1;
    };
    std::unordered_map<std::string, Seen> seen;
    std::vector<std::string> keys(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!IsCandidate(lines[i], bodySize))
            continue;
        keys[i] = RunningKey(lines[i].text);
        Seen& entry = seen[keys[i]];
        if (entry.lastPage != lines[i].page) {
            entry.lastPage = lines[i].page;
            ++entry.pages;
        }
    }
    const std::unordered_set<std::string> titleKeys(titles.begin(), titles.end());

    std::vector<bool> running(lines.size(), false);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!IsCandidate(lines[i], bodySize) || (i < keep.size() && keep[i]))
            continue;
        if (IsPageNumber(lines[i].text) || seen[keys[i]].pages >= 2) {
            running[i] = true;
            continue;
        }
        const std::string key = TitleKey(lines[i].text);
        running[i] =
            !key.empty() && (titleKeys.contains(key) || titleKeys.contains(WithoutEdgeDigits(key)));
    }
    return running;
}
