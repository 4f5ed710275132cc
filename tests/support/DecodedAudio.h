#pragma once
// Test helpers around audio files: decode one with FFmpeg and measure it, and
// make test signals and WAV files.

#include "platform/audio/mmreg.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct DecodedAudio {
    bool opened = false;
    std::string error;     // why it did not open, or the first decode error
    std::string codec;     // FFmpeg's decoder name, e.g. "wmav2"
    std::string container; // FFmpeg's demuxer name, e.g. "asf"
    int sampleRate = 0;
    int channels = 0;
    std::int64_t frames = 0;        // decoded samples per channel
    double seconds = 0;             // frames / sample rate
    double headerSeconds = 0;       // the duration the container declares
    double rms = 0;                 // over all channels, full scale 1.0
    std::vector<double> channelRms; // each channel's, full scale 1.0
    int decodeErrors = 0;

    // Opened and decoded to the end without an error.
    bool Ok() const { return opened && decodeErrors == 0; }
};

DecodedAudio DecodeAudioFile(const std::filesystem::path& path);

// `seconds` of a voice-like signal (a few tones and some noise, well below
// full scale) as PCM bytes in `format`.
std::vector<std::uint8_t> MakeTestSignal(const WAVEFORMATEX& format, double seconds);

// A PCM WAV file with a 16-byte format chunk.
void WriteWavFile(const std::string& path, const WAVEFORMATEX& format,
                  const std::vector<std::uint8_t>& data);
