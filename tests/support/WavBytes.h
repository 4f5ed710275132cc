#pragma once
// Builds WAV files byte by byte, so that tests can lay out every chunk as a
// writer in the wild might.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace wavbytes {

inline std::string le16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
inline std::string le32(std::uint32_t v) {
    return le16(v & 0xFFFF) + le16(v >> 16);
}

inline std::string chunk(const std::string& tag, const std::string& body) {
    return tag + le32(static_cast<std::uint32_t>(body.size())) + body;
}

// The 16 bytes of a PCM format chunk body.
inline std::string pcmFormat(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    return le16(1) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits);
}

inline std::string riff(const std::string& chunks) {
    return "RIFF" + le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

// A canonical file: 16-byte format chunk, then the data chunk.
inline std::string pcmFile(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels,
                           const std::string& samples) {
    return riff(chunk("fmt ", pcmFormat(rate, bits, channels)) + chunk("data", samples));
}

inline std::string samples16(const std::vector<std::int16_t>& values) {
    std::string out;
    for (auto v : values)
        out += le16(static_cast<std::uint16_t>(v));
    return out;
}

inline void write(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), std::streamsize(bytes.size()));
}

inline std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace wavbytes
