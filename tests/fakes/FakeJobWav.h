#pragma once
// WAV files as the fake runtimes write them: a header written when the file
// is created (sizes 0) and completed when the destination is flushed or
// closed, so that a file left half-written is recognisable.

#include "tests/support/WavBytes.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace FakeJobWav {

inline std::vector<unsigned char> Header(std::uint32_t rate, std::uint16_t bits,
                                         std::uint16_t channels, std::uint32_t dataBytes) {
    using WavBytes::Le32;
    const std::string h = "RIFF" + Le32(36 + dataBytes) + "WAVE" +
                          WavBytes::Chunk("fmt ", WavBytes::PcmFormat(rate, bits, channels)) +
                          "data" + Le32(dataBytes);
    return {h.begin(), h.end()};
}

// A sawtooth, loud enough not to count as silence.
inline std::vector<unsigned char> Samples(std::uint32_t bytes) {
    std::vector<unsigned char> s(bytes);
    for (std::uint32_t i = 0; i < bytes; ++i)
        s[i] = static_cast<unsigned char>((i * 37) & 0xFF);
    return s;
}

// True when the file is a WAV whose header accounts for every byte in it.
inline bool IsComplete(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    unsigned char h[44];
    bool ok = std::fread(h, 1, sizeof h, f) == sizeof h;
    std::fseek(f, 0, SEEK_END);
    long size = std::ftell(f);
    std::fclose(f);
    if (!ok)
        return false;
    std::uint32_t data = h[40] | h[41] << 8 | h[42] << 16 | static_cast<std::uint32_t>(h[43]) << 24;
    return size == 44 + static_cast<long>(data) && data > 0;
}

} // namespace FakeJobWav
