// libFuzzer target for the engine's tagged-text reader and sentence splitter:
// any UTF-16 input is read without a crash, and every character of it that
// is not markup ends up in exactly one text piece.

#include "platform/sapi4/TaggedText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::u16string text(size / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(data[2 * i] | data[2 * i + 1] << 8);

    std::size_t spoken = 0;
    for (const TextPiece& piece : ParseTaggedText(text, true)) {
        if (piece.kind != TextPiece::Kind::Text)
            continue;
        spoken += piece.text.size();
        std::u16string joined;
        for (const std::u16string& sentence : SplitIntoSentences(piece.text))
            joined += sentence;
        if (joined.size() > piece.text.size())
            std::abort();
    }
    if (spoken > text.size())
        std::abort();
    // Untagged text is taken whole.
    const auto plain = ParseTaggedText(text, false);
    if (!text.empty() && (plain.size() != 1 || plain[0].text != text))
        std::abort();
    return 0;
}
