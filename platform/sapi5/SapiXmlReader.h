#pragma once
// Reads the SAPI 5 XML a voice is asked to speak into runs of plain text, each
// with the volume, rate and pitch in force, and pauses. `volume level`,
// `rate absspeed|speed`, `pitch absmiddle|middle` and `silence msec` are
// honoured, as empty elements (for the rest of the text) or around text;
// other well-formed elements are skipped and their text spoken. What is not
// well-formed markup is text: "a < b & c" is spoken as it stands.

#include <string>
#include <string_view>
#include <vector>

struct SpeechProsody {
    int volume = 100; // 0..100, 100 the engine's normal loudness
    int rate = 0;     // -10..10
    int pitch = 0;    // -10..10
    friend bool operator==(const SpeechProsody&, const SpeechProsody&) = default;
};

struct SpeechSegment {
    std::u16string text; // empty for a pause
    SpeechProsody prosody;
    unsigned silenceMs = 0;
};

class SapiXmlReader {
public:
    static constexpr unsigned kMaxSilenceMs = 65535;

    static std::vector<SpeechSegment> Read(std::u16string_view xml);
    // Text that is not to be read as XML: one run at the normal prosody.
    static std::vector<SpeechSegment> ReadPlain(std::u16string_view text);
};
