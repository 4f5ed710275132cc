#include "platform/sapi5/VoiceAttributes.h"

#include "platform/com/strings.h"
#include "platform/sapi5/TextCompare.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <tuple>
#include <vector>

namespace {

struct Condition {
    std::u16string_view name;
    std::vector<std::u16string_view> values; // empty: the attribute is there
    bool negated = false;
};

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && s.front() == u' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == u' ')
        s.remove_suffix(1);
    return s;
}

// A language id in hex: "407", "0x0407".
std::optional<unsigned> HexValue(std::u16string_view s) {
    if (s.size() > 2 && s[0] == u'0' && AsciiLower(s[1]) == u'x')
        s.remove_prefix(2);
    if (s.empty() || s.size() > 4)
        return std::nullopt;
    unsigned value = 0;
    for (char16_t c : s) {
        char16_t l = AsciiLower(c);
        int d = l >= u'0' && l <= u'9' ? l - u'0' : l >= u'a' && l <= u'f' ? l - u'a' + 10 : -1;
        if (d < 0)
            return std::nullopt;
        value = value * 16 + d;
    }
    return value;
}

std::vector<Condition> Parse(std::u16string_view list) {
    std::vector<Condition> conditions;
    while (!list.empty()) {
        std::size_t end = list.find(u';');
        std::u16string_view item = Trim(list.substr(0, end));
        list = end == std::u16string_view::npos ? std::u16string_view() : list.substr(end + 1);
        if (item.empty())
            continue;
        std::size_t eq = item.find(u'=');
        if (eq == std::u16string_view::npos) {
            bool moreLanguages = !conditions.empty() && !conditions.back().values.empty() &&
                                 EqualsNoCase(conditions.back().name, u"Language") &&
                                 HexValue(item);
            if (moreLanguages)
                conditions.back().values.push_back(item);
            else
                conditions.push_back({item, {}, false});
            continue;
        }
        bool negated = eq > 0 && item[eq - 1] == u'!';
        conditions.push_back(
            {Trim(item.substr(0, negated ? eq - 1 : eq)), {Trim(item.substr(eq + 1))}, negated});
    }
    return conditions;
}

// Later conditions on an attribute replace earlier ones.
std::vector<Condition> Effective(std::u16string_view list) {
    std::vector<Condition> all = Parse(list);
    std::vector<Condition> kept;
    for (std::size_t i = 0; i < all.size(); ++i) {
        bool replaced = std::any_of(all.begin() + i + 1, all.end(), [&](const Condition& later) {
            return EqualsNoCase(later.name, all[i].name);
        });
        if (!replaced)
            kept.push_back(all[i]);
    }
    return kept;
}

bool Equal(std::u16string_view name, std::u16string_view actual, std::u16string_view wanted) {
    if (EqualsNoCase(name, u"Language")) {
        auto a = HexValue(actual), w = HexValue(wanted);
        return a && w && *a == *w;
    }
    return EqualsNoCase(actual, wanted);
}

bool Meets(const EspeakVoice& voice, const Condition& c) {
    std::u16string actual = VoiceAttribute(voice, c.name);
    if (c.values.empty())
        return !actual.empty();
    bool equal = std::any_of(c.values.begin(), c.values.end(),
                             [&](std::u16string_view v) { return Equal(c.name, actual, v); });
    return equal != c.negated;
}

std::u16string HexLangId(LANGID id) {
    char text[8];
    std::snprintf(text, sizeof text, "%x", id);
    return FromUtf8(text);
}

} // namespace

std::u16string VoiceAttribute(const EspeakVoice& voice, std::u16string_view name) {
    if (EqualsNoCase(name, u"Name"))
        return voice.name;
    if (EqualsNoCase(name, u"Language"))
        return voice.langId ? HexLangId(voice.langId) : std::u16string();
    if (EqualsNoCase(name, u"Gender"))
        return voice.gender == 1 ? u"Male" : voice.gender == 2 ? u"Female" : u"";
    if (EqualsNoCase(name, u"Age")) {
        // espeak-ng's voices without an age are adults'.
        return voice.age == 0 || (voice.age >= 20 && voice.age < 60) ? u"Adult"
               : voice.age < 13                                      ? u"Child"
               : voice.age < 20                                      ? u"Teen"
                                                                     : u"Senior";
    }
    if (EqualsNoCase(name, u"Vendor"))
        return u"eSpeak NG";
    return {};
}

bool MeetsAll(const EspeakVoice& voice, std::u16string_view conditions) {
    auto list = Effective(conditions);
    return std::all_of(list.begin(), list.end(),
                       [&](const Condition& c) { return Meets(voice, c); });
}

int MeetsCount(const EspeakVoice& voice, std::u16string_view conditions) {
    auto list = Effective(conditions);
    return static_cast<int>(std::count_if(list.begin(), list.end(),
                                          [&](const Condition& c) { return Meets(voice, c); }));
}

std::string ChooseVoice(const std::vector<EspeakVoice>& voices, const EspeakVoice& speaking,
                        const VoiceRequest& request) {
    std::vector<Condition> required = Effective(request.required);
    // A gender is the one condition a variant can meet: espeak-ng's voices
    // are male, and its female variants make them female.
    std::optional<Condition> gender;
    std::erase_if(required, [&](const Condition& c) {
        bool isGender = EqualsNoCase(c.name, u"Gender") && !c.values.empty();
        if (isGender)
            gender = c;
        return isGender;
    });

    struct Candidate {
        const EspeakVoice* voice;
        const char* variant;
        std::tuple<int, bool, bool, bool> rank;
    };
    std::optional<Candidate> best;
    for (const auto& voice : voices) {
        if (!std::all_of(required.begin(), required.end(),
                         [&](const Condition& c) { return Meets(voice, c); }))
            continue;
        const char* variant = "";
        if (gender && !Meets(voice, *gender)) {
            EspeakVoice female = voice, male = voice;
            female.gender = 2;
            male.gender = 1;
            if (Meets(female, *gender))
                variant = "+f3";
            else if (Meets(male, *gender))
                variant = "+m3";
            else
                continue;
        }
        Candidate c{&voice,
                    variant,
                    {MeetsCount(voice, request.optional), !*variant,
                     voice.identifier == speaking.identifier, voice.langId == speaking.langId}};
        if (!best || c.rank > best->rank)
            best = c;
    }
    return best ? best->voice->identifier + best->variant : std::string();
}
