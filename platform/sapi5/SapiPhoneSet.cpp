#include "platform/sapi5/SapiPhoneSet.h"

#include "platform/sapi5/TextCompare.h"

#include <algorithm>
#include <vector>

namespace {

struct Phone {
    std::u16string_view sapi;
    std::u16string_view espeak;
    bool vowel;
};

// espeak-ng's English phonemes as the en-us voice realises them.
constexpr Phone kPhones[] = {
    {u"aa", u"A:", true},
    {u"ae", u"a", true},
    {u"ah", u"V", true},
    {u"ao", u"O:", true},
    {u"aw", u"aU", true},
    {u"ax", u"@", true},
    {u"ay", u"aI", true},
    {u"eh", u"E", true},
    {u"er", u"3:", true},
    {u"ey", u"eI", true},
    {u"ih", u"I", true},
    {u"iy", u"i:", true},
    {u"ow", u"oU", true},
    {u"oy", u"OI", true},
    {u"uh", u"U", true},
    {u"uw", u"u:", true},
    {u"b", u"b", false},
    {u"ch", u"tS", false},
    {u"d", u"d", false},
    {u"dh", u"D", false},
    {u"f", u"f", false},
    {u"g", u"g", false},
    {u"h", u"h", false},
    {u"jh", u"dZ", false},
    {u"k", u"k", false},
    {u"l", u"l", false},
    {u"m", u"m", false},
    {u"n", u"n", false},
    {u"ng", u"N", false},
    {u"p", u"p", false},
    {u"r", u"r", false},
    {u"s", u"s", false},
    {u"sh", u"S", false},
    {u"t", u"t", false},
    {u"th", u"T", false},
    {u"v", u"v", false},
    {u"w", u"w", false},
    {u"y", u"j", false},
    {u"z", u"z", false},
    {u"zh", u"Z", false},
    // Boundaries and pauses.
    {u"-", u"", false},
    {u"&", u" ", false},
    {u"_", u"_", false},
    {u",", u"_", false},
    {u".", u"_:", false},
    {u"!", u"_:", false},
    {u"?", u"_:", false},
};

const Phone* Find(std::u16string_view name) {
    for (const auto& phone : kPhones)
        if (EqualsNoCase(phone.sapi, name))
            return &phone;
    return nullptr;
}

} // namespace

std::optional<std::u16string> EspeakPhonemes(std::u16string_view sapiPhones) {
    // One entry per phone; a stress digit marks the vowel before it, which in
    // espeak-ng's notation carries the mark in front of it. "|" keeps phones
    // that would read as one ("a" "I" as "aI") apart.
    std::vector<std::u16string> out;
    std::size_t lastVowel = 0;
    bool haveVowel = false, havePhone = false;
    auto stress = [&](char16_t digit) {
        if (!haveVowel)
            return false;
        out[lastVowel].insert(0, 1, digit == u'1' ? u'\'' : u',');
        haveVowel = false;
        return true;
    };
    while (!sapiPhones.empty()) {
        std::size_t start = sapiPhones.find_first_not_of(u" \t\r\n");
        if (start == std::u16string_view::npos)
            break;
        sapiPhones.remove_prefix(start);
        std::size_t end = std::min(sapiPhones.find_first_of(u" \t\r\n"), sapiPhones.size());
        std::u16string_view token = sapiPhones.substr(0, end);
        sapiPhones.remove_prefix(end);

        char16_t digit = token.back();
        bool isStress = digit == u'1' || digit == u'2';
        if (isStress)
            token.remove_suffix(1);
        if (!token.empty()) {
            const Phone* phone = Find(token);
            if (!phone)
                return std::nullopt;
            if (phone->vowel) {
                lastVowel = out.size();
                haveVowel = true;
            }
            havePhone = havePhone || !phone->espeak.empty();
            out.emplace_back(phone->espeak);
        }
        if (isStress && !stress(digit))
            return std::nullopt;
    }
    if (!havePhone)
        return std::nullopt;
    std::u16string joined;
    for (const auto& phone : out) {
        if (phone.empty())
            continue;
        if (!joined.empty() && phone != u" " && joined.back() != u' ')
            joined += u'|';
        joined += phone;
    }
    return joined;
}
