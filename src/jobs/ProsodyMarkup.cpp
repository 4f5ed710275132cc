#include "src/jobs/ProsodyMarkup.h"

#include "src/jobs/JobText.h"
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

// In place from `from` on: the text is appended first and widened here, so
// that the largest text is never held twice.
void DoubleBackslashes(std::u16string& text, std::size_t from) {
    const auto count = static_cast<std::size_t>(std::count(text.begin() + from, text.end(), u'\\'));
    if (count == 0)
        return;
    std::size_t read = text.size();
    std::size_t write = read + count;
    text.resize(write);
    while (read > from) {
        const char16_t c = text[--read];
        text[--write] = c;
        if (c == u'\\')
            text[--write] = c;
    }
}

} // namespace

long long Sapi4SpeedValue(const CSAPI4VoiceInfo& voice, int speed) {
    return MapCentredSlider(voice.speedMin, voice.speedMax, speed);
}

std::u16string BuildSapi4Prefix(const JobText& text, const CSAPI4VoiceInfo& voice,
                                const ProsodySettings& settings) {
    std::u16string markup = u"\\rst\\";
    if (voice.canSetSpeed && settings.speed != 0)
        markup += Tag(u"spd", Sapi4SpeedValue(voice, settings.speed));
    if (voice.canSetVolume && settings.volume >= 0 && settings.volume <= 99)
        markup += Tag(u"vol", MapVolume(voice.volumeMin, voice.volumeMax, settings.volume));
    if (voice.canSetPitch && settings.pitch != 0)
        markup += Tag(u"pit", MapCentredSlider(voice.pitchMin, voice.pitchMax, settings.pitch));
    markup += u' ';
    const std::size_t textStart = markup.size();
    text.AppendTo(markup);
    DoubleBackslashes(markup, textStart);
    return markup;
}

std::u16string BuildSapi5Prefix(const JobText& text, const ProsodySettings& settings) {
    std::u16string markup = u"<volume level=\"" + Number(settings.volume) +
                            u"\"/><rate absspeed=\"" + Number(settings.speed) +
                            u"\"/><pitch absmiddle=\"" + Number(settings.pitch) + u"\"/>";
    text.AppendTo(markup);
    return markup;
}
