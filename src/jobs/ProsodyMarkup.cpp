#include "src/jobs/ProsodyMarkup.h"

#include "src/speech/CSAPI4VoiceInfo.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

std::u16string Number(long long value) {
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::u16string Tag(const char16_t* name, long long value) {
    return u"\\" + std::u16string(name) + u"=" + Number(value) + u"\\";
}

// A slider of -10..10 spread over [min, max]: truncated toward zero, limited
// to the range, and 0 sent as 1 since the engines read 0 as "no change".
long long MapCentredSlider(LONG min, LONG max, int position) {
    double span = static_cast<double>(max) - static_cast<double>(min);
    long long value = static_cast<long long>(std::trunc(span / 20.0 * (position + 10))) + min;
    value = std::clamp<long long>(value, min, std::max<long long>(min, max));
    return value == 0 ? 1 : value;
}

// The volume is not limited to the range.
long long MapVolume(LONG min, LONG max, int position) {
    double span = static_cast<double>(max) - static_cast<double>(min);
    long long value = static_cast<long long>(std::trunc(span / 100.0 * position)) + min;
    return value == 0 ? 1 : value;
}

std::u16string DoubleBackslashes(const std::u16string& text) {
    std::u16string escaped;
    escaped.reserve(text.size() + text.size() / 8);
    for (char16_t c : text) {
        escaped += c;
        if (c == u'\\')
            escaped += c;
    }
    return escaped;
}

} // namespace

std::u16string BuildSapi4Prefix(const std::u16string& text, const CSAPI4VoiceInfo& voice,
                                const ProsodySettings& settings) {
    std::u16string tags = u"\\rst\\";
    if (voice.canSetSpeed && settings.speed != 0)
        tags += Tag(u"spd", MapCentredSlider(voice.speedMin, voice.speedMax, settings.speed));
    if (voice.canSetVolume && settings.volume >= 0 && settings.volume <= 99)
        tags += Tag(u"vol", MapVolume(voice.volumeMin, voice.volumeMax, settings.volume));
    if (voice.canSetPitch && settings.pitch != 0)
        tags += Tag(u"pit", MapCentredSlider(voice.pitchMin, voice.pitchMax, settings.pitch));
    return tags + u" " + DoubleBackslashes(text);
}

std::u16string BuildSapi5Prefix(const std::u16string& text, const ProsodySettings& settings) {
    return u"<volume level=\"" + Number(settings.volume) + u"\"/><rate absspeed=\"" +
           Number(settings.speed) + u"\"/><pitch absmiddle=\"" + Number(settings.pitch) + u"\"/>" +
           text;
}
