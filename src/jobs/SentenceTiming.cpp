#include "src/jobs/SentenceTiming.h"

#include "src/audio/WavFileReader.h"

namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0xA0;
}

bool OpensSentence(char16_t c) {
    return c == u'"' || c == u'\'' || c == u'(' || c == u'[' || c == 0x2018 || c == 0x201C ||
           c == 0xAB || c == 0xBF || c == 0xA1;
}

bool EndsSentence(char16_t c) {
    return c == u'.' || c == u'!' || c == u'?' || c == 0x2026;
}

bool ClosesSentence(char16_t c) {
    return c == u'"' || c == u'\'' || c == u')' || c == u']' || c == 0x2019 || c == 0x201D ||
           c == 0xBB;
}

} // namespace

std::size_t SentenceStartAt(std::u16string_view text, std::size_t position, std::size_t floor) {
    std::size_t at = std::max(position, floor);
    while (at < text.size() && IsSpace(text[at]))
        ++at;
    while (at > floor && OpensSentence(text[at - 1]))
        --at;
    return at;
}

bool StartsSentence(std::u16string_view text, std::size_t position, std::size_t floor) {
    std::size_t before = position;
    std::size_t lineEnds = 0;
    while (before > floor && IsSpace(text[before - 1]))
        lineEnds += text[--before] == u'\n';
    if (before == floor || lineEnds >= 2)
        return true;
    // The letter that starts it, past what opens it.
    std::size_t first = position;
    while (first < text.size() && OpensSentence(text[first]))
        ++first;
    if (first < text.size() && text[first] >= u'a' && text[first] <= u'z')
        return false;
    while (before > floor && ClosesSentence(text[before - 1]))
        --before;
    return before > floor && EndsSentence(text[before - 1]);
}

SpokenSentences TimeSentences(const EngineSentences& sentences, const std::u16string& wavPath) {
    WavFileReader reader;
    if (!reader.open(wavPath) || reader.format.nAvgBytesPerSec == 0)
        return {};
    SpokenSentences timed;
    timed.reserve(sentences.size());
    for (const EngineSentence& s : sentences)
        timed.push_back({s.position, static_cast<double>(s.audioBytes) /
                                         static_cast<double>(reader.format.nAvgBytesPerSec)});
    return timed;
}
