// liblame_enc.so against the real libmp3lame: what it writes must decode with
// FFmpeg to the rate, channels, length and loudness that went in, frame by
// frame as configured.

#include "platform/lame_enc/BladeMP3EncDLL.h"
#include "tests/audio/mp3/Mp3Probe.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <new>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;

// The library's allocations come here too: the countdown makes the n-th one
// run out of memory.
static std::atomic<int> g_allocationsLeft{-1};

void* operator new(std::size_t size) {
    if (g_allocationsLeft >= 0 && g_allocationsLeft-- == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
// The replacement new takes its memory from malloc.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
#pragma GCC diagnostic pop

namespace {

struct Signal {
    int rate = 0;
    int channels = 0;
    std::vector<short> samples; // interleaved
    std::vector<double> rms;    // per channel
    std::int64_t Frames() const { return static_cast<std::int64_t>(samples.size()) / channels; }
};

// A second of quiet, tone and noise, the right channel a quarter of the left,
// so that a VBR encoder has reason to vary and a channel mix-up shows.
Signal MakeSignal(int rate, int channels, double seconds = 1.0) {
    Signal s{rate, channels, {}, std::vector<double>(static_cast<std::size_t>(channels))};
    const int n = static_cast<int>(rate * seconds);
    std::uint32_t noise = 12345;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double part = static_cast<double>(i) / n;
        double v;
        if (part < 0.3) {
            v = 0.001 * std::sin(2 * M_PI * 200 * t);
        } else if (part < 0.7) {
            v = 0.5 * std::sin(2 * M_PI * 440 * t);
        } else {
            noise = noise * 1664525u + 1013904223u;
            v = 0.3 * (static_cast<double>(noise >> 8) / (1 << 24) * 2 - 1);
        }
        for (int c = 0; c < channels; ++c) {
            const double x = c == 0 ? v : v / 4;
            s.samples.push_back(static_cast<short>(std::lround(x * 32767)));
            s.rms[static_cast<std::size_t>(c)] += x * x;
        }
    }
    for (double& r : s.rms)
        r = std::sqrt(r / n);
    return s;
}

BE_CONFIG LameConfig(int rate, LONG mode, int kbps, bool vbr = false, int quality = 5) {
    BE_CONFIG config{};
    config.dwConfig = BE_CONFIG_LAME;
    BE_CONFIG_LHV1& c = config.format.LHV1;
    c.dwStructVersion = 1;
    c.dwStructSize = sizeof(BE_CONFIG);
    c.dwSampleRate = static_cast<DWORD>(rate);
    c.nMode = mode;
    c.dwBitrate = static_cast<DWORD>(kbps);
    c.dwMpegVersion = rate >= 32000 ? MPEG1 : MPEG2;
    c.bOriginal = TRUE;
    if (vbr) {
        c.bEnableVBR = TRUE;
        c.nVBRQuality = quality;
    } else {
        c.nQuality = static_cast<WORD>(quality | (255 - quality) << 8);
    }
    return config;
}

class LameEncTest : public testing::Test {
protected:
    // Encodes the signal as the program does, one dwSamples chunk per call,
    // and writes the bytes to `file`. Returns the stream, still open, when
    // `keepOpen`; 0 otherwise.
    HBE_STREAM Encode(BE_CONFIG config, const Signal& signal, const fs::path& file,
                      bool keepOpen = false) {
        DWORD samplesPerCall = 0, bufferSize = 0;
        HBE_STREAM stream = 0;
        EXPECT_EQ(beInitStream(&config, &samplesPerCall, &bufferSize, &stream), BE_ERR_SUCCESSFUL);
        if (!stream)
            return 0;
        EXPECT_GE(bufferSize, samplesPerCall * 5 / 4 + 7200);
        lastSamplesPerCall = samplesPerCall;
        std::vector<BYTE> buffer(bufferSize);
        std::string bytes;
        for (std::size_t at = 0; at < signal.samples.size(); at += samplesPerCall) {
            const auto n = static_cast<DWORD>(
                std::min<std::size_t>(samplesPerCall, signal.samples.size() - at));
            std::vector<short> chunk(signal.samples.begin() + static_cast<long>(at),
                                     signal.samples.begin() + static_cast<long>(at + n));
            DWORD out = 0;
            EXPECT_EQ(beEncodeChunk(stream, n, chunk.data(), buffer.data(), &out),
                      BE_ERR_SUCCESSFUL);
            bytes.append(reinterpret_cast<char*>(buffer.data()), out);
        }
        DWORD out = 0;
        EXPECT_EQ(beDeinitStream(stream, buffer.data(), &out), BE_ERR_SUCCESSFUL);
        bytes.append(reinterpret_cast<char*>(buffer.data()), out);
        WriteAll(file, bytes);
        if (keepOpen)
            return stream;
        EXPECT_EQ(beCloseStream(stream), BE_ERR_SUCCESSFUL);
        return 0;
    }

    // Decodes `file` and checks it against what went in.
    void ExpectDecodesLike(const fs::path& file, const Signal& signal, int frameSamples,
                           int outRate = 0) {
        const DecodedAudio decoded = DecodeAudioFile(file);
        ASSERT_TRUE(decoded.Ok()) << decoded.error;
        if (!outRate)
            outRate = signal.rate;
        EXPECT_EQ(decoded.sampleRate, outRate);
        ASSERT_EQ(decoded.channels, signal.channels);
        // LAME's fixed delay (576 encoder + 529 decoder samples) comes in
        // front; beyond that the length may only round up to a whole frame.
        const std::int64_t frames = signal.Frames() * outRate / signal.rate;
        EXPECT_GE(decoded.frames, frames);
        EXPECT_LE(decoded.frames, frames + 1105 + frameSamples);
        for (int c = 0; c < signal.channels; ++c) {
            const double in = signal.rms[static_cast<std::size_t>(c)];
            const double out = decoded.channelRms[static_cast<std::size_t>(c)];
            EXPECT_GT(out, in * 0.3) << "channel " << c;
            EXPECT_LT(out, in * 1.5) << "channel " << c;
        }
        if (signal.channels == 2) {
            EXPECT_GT(decoded.channelRms[0], decoded.channelRms[1] * 2)
                << "channels swapped or mixed";
        }
    }

    ScratchFolder scratch;
    fs::path dir = scratch.Path();
    DWORD lastSamplesPerCall = 0;
};

const int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

TEST_F(LameEncTest, CbrAtEveryRateAndModeDecodesWithEveryFrameAtTheChosenBitRate) {
    for (int rate : kRates) {
        const bool mpeg1 = rate >= 32000;
        for (LONG mode : {BE_MP3_MODE_MONO, BE_MP3_MODE_STEREO, BE_MP3_MODE_JSTEREO}) {
            const int channels = mode == BE_MP3_MODE_MONO ? 1 : 2;
            for (int kbps : mpeg1 ? std::vector<int>{64, 320} : std::vector<int>{8, 64, 160}) {
                SCOPED_TRACE(testing::Message()
                             << rate << " Hz, mode " << mode << ", " << kbps << " kbps");
                const Signal signal = MakeSignal(rate, channels);
                const fs::path file = dir / "cbr.mp3";
                Encode(LameConfig(rate, mode, kbps), signal, file);
                const int frameSamples = mpeg1 ? 1152 : 576;
                // MPEG-2.5 goes up to 64 kbps in LAME: above that the library
                // writes MPEG-2 at twice the rate rather than lower the bit rate.
                const int outRate = rate < 16000 && kbps > 64 ? rate * 2 : rate;
                EXPECT_EQ(lastSamplesPerCall, static_cast<DWORD>(frameSamples * channels));

                const std::string bytes = ReadAll(file);
                bool complete = false;
                const auto frames = ParseMp3Frames(bytes, &complete);
                EXPECT_TRUE(complete) << "the file is frames and nothing else";
                ASSERT_FALSE(frames.empty());
                EXPECT_FALSE(HasVbrTag(bytes));
                for (const auto& f : frames) {
                    EXPECT_EQ(f.bitrateKbps, kbps);
                    EXPECT_EQ(f.sampleRate, outRate);
                    EXPECT_EQ(f.channels, channels);
                    EXPECT_EQ(f.mpegVersion, mpeg1 ? 1 : outRate >= 16000 ? 2 : 25);
                }
                ExpectDecodesLike(file, signal, frameSamples, outRate);
            }
        }
    }
}

TEST_F(LameEncTest, VbrAtEveryRateVariesItsFrames) {
    for (int rate : kRates) {
        const bool mpeg1 = rate >= 32000;
        for (LONG mode : {BE_MP3_MODE_MONO, BE_MP3_MODE_STEREO}) {
            const int channels = mode == BE_MP3_MODE_MONO ? 1 : 2;
            SCOPED_TRACE(testing::Message() << rate << " Hz, mode " << mode);
            const Signal signal = MakeSignal(rate, channels);
            const fs::path file = dir / "vbr.mp3";
            Encode(LameConfig(rate, mode, mpeg1 ? 32 : 8, true, 2), signal, file);
            const std::string bytes = ReadAll(file);
            bool complete = false;
            const auto frames = ParseMp3Frames(bytes, &complete);
            EXPECT_TRUE(complete);
            EXPECT_FALSE(HasVbrTag(bytes));
            std::set<int> bitrates;
            for (const auto& f : frames)
                bitrates.insert(f.bitrateKbps);
            EXPECT_GT(bitrates.size(), 1u);
            ExpectDecodesLike(file, signal, mpeg1 ? 1152 : 576);
        }
    }
}

TEST_F(LameEncTest, QualitySettingsAreHonoured) {
    const Signal signal = MakeSignal(44100, 2, 2.0);
    auto encodeWith = [&](BE_CONFIG config) {
        Encode(config, signal, dir / "q.mp3");
        return ReadAll(dir / "q.mp3");
    };
    const std::string best = encodeWith(LameConfig(44100, BE_MP3_MODE_STEREO, 128, false, 0));
    const std::string poorest = encodeWith(LameConfig(44100, BE_MP3_MODE_STEREO, 128, false, 9));
    const std::string five = encodeWith(LameConfig(44100, BE_MP3_MODE_STEREO, 128, false, 5));
    EXPECT_NE(best, poorest);
    EXPECT_NE(best, five);
    // A quality word whose high byte is not the complement of its low byte
    // means the library's default, 5.
    BE_CONFIG unchecked = LameConfig(44100, BE_MP3_MODE_STEREO, 128, false, 0);
    unchecked.format.LHV1.nQuality = 0x0000;
    EXPECT_EQ(encodeWith(unchecked), five);

    const std::string vbrBest = encodeWith(LameConfig(44100, BE_MP3_MODE_STEREO, 32, true, 0));
    const std::string vbrPoorest = encodeWith(LameConfig(44100, BE_MP3_MODE_STEREO, 32, true, 9));
    EXPECT_GT(vbrBest.size(), vbrPoorest.size());
}

TEST_F(LameEncTest, MpegVersionIsHonoured) {
    const Signal signal = MakeSignal(22050, 1);
    BE_CONFIG config = LameConfig(22050, BE_MP3_MODE_MONO, 64);
    config.format.LHV1.dwMpegVersion = MPEG1;
    Encode(config, signal, dir / "v.mp3");
    const auto frames = ParseMp3Frames(ReadAll(dir / "v.mp3"));
    ASSERT_FALSE(frames.empty());
    EXPECT_EQ(frames[0].mpegVersion, 1);
    EXPECT_EQ(frames[0].sampleRate, 44100);
    EXPECT_EQ(lastSamplesPerCall, 1152u);
}

TEST_F(LameEncTest, TagsAreWrittenOnlyWhenAskedFor) {
    const Signal signal = MakeSignal(44100, 2);
    BE_CONFIG config = LameConfig(44100, BE_MP3_MODE_STEREO, 32, true, 4);
    config.format.LHV1.bWriteVBRHeader = TRUE;

    const fs::path info = dir / "info.mp3";
    HBE_STREAM stream = Encode(config, signal, info, true);
    ASSERT_NE(stream, 0u);
    EXPECT_FALSE(HasVbrTag(ReadAll(info))) << "the tag frame is blank until written";
    EXPECT_EQ(beWriteInfoTag(stream, info.c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_TRUE(HasVbrTag(ReadAll(info)));
    EXPECT_EQ(beCloseStream(stream), BE_ERR_INVALID_HANDLE) << "beWriteInfoTag closed it";

    const fs::path header = dir / "header.mp3";
    Encode(config, signal, header);
    EXPECT_EQ(beWriteVBRHeader(header.c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_TRUE(HasVbrTag(ReadAll(header)));
    EXPECT_EQ(beWriteVBRHeader(header.c_str()), BE_ERR_INVALID_HANDLE) << "written once";

    // Without bWriteVBRHeader there is no tag frame to fill.
    stream = Encode(LameConfig(44100, BE_MP3_MODE_STEREO, 128), signal, dir / "plain.mp3", true);
    EXPECT_NE(beWriteInfoTag(stream, (dir / "plain.mp3").c_str()), BE_ERR_SUCCESSFUL);
    EXPECT_FALSE(HasVbrTag(ReadAll(dir / "plain.mp3")));
}

TEST_F(LameEncTest, BadConfigurationsAndHandlesAreRefused) {
    DWORD samples = 0, size = 0;
    HBE_STREAM stream = 0;
    BE_CONFIG config = LameConfig(44100, BE_MP3_MODE_STEREO, 128);
    config.dwConfig = BE_CONFIG_MP3;
    EXPECT_EQ(beInitStream(&config, &samples, &size, &stream), BE_ERR_INVALID_FORMAT);
    config = LameConfig(44100, 7, 128);
    EXPECT_EQ(beInitStream(&config, &samples, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(beInitStream(nullptr, &samples, &size, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    EXPECT_EQ(stream, 0u);

    BYTE buffer[16];
    DWORD out = 0;
    short pcm[4] = {};
    EXPECT_EQ(beEncodeChunk(0x1234, 4, pcm, buffer, &out), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(beDeinitStream(0x1234, buffer, &out), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(beCloseStream(0x1234), BE_ERR_INVALID_HANDLE);

    // Out of memory at each allocation of a stream start in turn: no
    // exception crosses the C interface, and nothing is left half-made
    // (the leak checker of the sanitizer build sees the rest).
    config = LameConfig(44100, BE_MP3_MODE_STEREO, 128);
    BE_ERR result = BE_ERR_NO_MORE_HANDLES;
    int refusals = -1;
    for (int n = 0; result == BE_ERR_NO_MORE_HANDLES && n < 10; ++n) {
        ++refusals;
        stream = 0;
        g_allocationsLeft = n;
        result = beInitStream(&config, &samples, &size, &stream);
        g_allocationsLeft = -1;
        if (result == BE_ERR_NO_MORE_HANDLES) {
            EXPECT_EQ(stream, 0u);
        }
    }
    ASSERT_EQ(result, BE_ERR_SUCCESSFUL) << "a start with memory enough succeeds";
    EXPECT_GE(refusals, 2) << "the stream and its place in the list";
    EXPECT_EQ(beCloseStream(stream), BE_ERR_SUCCESSFUL);

    BE_VERSION version{};
    beVersion(&version);
    EXPECT_EQ(version.byMajorVersion, 3);
    EXPECT_GE(version.wYear, 2000);
    EXPECT_NE(std::string(version.zHomepage), "");
}

} // namespace
