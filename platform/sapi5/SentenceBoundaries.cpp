#include "platform/sapi5/SentenceBoundaries.h"

#include <algorithm>

void SentenceBoundaries::Started(std::size_t position, std::size_t length, std::uint64_t sample) {
    m_waiting.push_back({position, length, sample, false});
}

void SentenceBoundaries::Decide(const Raise& raise) {
    Waiting& next = m_waiting.front();
    if (!m_pauses.AfterPause()) {
        m_waiting.pop_front();
    } else if (!m_pauses.InPause()) {
        // Told after its sound had begun: it began where the pause ended.
        raise(next.position, next.length, m_pauses.PauseEnd());
        m_waiting.pop_front();
    } else {
        next.starts = true;
    }
}

void SentenceBoundaries::Heard(const short* samples, std::size_t count, const Raise& raise) {
    std::size_t at = 0;
    while (at < count && !m_waiting.empty()) {
        Waiting& next = m_waiting.front();
        std::size_t to = at;
        if (!next.starts) {
            // Up to its own sample, which decides it.
            if (next.sample > m_heard)
                to += static_cast<std::size_t>(
                    std::min<std::uint64_t>(next.sample - m_heard, count - at));
        } else {
            // Up to its first sound: espeak's silence is exact zeros.
            while (to < count && samples[to] == 0)
                ++to;
        }
        m_pauses.Heard(samples + at, to - at);
        m_heard += to - at;
        at = to;
        if (at == count && (next.starts || next.sample > m_heard))
            break;
        if (next.starts) {
            raise(next.position, next.length, m_heard);
            m_waiting.pop_front();
        } else {
            Decide(raise);
        }
    }
    if (at < count) {
        m_pauses.Heard(samples + at, count - at);
        m_heard += count - at;
    }
}

void SentenceBoundaries::HeardSilence(std::size_t count) {
    m_pauses.HeardSilence(count);
    m_heard += count;
}

void SentenceBoundaries::Flush(const Raise& raise) {
    while (!m_waiting.empty()) {
        if (!m_waiting.front().starts) {
            Decide(raise);
            continue;
        }
        raise(m_waiting.front().position, m_waiting.front().length, m_heard);
        m_waiting.pop_front();
    }
}
