// libFuzzer target: any text, read as SAPI 5 XML, gives segments within the
// documented ranges, without crashing.
#include "platform/sapi5/SapiXmlReader.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    std::memcpy(text.data(), data, text.size() * 2);
    for (const SpeechSegment& s : SapiXmlReader::Read(text)) {
        bool inRange = s.prosody.volume >= 0 && s.prosody.volume <= 100 && s.prosody.rate >= -10 &&
                       s.prosody.rate <= 10 && s.prosody.pitch >= -10 && s.prosody.pitch <= 10 &&
                       s.silenceMs <= SapiXmlReader::kMaxSilenceMs &&
                       (s.silenceMs > 0) == s.text.empty();
        if (!inRange)
            __builtin_trap();
    }
    return 0;
}
