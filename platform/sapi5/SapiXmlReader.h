#pragma once
// Reads the SAPI 5 XML a voice is asked to speak into runs of espeak-ng input,
// each with the volume, rate, pitch and voice in force, and pauses. Element
// and attribute names are read without regard to case:
// - `volume level`, `rate absspeed|speed`, `pitch absmiddle|middle` and
//   `voice`/`lang` set the run's prosody and voice, as empty elements (for
//   the rest of the text) or around text;
// - `silence msec` is a pause of its own;
// - `emph`, `spell`, `context id`, `pron sym`, `bookmark mark`, `p` and `s`
//   become espeak-ng's SSML (emphasis, say-as, [[phonemes]], mark, p, s) in
//   the run's text, and `partofsp part="noun|verb"` stays as it is, for the
//   runtime to read homographs by (espeak-ng passes over it);
// - other well-formed elements (`sapi`, unknown ones) are skipped and their
//   text spoken.
// What is not well-formed markup is text: "a < b & c" is spoken as it stands.

#include "platform/com/SourceMap.h"

#include <string>
#include <string_view>
#include <vector>

struct SpeechProsody {
    int volume = 100; // 0..100, 100 the engine's normal loudness
    int rate = 0;     // -10..10
    int pitch = 0;    // -10..10
    friend bool operator==(const SpeechProsody&, const SpeechProsody&) = default;
};

// The voice attributes that voice and lang elements ask for
// ("Gender=Female;Language=407"), outer elements' first; empty for the
// speaking voice.
struct VoiceRequest {
    std::u16string required;
    std::u16string optional;
    friend bool operator==(const VoiceRequest&, const VoiceRequest&) = default;
};

struct SpeechSegment {
    // espeak-ng SSML with the characters <, > and & escaped; empty for a
    // pause, and for bookmarks with nothing to speak.
    std::u16string text;
    // Where the characters of `text` came from in the XML.
    SourceMap sources;
    SpeechProsody prosody;
    VoiceRequest voice;
    unsigned silenceMs = 0;
    // The marks of the text, in order: <mark name="i"/> is bookmarks[i].
    std::vector<std::u16string> bookmarks;
};

class SapiXmlReader {
public:
    static constexpr unsigned kMaxSilenceMs = 65535;

    static std::vector<SpeechSegment> Read(std::u16string_view xml);
    // Text that is not to be read as XML: one run at the normal prosody.
    static std::vector<SpeechSegment> ReadPlain(std::u16string_view text);
};
