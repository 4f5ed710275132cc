#include "src/cli/VoiceLanguage.h"

#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "src/jobs/ProsodyMarkup.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"
#include "src/speech/VoiceCatalogue.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

namespace {

struct LanguageId {
    LANGID id;
    const char* tag;
};

// Language ids as SAPI 4 modes give them: a whole id first, then the
// primary language alone (its low ten bits).
constexpr std::array kLanguageIds = {
    LanguageId{0x0409, "en-US"}, LanguageId{0x0809, "en-GB"}, LanguageId{0x0009, "en"},
    LanguageId{0x0007, "de"},    LanguageId{0x000C, "fr"},    LanguageId{0x000A, "es"},
    LanguageId{0x0010, "it"},    LanguageId{0x0013, "nl"},    LanguageId{0x0016, "pt"},
};

std::string Sapi4Tag(LANGID id) {
    for (const LanguageId& known : kLanguageIds)
        if (known.id == id)
            return known.tag;
    for (const LanguageId& known : kLanguageIds)
        if (known.id == (id & 0x3FF))
            return known.tag;
    return {};
}

// A SAPI 5 token's id ends in the voice's language ("...\gmw/en-US").
std::string TokenLanguage(ISpObjectToken* token) {
    LPWSTR id = nullptr;
    if (!token || FAILED(token->GetId(&id)) || !id)
        return {};
    std::string text = ToUtf8(id);
    CoTaskMemFree(id);
    return text.substr(text.find_last_of("/\\") + 1);
}

std::string Lower(std::string text) {
    std::ranges::transform(text, text.begin(), [](unsigned char c) {
        return static_cast<char>(c == '_' ? '-' : std::tolower(c));
    });
    return text;
}

std::string Primary(const std::string& tag) {
    return tag.substr(0, tag.find('-'));
}

// espeak-ng's rate at the middle of the slider; the runtime spreads the
// slider over a factor of three each way, within espeak-ng's limits.
constexpr double kEspeakWordsPerMinute = 175, kEspeakSlowest = 80, kEspeakFastest = 450;
// A reader's pace, for a mode that does not say its own.
constexpr double kTypicalWordsPerMinute = 175;

} // namespace

std::string VoiceLanguageTag(const VoiceCatalogue& voices, const Sapi4Engine& sapi4,
                             const Sapi5Engine& sapi5, int position) {
    if (voices.IsSapi4(position))
        return Sapi4Tag(
            sapi4.Voice(static_cast<std::size_t>(position)).modeInfo.language.LanguageID);
    return TokenLanguage(
        sapi5.Voice(static_cast<std::size_t>(voices.Sapi5Index(position))).token.Get());
}

std::optional<int> VoiceForLanguage(const VoiceCatalogue& voices, const Sapi4Engine& sapi4,
                                    const Sapi5Engine& sapi5, const std::string& language) {
    const std::string wanted = Lower(language);
    if (wanted.empty())
        return std::nullopt;
    // "en" takes an "en-US" voice and "en-GB" an "en" one, but "en-GB" takes
    // an "en-US" voice only when no voice speaks its own English.
    const auto covers = [](const std::string& tag, const std::string& narrower) {
        return narrower.starts_with(tag) &&
               (narrower.size() == tag.size() || narrower[tag.size()] == '-');
    };
    std::optional<int> samePrimary;
    for (std::size_t i = 0; i < voices.Count(); ++i) {
        const int position = static_cast<int>(i);
        const std::string tag = Lower(VoiceLanguageTag(voices, sapi4, sapi5, position));
        if (tag.empty())
            continue;
        if (covers(tag, wanted) || covers(wanted, tag))
            return position;
        if (!samePrimary && Primary(tag) == Primary(wanted))
            samePrimary = position;
    }
    return samePrimary;
}

double WordsPerMinute(const VoiceCatalogue& voices, const Sapi4Engine& sapi4, int position,
                      int speed) {
    if (!voices.IsSapi4(position))
        return std::clamp(kEspeakWordsPerMinute * std::pow(3.0, speed / 10.0), kEspeakSlowest,
                          kEspeakFastest);
    const CSAPI4VoiceInfo& voice = sapi4.Voice(static_cast<std::size_t>(position));
    // A mode whose rate cannot be set tells nothing of it.
    if (!voice.canSetSpeed)
        return kTypicalWordsPerMinute;
    // The speed range is centred on the mode's own rate, the slider's middle.
    return static_cast<double>(Sapi4SpeedValue(voice, speed));
}
