#pragma once
// What the runtime's thread and the synthesis helper both do with espeak-ng:
// choosing a voice, setting the prosody of a run of text, synthesising it, and
// espeak's events in a form that can cross a pipe. espeak keeps its state in
// globals: these run on the one thread of a process that uses espeak.

#include "platform/sapi5/SapiXmlReader.h"

#include <cstdint>
#include <string>
#include <vector>

// espeak hands over its audio in blocks of this length: short enough for the
// first words to play at once and for a purge to take effect at once.
inline constexpr int kEspeakBlockMilliseconds = 50;

// An event of the synthesis that callers above care about.
struct SynthEvent {
    enum Kind : std::uint32_t { kWord, kMark, kSentence };
    Kind kind = kWord;
    std::uint32_t character = 0; // from 0, in the synthesised text
    std::uint32_t length = 0;    // of a word, in characters
    std::uint32_t mark = 0;      // of a mark: the number it is named by
    std::uint64_t sample = 0;    // from the start of the synthesis
};

// Receives the audio and events of a synthesis; a non-zero return stops it.
class SynthListener {
public:
    virtual int Heard(const short* samples, std::size_t count,
                      const std::vector<SynthEvent>& events) = 0;

protected:
    ~SynthListener() = default;
};

// espeak-ng's speaking rate, in words per minute, at a rate of -10..10.
int EspeakWordsPerMinute(int rate);

// The sample rate espeak-ng synthesises at; 0 when it could not start.
int InitialiseEspeak();
// Sets the voice ("gmw/en-US", "gmw/en-US+f3"), unless it is already set, and
// the settings every voice is spoken with; false when espeak-ng has no such
// voice.
bool UseEspeakVoice(const std::string& name);
// espeak's SSML (UTF-8) at the prosody, to the listener; false when espeak
// refused it. English text reads its marked homographs first.
bool SynthesiseSsml(std::string text, bool english, const SpeechProsody& prosody,
                    SynthListener& listener);
