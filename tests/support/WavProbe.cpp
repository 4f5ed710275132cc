#include "tests/support/WavProbe.h"

#include "tests/support/FileBytes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

std::uint32_t U32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

} // namespace

std::optional<WavContents> ReadWav(const std::filesystem::path& path) {
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) ||
        std::memcmp(&bytes[8], "WAVE", 4))
        return std::nullopt;
    WavContents wav;
    wav.fileSize = bytes.size();
    wav.riffSize = U32(&bytes[4]);
    bool haveFormat = false;
    for (std::size_t pos = 12; pos + 8 <= bytes.size();) {
        std::uint32_t size = U32(&bytes[pos + 4]);
        const std::uint8_t* body = &bytes[pos + 8];
        if (!std::memcmp(&bytes[pos], "fmt ", 4) && size >= 16 && pos + 8 + 16 <= bytes.size()) {
            wav.format = WAVEFORMATEX{U16(body),
                                      U16(body + 2),
                                      U32(body + 4),
                                      U32(body + 8),
                                      U16(body + 12),
                                      U16(body + 14),
                                      0};
            haveFormat = true;
        } else if (!std::memcmp(&bytes[pos], "data", 4)) {
            wav.dataSize = size;
            std::size_t available = std::min<std::size_t>(size, bytes.size() - pos - 8);
            wav.data.assign(body, body + available);
            if (wav.format.wBitsPerSample == 16)
                for (std::size_t i = 0; i + 1 < available; i += 2)
                    wav.samples.push_back(static_cast<std::int16_t>(U16(body + i)));
            wav.complete = available == size && wav.riffSize + 8ull == wav.fileSize;
            return haveFormat ? std::optional(wav) : std::nullopt;
        }
        pos += 8 + size + (size & 1);
    }
    return std::nullopt;
}

std::vector<float> ToMono(const std::vector<std::uint8_t>& data, const WAVEFORMATEX& format) {
    std::vector<float> out;
    const std::size_t frame = format.nBlockAlign;
    for (std::size_t at = 0; frame && at + frame <= data.size(); at += frame) {
        float sum = 0;
        for (int ch = 0; ch < format.nChannels; ++ch) {
            if (format.wBitsPerSample == 8)
                sum += (data[at + ch] - 128) / 128.0f;
            else
                sum += static_cast<std::int16_t>(U16(&data[at + 2 * ch])) / 32768.0f;
        }
        out.push_back(sum / format.nChannels);
    }
    return out;
}

double WavContents::Seconds() const {
    return format.nBlockAlign && format.nSamplesPerSec
               ? static_cast<double>(data.size() / format.nBlockAlign) / format.nSamplesPerSec
               : 0.0;
}

double Seconds(std::size_t samples, unsigned rate) {
    return static_cast<double>(samples) / rate;
}

double Rms(const std::vector<float>& samples) {
    double sum = 0;
    for (float s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / samples.size());
}

double Rms(const std::vector<std::int16_t>& samples) {
    double sum = 0;
    for (std::int16_t s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / samples.size());
}

double MedianPitch(const std::vector<float>& samples, unsigned rate) {
    const std::size_t frame = rate * 40 / 1000, hop = rate * 20 / 1000;
    const std::size_t minLag = rate / 400, maxLag = rate / 50;
    if (samples.size() < frame + maxLag)
        return 0;
    double loudest = 0;
    for (std::size_t at = 0; at + frame + maxLag <= samples.size(); at += hop)
        loudest = std::max(
            loudest, Rms(std::vector<float>(samples.begin() + at, samples.begin() + at + frame)));
    std::vector<double> pitches;
    for (std::size_t at = 0; at + frame + maxLag <= samples.size(); at += hop) {
        const float* x = &samples[at];
        double energy = 0;
        for (std::size_t i = 0; i < frame; ++i)
            energy += double(x[i]) * x[i];
        if (std::sqrt(energy / frame) < 0.3 * loudest)
            continue;
        double best = 0;
        std::size_t bestLag = 0;
        for (std::size_t lag = minLag; lag <= maxLag; ++lag) {
            double dot = 0, shifted = 0;
            for (std::size_t i = 0; i < frame; ++i) {
                dot += double(x[i]) * x[i + lag];
                shifted += double(x[i + lag]) * x[i + lag];
            }
            double r = dot / std::sqrt(energy * shifted + 1e-12);
            if (r > best) {
                best = r;
                bestLag = lag;
            }
        }
        if (best > 0.6)
            pitches.push_back(double(rate) / bestLag);
    }
    if (pitches.empty())
        return 0;
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    return pitches[pitches.size() / 2];
}

Stretch LongestQuiet(const std::vector<float>& samples, float threshold) {
    Stretch longest, current;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) >= threshold) {
            current = {i + 1, 0};
            continue;
        }
        if (++current.length > longest.length)
            longest = current;
    }
    return longest;
}

std::vector<double> Spectrum(const std::vector<float>& samples, unsigned rate) {
    // 24 bands, a third of an octave apart from 150 Hz, each the mean power
    // of its centre frequency over the frames, in decibels.
    constexpr int kBands = 24;
    const std::size_t frame = rate * 32 / 1000;
    std::vector<double> power(kBands, 0.0);
    std::size_t frames = 0;
    for (std::size_t at = 0; at + frame <= samples.size(); at += frame / 2, ++frames) {
        for (int b = 0; b < kBands; ++b) {
            double w = 2 * M_PI * 150 * std::pow(2.0, b / 3.0) / rate;
            double re = 0, im = 0;
            for (std::size_t i = 0; i < frame; ++i) {
                double hann = 0.5 - 0.5 * std::cos(2 * M_PI * i / frame);
                re += samples[at + i] * hann * std::cos(w * i);
                im += samples[at + i] * hann * std::sin(w * i);
            }
            power[b] += re * re + im * im;
        }
    }
    for (auto& p : power)
        p = 10 * std::log10(p / std::max<std::size_t>(frames, 1) + 1e-12);
    return power;
}

double SpectralDistance(const std::vector<double>& a, const std::vector<double>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
        sum += std::abs(a[i] - b[i]);
    return a.empty() ? 0 : sum / a.size();
}
