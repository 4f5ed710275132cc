#pragma once
// The 36 PCM formats of the Quality list, "8kHz 8 Bit Mono" to
// "48kHz 16 Bit Stereo". A row's position is its combo box position; its
// format value is the SAPI 5 stream format, always position + 4.

#include "platform/com/types.h"

struct AudioFormatRow {
    const char16_t* name;
    int formatValue;
    DWORD sampleRate;
    WORD bits;
    WORD channels;
};

namespace AudioFormatTable {
inline constexpr int kCount = 36, kDefaultIndex = 18, kDefaultFormat = 22;

// index 0..35; anything else throws std::invalid_argument.
const AudioFormatRow& Row(int index);
// The format value of a combo position; -1 (no selection) counts as the
// default row.
int FormatValueOfPosition(int position);
} // namespace AudioFormatTable
