#include "src/documents/PdfTextKeys.h"

#include <array>
#include <vector>

namespace {

bool IsAsciiAlnum(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsWordByte(char c) {
    return IsAsciiAlnum(c) || (static_cast<unsigned char>(c) & 0x80) != 0;
}

std::vector<std::string> LowerWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (IsWordByte(c)) {
            word += Lower(c);
        } else if (!word.empty()) {
            words.push_back(std::move(word));
            word.clear();
        }
    }
    if (!word.empty())
        words.push_back(std::move(word));
    return words;
}

bool IsRoman(std::string_view word) {
    if (word.empty() || word.size() > 8)
        return false;
    for (const char c : word)
        if (std::string_view("ivxlcdm").find(c) == std::string_view::npos)
            return false;
    return true;
}

bool IsNumber(std::string_view word) {
    if (word.empty())
        return false;
    for (const char c : word)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace

std::string TitleKey(std::string_view text) {
    std::string key;
    for (const char c : text)
        if (IsWordByte(c))
            key += Lower(c);
    return key;
}

std::string TitleKeyWithoutNumber(std::string_view text) {
    static constexpr std::array<std::string_view, 6> kNumbered = {"chapter", "part",     "book",
                                                                  "section", "chapitre", "kapitel"};
    const std::vector<std::string> words = LowerWords(text);
    std::size_t first = 0;
    if (first < words.size())
        for (const std::string_view label : kNumbered)
            if (words[first] == label) {
                ++first;
                break;
            }
    if (first < words.size() && (IsNumber(words[first]) || IsRoman(words[first])))
        ++first;
    else if (first == 0)
        return {};
    std::string key;
    for (std::size_t i = first; i < words.size(); ++i)
        key += words[i];
    return key;
}

std::string RunningKey(std::string_view text) {
    std::string key;
    bool space = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            if (i == 0 || text[i - 1] < '0' || text[i - 1] > '9') {
                if (space && !key.empty())
                    key += ' ';
                space = false;
                key += '#';
            }
        } else if (IsWordByte(c)) {
            if (space && !key.empty())
                key += ' ';
            space = false;
            key += Lower(c);
        } else {
            space = true;
        }
    }
    return key;
}

bool IsPageNumber(std::string_view text) {
    const std::vector<std::string> words = LowerWords(text);
    std::size_t i = 0;
    if (i < words.size() && (words[i] == "page" || words[i] == "p"))
        ++i;
    if (i >= words.size() || !(IsNumber(words[i]) || IsRoman(words[i])))
        return false;
    ++i;
    if (i + 2 == words.size() && words[i] == "of" && IsNumber(words[i + 1]))
        i += 2;
    return i == words.size();
}
