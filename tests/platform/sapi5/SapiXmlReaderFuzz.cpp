// libFuzzer target: any text, read as SAPI 5 XML, gives segments within the
// documented ranges, without crashing; the text's own characters never turn
// into espeak-ng markup: every mark in a segment is one of its bookmarks.
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
                       s.silenceMs <= SapiXmlReader::kMaxSilenceMs;
        bool pause = s.silenceMs > 0;
        bool shaped =
            pause ? s.text.empty() && s.bookmarks.empty() : !s.text.empty() || !s.bookmarks.empty();
        std::size_t marks = 0;
        for (std::size_t at = s.text.find(u"<mark "); at != std::u16string::npos;
             at = s.text.find(u"<mark ", at + 1))
            ++marks;
        if (!s.text.empty() && marks != s.bookmarks.size())
            shaped = false;
        if (!inRange || !shaped)
            __builtin_trap();
    }
    return 0;
}
