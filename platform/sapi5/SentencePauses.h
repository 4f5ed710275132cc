#pragma once
// Tells the sentences espeak-ng starts from the clauses it reads on through.
// espeak raises a sentence event at every stop followed by a capital, also
// after an abbreviation it knows ("Mr. Smith"); there it leaves only its
// shortest clause pause, a few milliseconds, where a sentence's end has
// tens to hundreds of milliseconds of silence, fewer the faster it speaks.
// So a sentence is one that starts in, or just after, a pause: a run of
// digital silence (espeak's pauses are exact zeros) of a length set by the
// speaking rate.

#include <cstddef>
#include <cstdint>

class SentencePauses {
public:
    // The rate espeak synthesises at, in samples per second.
    explicit SentencePauses(unsigned sampleRate = 22050);

    // The speaking rate of the text that follows, in words per minute.
    void SetWordsPerMinute(int wordsPerMinute);
    // The next samples of the output, in order.
    void Heard(const short* samples, std::size_t count);
    void HeardSilence(std::size_t count);
    // Whether a sentence starting after the samples heard so far starts one:
    // at the output's start, in a pause or shortly after one.
    bool AfterPause() const;
    // Whether the samples heard so far end in a pause (or are all silence).
    bool InPause() const;
    // Where the last pause ended, in samples from the output's start.
    std::uint64_t PauseEnd() const { return m_lastPauseEnd; }

private:
    unsigned m_sampleRate;
    std::uint64_t m_minimum = 0; // samples of silence that make a pause
    std::uint64_t m_heard = 0;
    std::uint64_t m_quiet = 0; // the silence at the end of what was heard
    // Where the last pause ended; the output's start counts as one.
    std::uint64_t m_lastPauseEnd = 0;
};
