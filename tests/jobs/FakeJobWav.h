#pragma once
// WAV files as the fake runtimes write them: a header written when the file
// is created (sizes 0) and completed when the destination is flushed or
// closed, so that a file left half-written is recognisable.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace FakeJobWav {

inline void PutLe(std::vector<unsigned char>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

inline std::vector<unsigned char> Header(std::uint32_t rate, std::uint16_t bits,
                                         std::uint16_t channels, std::uint32_t dataBytes) {
    std::vector<unsigned char> h;
    const std::uint16_t block = static_cast<std::uint16_t>(channels * bits / 8);
    h.insert(h.end(), {'R', 'I', 'F', 'F'});
    PutLe(h, 36 + dataBytes, 4);
    h.insert(h.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(h, 16, 4);
    PutLe(h, 1, 2);
    PutLe(h, channels, 2);
    PutLe(h, rate, 4);
    PutLe(h, rate * block, 4);
    PutLe(h, block, 2);
    PutLe(h, bits, 2);
    h.insert(h.end(), {'d', 'a', 't', 'a'});
    PutLe(h, dataBytes, 4);
    return h;
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
