#include "tests/audio/mp3/Mp3Probe.h"

std::vector<Mp3FrameHeader> ParseMp3Frames(const std::string& bytes, bool* complete) {
    static const int kBitrates[2][16] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}, // MPEG-1
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};    // MPEG-2, 2.5
    static const int kRates[3] = {44100, 48000, 32000};

    std::vector<Mp3FrameHeader> frames;
    std::size_t at = 0;
    bool ok = true;
    while (at < bytes.size()) {
        if (at + 4 > bytes.size()) {
            ok = false;
            break;
        }
        const auto* h = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        const int versionBits = (h[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
        const int layerBits = (h[1] >> 1) & 3;   // 1: layer III
        const int bitrateIndex = h[2] >> 4;
        const int rateIndex = (h[2] >> 2) & 3;
        if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || versionBits == 1 || layerBits != 1 ||
            bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
            ok = false;
            break;
        }
        Mp3FrameHeader f;
        f.mpegVersion = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
        f.bitrateKbps = kBitrates[f.mpegVersion == 1 ? 0 : 1][bitrateIndex];
        f.sampleRate = kRates[rateIndex] / (f.mpegVersion == 1 ? 1 : f.mpegVersion == 2 ? 2 : 4);
        f.channels = (h[3] >> 6) == 3 ? 1 : 2;
        f.samples = f.mpegVersion == 1 ? 1152 : 576;
        const int padding = (h[2] >> 1) & 1;
        f.length = static_cast<std::size_t>((f.samples / 8) * f.bitrateKbps * 1000 / f.sampleRate +
                                            padding);
        f.offset = at;
        if (at + f.length > bytes.size()) {
            ok = false;
            break;
        }
        frames.push_back(f);
        at += f.length;
    }
    if (complete)
        *complete = ok;
    return frames;
}

bool HasVbrTag(const std::string& bytes) {
    const auto frames = ParseMp3Frames(bytes);
    if (frames.empty())
        return false;
    const std::string first = bytes.substr(frames[0].offset, frames[0].length);
    return first.find("Xing") != std::string::npos || first.find("Info") != std::string::npos;
}
