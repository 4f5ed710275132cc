#pragma once
// Reading back what a voice or a writer produced: WAV files (header and
// samples), and the measures the tests compare: duration, loudness, the
// voice's fundamental frequency, quiet stretches and the spectrum.

#include "platform/audio/mmreg.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

struct WavContents {
    WAVEFORMATEX format{};
    std::uint32_t riffSize = 0;
    std::uint32_t dataSize = 0; // as the header says
    std::uint64_t fileSize = 0;
    std::vector<std::uint8_t> data;
    // The data as 16-bit samples (empty for other sample sizes).
    std::vector<std::int16_t> samples;
    // The RIFF and data sizes agree with the file's length.
    bool complete = false;

    double Seconds() const;
};

// Nothing when the file is missing or not a RIFF/WAVE file with "fmt " and
// "data" chunks.
std::optional<WavContents> ReadWav(const std::filesystem::path& path);

// Mono samples scaled to -1..1 (8-bit unsigned or 16-bit signed, channels
// averaged).
std::vector<float> ToMono(const std::vector<std::uint8_t>& data, const WAVEFORMATEX& format);

double Seconds(std::size_t samples, unsigned rate);
double Rms(const std::vector<float>& samples);
// On the 16-bit scale.
double Rms(const std::vector<std::int16_t>& samples);
// The median fundamental frequency of the voiced parts, in Hz; 0 if none.
double MedianPitch(const std::vector<float>& samples, unsigned rate);

struct Stretch {
    std::size_t start = 0; // samples
    std::size_t length = 0;
};
// The longest run of samples below the threshold.
Stretch LongestQuiet(const std::vector<float>& samples, float threshold);

// The long-term spectrum of the samples, in decibels per band, and the mean
// distance between two of them: a few tenths of a decibel for the same voice
// saying the same words, several for other phones or another voice.
std::vector<double> Spectrum(const std::vector<float>& samples, unsigned rate);
double SpectralDistance(const std::vector<double>& a, const std::vector<double>& b);
