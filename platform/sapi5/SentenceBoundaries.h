#pragma once
// Where the sentences espeak-ng starts begin to be heard, as the output's
// samples pass: which of them start sentences (SentencePauses says), and
// the sample each one's first sound starts at. espeak starts a sentence at
// its first phoneme, and a stop opens with silence ("Prices"); at its fastest
// rates it tells a sentence some 20 ms after its sound began, and may tell
// it before its samples come.

#include "platform/sapi5/SentencePauses.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>

class SentenceBoundaries {
public:
    // A sentence's place in the caller's text, and the sample it is heard at.
    using Raise = std::function<void(std::size_t position, std::size_t length, std::uint64_t)>;

    explicit SentenceBoundaries(unsigned sampleRate = 22050) : m_pauses(sampleRate) {}

    void SetWordsPerMinute(int wordsPerMinute) { m_pauses.SetWordsPerMinute(wordsPerMinute); }
    // espeak started a sentence at the output's `sample`.
    void Started(std::size_t position, std::size_t length, std::uint64_t sample);
    // The output's next samples; raises the sentences they start.
    void Heard(const short* samples, std::size_t count, const Raise& raise);
    void HeardSilence(std::size_t count);
    // The end of a run of speech: the sentences still waiting are raised
    // where the output has got.
    void Flush(const Raise& raise);

private:
    struct Waiting {
        std::size_t position = 0;
        std::size_t length = 0;
        std::uint64_t sample = 0;
        bool starts = false; // decided: it starts a sentence, once it sounds
    };

    // Decides the first waiting sentence, its sample reached.
    void Decide(const Raise& raise);

    SentencePauses m_pauses;
    std::uint64_t m_heard = 0;
    std::deque<Waiting> m_waiting;
};
