#pragma once
// Reads an MP3 file's frame headers back for tests, one by one.

#include <cstdint>
#include <string>
#include <vector>

struct Mp3FrameHeader {
    int mpegVersion = 0; // 1, 2, or 25 for MPEG-2.5
    int bitrateKbps = 0;
    int sampleRate = 0;
    int channels = 0;
    int samples = 0; // per channel
    std::size_t offset = 0;
    std::size_t length = 0;
};

// The frames from the first byte on. `complete` turns false at the first byte
// that does not start a valid layer III frame, or at a frame cut short.
std::vector<Mp3FrameHeader> ParseMp3Frames(const std::string& bytes, bool* complete = nullptr);

// A Xing or Info tag in the first frame, as a VBR header would leave it.
bool HasVbrTag(const std::string& bytes);
