#include "src/cli/BookSelection.h"

#include "platform/com/strings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <set>

namespace {

bool ParseNumber(std::string_view text, std::size_t& value) {
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && at == end;
}

// A document's text as its voice is to be given it: escaped for a SAPI 5
// voice, and each paragraph ended by a blank line, as both voices run a
// single line break on into the next words: a heading would be heard as
// the start of its chapter's first sentence ("The Storm Rain came early").
void AppendDocumentText(std::u16string& out, const std::u16string& text, bool escape) {
    for (char16_t c : text) {
        if (c == u'\n')
            out += u"\n\n";
        else if (!escape)
            out += c;
        else if (c == u'<')
            out += u"&lt;";
        else if (c == u'>')
            out += u"&gt;";
        else if (c == u'&')
            out += u"&amp;";
        else
            out += c;
    }
}

} // namespace

ChapterChoice ChooseChapters(const Book& book, const std::string& list, bool allChapters) {
    ChapterChoice choice;
    const std::size_t count = book.chapters.size();
    if (list.empty()) {
        for (std::size_t i = 0; i < count; ++i)
            if (allChapters || !book.chapters[i].matter)
                choice.chapters.push_back(i);
        if (choice.chapters.empty())
            for (std::size_t i = 0; i < count; ++i)
                choice.chapters.push_back(i);
        return choice;
    }
    std::set<std::size_t> chosen;
    std::string_view rest = list;
    while (choice.error.empty()) {
        const std::string_view item = rest.substr(0, rest.find(','));
        const auto dash = item.find('-');
        std::size_t first = 0, last = 0;
        const bool parsed = dash == std::string_view::npos
                                ? ParseNumber(item, first) && ParseNumber(item, last)
                                : ParseNumber(item.substr(0, dash), first) &&
                                      ParseNumber(item.substr(dash + 1), last);
        if (!parsed || first < 1 || last < first)
            choice.error = "--chapters takes numbers and ranges such as 1,3-5, not '" + list + "'";
        else if (last > count)
            choice.error = "there is no chapter " + std::to_string(last) + " (there are " +
                           std::to_string(count) + "; see --list-chapters)";
        for (std::size_t n = first; choice.error.empty() && n <= last; ++n)
            chosen.insert(n - 1);
        if (item.size() == rest.size())
            break;
        rest.remove_prefix(item.size() + 1);
    }
    if (choice.error.empty())
        choice.chapters.assign(chosen.begin(), chosen.end());
    return choice;
}

std::u16string SpokenText(const Book& book, const std::vector<std::size_t>& chapters,
                          bool sapi5Voice) {
    std::u16string text;
    for (std::size_t index : chapters) {
        if (!text.empty())
            text += u"\n\n";
        const std::u16string chapter = FromUtf8(book.chapters[index].text);
        if (book.obeysMarkup)
            text += chapter;
        else
            AppendDocumentText(text, chapter, sapi5Voice);
    }
    return text;
}

std::size_t WordCount(const std::string& text) {
    std::size_t words = 0;
    bool inWord = false;
    for (unsigned char c : text) {
        // Bytes of a multi-byte character are letters of some script.
        const bool wordByte = std::isalnum(c) || c >= 0x80;
        words += wordByte && !inWord;
        inWord = wordByte;
    }
    return words;
}
