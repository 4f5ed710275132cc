#pragma once
// The records of the WMA codec catalogue: a codec as the runtime names it and
// its formats, CBR first, then one-pass VBR, then two-pass VBR.

#include <cstdint>
#include <string>
#include <vector>

// The group a format belongs to; 0 (no enumerator) means no format selected.
enum class WmaEncodingMode : std::int32_t {
    Cbr = 1,
    VbrOnePass = 2,
    VbrTwoPass = 3,
};

struct WmaFormatEntry {
    std::u16string description; // as the runtime reports it and the user sees it
    WmaEncodingMode mode{};
};

struct WmaCodecEntry {
    std::vector<WmaFormatEntry> formats;
    std::u16string name;
    std::uint32_t cbrCount = 0;
    std::uint32_t vbrOnePassCount = 0;
    std::uint32_t vbrTwoPassCount = 0;
};
