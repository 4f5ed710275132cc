#pragma once
// Tagged text as the engine takes it: control tags between backslashes
// ("\spd=200\"), a doubled backslash for a literal one. The runtime knows
// the reset tag and the speed, volume and pitch tags; other tags are dropped,
// and malformed ones never stop the text.

#include "platform/com/SourceMap.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct TextPiece {
    enum class Kind { Text, Reset, Speed, Volume, Pitch };
    Kind kind = Kind::Text;
    std::u16string text;     // Kind::Text
    SourceMap sources;       // Kind::Text: where its characters stand in the tagged text
    std::uint32_t value = 0; // Speed, Volume, Pitch: saturated at 0xFFFFFFFF
};

// Untagged text comes back as one text piece, backslashes and all.
std::vector<TextPiece> ParseTaggedText(std::u16string_view text, bool tagged);

// Splits text into pieces of about a sentence, each short enough that its
// audio starts soon after it is handed to the synthesiser. Pieces holding
// only white space are left out.
std::vector<std::u16string> SplitIntoSentences(std::u16string_view text);
// The same sentences one at a time, without copying the text, until `take`
// gives false.
void ForEachSentenceOf(std::u16string_view text,
                       const std::function<bool(std::u16string_view)>& take);
