#include "platform/audio/PcmConverter.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <vector>

namespace {

constexpr double kToneHz = 440.0;

// One second of a sine at half of full scale, in the given format.
std::vector<std::uint8_t> Sine(const WAVEFORMATEX& f, double seconds = 1.0) {
    std::vector<std::uint8_t> out;
    const auto frames = static_cast<std::size_t>(f.nSamplesPerSec * seconds);
    for (std::size_t i = 0; i < frames; ++i) {
        const double v = 0.5 * std::sin(2 * std::numbers::pi * kToneHz * static_cast<double>(i) /
                                        f.nSamplesPerSec);
        for (int c = 0; c < f.nChannels; ++c) {
            if (f.wBitsPerSample == 8) {
                out.push_back(static_cast<std::uint8_t>(std::lround(128 + 127 * v)));
            } else {
                const auto s = static_cast<std::int16_t>(std::lround(32767 * v));
                out.push_back(static_cast<std::uint8_t>(s & 0xFF));
                out.push_back(static_cast<std::uint8_t>((s >> 8) & 0xFF));
            }
        }
    }
    return out;
}

// The samples of one channel, scaled to -1..1.
std::vector<double> Channel(const std::vector<std::uint8_t>& bytes, const WAVEFORMATEX& f, int c) {
    std::vector<double> out;
    for (std::size_t at = 0; at + f.nBlockAlign <= bytes.size(); at += f.nBlockAlign) {
        if (f.wBitsPerSample == 8) {
            out.push_back((bytes[at + c] - 128) / 128.0);
        } else {
            const std::size_t i = at + 2 * static_cast<std::size_t>(c);
            out.push_back(static_cast<std::int16_t>(bytes[i] | bytes[i + 1] << 8) / 32768.0);
        }
    }
    return out;
}

int ZeroCrossings(const std::vector<double>& samples) {
    int count = 0;
    for (std::size_t i = 1; i < samples.size(); ++i)
        if ((samples[i - 1] < 0) != (samples[i] < 0))
            ++count;
    return count;
}

double Peak(const std::vector<double>& samples) {
    double peak = 0;
    for (double s : samples)
        peak = std::max(peak, std::abs(s));
    return peak;
}

// Feeds the input in awkward blocks (cutting frames in two) and flushes.
std::vector<std::uint8_t> ConvertAll(PcmConverter& converter, const std::vector<std::uint8_t>& in) {
    std::vector<std::uint8_t> out;
    std::size_t at = 0;
    std::size_t block = 1;
    while (at < in.size()) {
        const std::size_t n = std::min(block, in.size() - at);
        EXPECT_EQ(converter.Convert(in.data() + at, n, out), S_OK);
        at += n;
        block = block * 3 + 1;
    }
    EXPECT_EQ(converter.Flush(out), S_OK);
    return out;
}

struct Case {
    WAVEFORMATEX from;
    WAVEFORMATEX to;
};

class PcmConverterFormats : public ::testing::TestWithParam<Case> {};

} // namespace

// Length, pitch and level survive every kind of change: rate both ways,
// sample size both ways, mono to stereo and back.
TEST_P(PcmConverterFormats, KeepsDurationFrequencyAndLevel) {
    const Case c = GetParam();
    PcmConverter converter;
    ASSERT_EQ(converter.Open(c.from, c.to), S_OK);
    const auto out = ConvertAll(converter, Sine(c.from));

    EXPECT_EQ(out.size() % c.to.nBlockAlign, 0u);
    const double frames = static_cast<double>(out.size() / c.to.nBlockAlign);
    EXPECT_NEAR(frames, c.to.nSamplesPerSec, 4);

    for (int ch = 0; ch < c.to.nChannels; ++ch) {
        SCOPED_TRACE(ch);
        const auto samples = Channel(out, c.to, ch);
        // Two crossings per cycle over one second.
        EXPECT_NEAR(ZeroCrossings(samples) / 2.0, kToneHz, 3);
        EXPECT_NEAR(Peak(samples), 0.5, 0.03);
    }
    if (c.to.nChannels == 2) {
        EXPECT_EQ(Channel(out, c.to, 0), Channel(out, c.to, 1));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, PcmConverterFormats,
    ::testing::Values(Case{MakePcmFormat(22050, 16, 1), MakePcmFormat(8000, 8, 2)},
                      Case{MakePcmFormat(22050, 16, 1), MakePcmFormat(48000, 16, 2)},
                      Case{MakePcmFormat(44100, 16, 2), MakePcmFormat(11025, 16, 1)},
                      Case{MakePcmFormat(8000, 8, 1), MakePcmFormat(16000, 16, 1)},
                      Case{MakePcmFormat(16000, 16, 1), MakePcmFormat(16000, 16, 1)}));

TEST(PcmConverterTest, RefusesWhatItCannotConvert) {
    const WAVEFORMATEX good = MakePcmFormat(22050, 16, 1);
    WAVEFORMATEX nonPcm = good;
    nonPcm.wFormatTag = 3;
    WAVEFORMATEX badAlign = good;
    badAlign.nBlockAlign = 4;
    const WAVEFORMATEX refused[] = {MakePcmFormat(22050, 24, 1),
                                    MakePcmFormat(22050, 16, 3),
                                    MakePcmFormat(96000, 16, 2),
                                    MakePcmFormat(4000, 8, 1),
                                    MakePcmFormat(22050, 16, 0),
                                    nonPcm,
                                    badAlign};
    PcmConverter converter;
    for (const WAVEFORMATEX& f : refused) {
        EXPECT_EQ(converter.Open(good, f), E_INVALIDARG);
        EXPECT_EQ(converter.Open(f, good), E_INVALIDARG);
    }
    std::vector<std::uint8_t> out;
    const std::uint8_t sample[2] = {};
    EXPECT_EQ(converter.Convert(sample, sizeof sample, out), E_UNEXPECTED);
    EXPECT_EQ(converter.Flush(out), E_UNEXPECTED);
    EXPECT_TRUE(out.empty());
}

TEST(PcmConverterTest, StartsAfreshAfterFlush) {
    const WAVEFORMATEX from = MakePcmFormat(22050, 16, 1);
    const WAVEFORMATEX to = MakePcmFormat(8000, 16, 1);
    PcmConverter converter;
    ASSERT_EQ(converter.Open(from, to), S_OK);
    const auto input = Sine(from, 0.5);
    const auto first = ConvertAll(converter, input);
    // A byte left over from a cut frame of the first stream must not shift the second.
    std::vector<std::uint8_t> out;
    ASSERT_EQ(converter.Convert(input.data(), 1, out), S_OK);
    ASSERT_EQ(converter.Flush(out), S_OK);
    EXPECT_TRUE(out.empty());
    const auto second = ConvertAll(converter, input);
    EXPECT_EQ(first, second);
}
