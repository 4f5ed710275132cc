#pragma once
// Builds WAV files byte by byte, so that tests can lay out every chunk as a
// writer in the wild might.

#include <cstdint>
#include <string>
#include <vector>

namespace WavBytes {

inline std::string Le16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
inline std::string Le32(std::uint32_t v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

inline std::string Chunk(const std::string& tag, const std::string& body) {
    return tag + Le32(static_cast<std::uint32_t>(body.size())) + body;
}

// The 16 bytes of a PCM format chunk body.
inline std::string PcmFormat(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return Le16(1) + Le16(channels) + Le32(rate) + Le32(rate * align) + Le16(align) + Le16(bits);
}

inline std::string Riff(const std::string& chunks) {
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

// A canonical file: 16-byte format chunk, then the data chunk.
inline std::string PcmFile(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels,
                           const std::string& samples) {
    return Riff(Chunk("fmt ", PcmFormat(rate, bits, channels)) + Chunk("data", samples));
}

inline std::string Samples16(const std::vector<std::int16_t>& values) {
    std::string out;
    for (auto v : values)
        out += Le16(static_cast<std::uint16_t>(v));
    return out;
}

} // namespace WavBytes
