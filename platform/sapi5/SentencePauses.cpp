#include "platform/sapi5/SentencePauses.h"

#include <algorithm>

namespace {

// Measured over espeak-ng's rates: its abbreviation pause is 5 ms from about
// 200 words a minute up and 22 ms at 80; its sentence pause, 25 ms at the
// fastest rate with pauses at all and 300 ms at the normal 175.
constexpr double kPauseMs = 15.0;
constexpr double kNormalWordsPerMinute = 175.0;
// At its fastest rates espeak starts a sentence up to some 20 ms after the
// pause before it.
constexpr std::uint64_t kLateMs = 30;

} // namespace

SentencePauses::SentencePauses(unsigned sampleRate) : m_sampleRate(sampleRate) {
    SetWordsPerMinute(static_cast<int>(kNormalWordsPerMinute));
}

void SentencePauses::SetWordsPerMinute(int wordsPerMinute) {
    const double slower = kNormalWordsPerMinute / std::max(wordsPerMinute, 1);
    const double ms = kPauseMs * std::max(1.0, slower);
    m_minimum = static_cast<std::uint64_t>(ms * m_sampleRate / 1000.0);
}

void SentencePauses::Heard(const short* samples, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (samples[i] == 0) {
            ++m_quiet;
            continue;
        }
        if (m_quiet >= m_minimum)
            m_lastPauseEnd = m_heard + i;
        m_quiet = 0;
    }
    m_heard += count;
}

void SentencePauses::HeardSilence(std::size_t count) {
    m_quiet += count;
    m_heard += count;
}

bool SentencePauses::InPause() const {
    return m_quiet >= m_minimum || m_heard == m_quiet;
}

bool SentencePauses::AfterPause() const {
    return InPause() || m_heard - m_lastPauseEnd <= kLateMs * m_sampleRate / 1000;
}
