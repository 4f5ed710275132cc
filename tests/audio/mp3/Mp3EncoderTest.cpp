#include "src/audio/Mp3Encoder.h"

#include "platform/com/strings.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "tests/fakes/FakeLameEnc.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavBytes.h"

#include <cstring>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Calls = std::vector<std::string>;

namespace {

class Mp3EncoderTest : public testing::Test {
protected:
    void SetUp() override {
        Mp3Encoder::SetLibraryPath(FAKE_LAME_ENC);
        FakeLame::Reset();
        mp3 = dir / "out.mp3";
    }
    void TearDown() override { Mp3Encoder::SetLibraryPath(""); }

    bool Open(Mp3Encoder& encoder, WAVEFORMATEX format, int kbps, int quality = 5, bool vbr = false,
              const fs::path& path = {}) {
        EXPECT_TRUE(encoder.loadLibrary());
        return ShowIfFailed(encoder.openStream(&format, kbps, quality, vbr,
                                               FromUtf8((path.empty() ? mp3 : path).string())));
    }
    const BE_CONFIG_LHV1& Config() const { return FakeLame::Recorded().config.format.LHV1; }

    ScratchFolder scratch;
    fs::path dir = scratch.Path(), mp3;
    RecordingMessageService messages;
};

template <typename T> void Put(std::vector<BYTE>& bytes, std::size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

TEST_F(Mp3EncoderTest, CbrConfigurationIsExactToTheByte) {
    Mp3Encoder encoder;
    ASSERT_TRUE(Open(encoder, MakePcmFormat(44100, 16, 2), 128, 5));

    std::vector<BYTE> expected(331, 0);
    Put<DWORD>(expected, 0, 256);
    Put<DWORD>(expected, 4, 1);
    Put<DWORD>(expected, 8, 331);
    Put<DWORD>(expected, 12, 44100);
    Put<LONG>(expected, 20, 0); // stereo
    Put<DWORD>(expected, 24, 128);
    Put<DWORD>(expected, 36, 1); // MPEG-1
    Put<BOOL>(expected, 60, 1);  // original
    Put<WORD>(expected, 92, 0xFA05);
    std::vector<BYTE> got(331);
    std::memcpy(got.data(), &FakeLame::Recorded().config, 331);
    EXPECT_EQ(got, expected);
    EXPECT_EQ(encoder.chunkBytes(), 1152u * 2 * 2);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(Mp3EncoderTest, VbrConfigurationKeepsTheBitRateAndLeavesQualityWordEmpty) {
    Mp3Encoder encoder;
    ASSERT_TRUE(Open(encoder, MakePcmFormat(48000, 16, 1), 96, 0, true));
    EXPECT_EQ(Config().bEnableVBR, 1);
    EXPECT_EQ(Config().nVBRQuality, 0);
    EXPECT_EQ(Config().nQuality, 0);
    EXPECT_EQ(Config().nVbrMethod, VBR_METHOD_DEFAULT);
    EXPECT_EQ(Config().dwBitrate, 96u);
    EXPECT_EQ(Config().nMode, BE_MP3_MODE_MONO);
    EXPECT_EQ(Config().bWriteVBRHeader, 1);

    FakeLame::Reset();
    ASSERT_TRUE(Open(encoder, MakePcmFormat(16000, 16, 2), 64, 7, true));
    EXPECT_EQ(Config().nVBRQuality, 7);
    EXPECT_EQ(Config().dwMpegVersion, MPEG2);

    FakeLame::Reset();
    ASSERT_TRUE(Open(encoder, MakePcmFormat(22050, 16, 1), 32, 2, false));
    EXPECT_EQ(Config().nQuality, 0xFD02);
    EXPECT_EQ(Config().bEnableVBR, 0);
    EXPECT_EQ(Config().bWriteVBRHeader, 0);
    EXPECT_EQ(Config().nVBRQuality, 0);
}

TEST_F(Mp3EncoderTest, ChannelCountsOtherThanOneOrTwoAskForJointStereo) {
    Mp3Encoder encoder;
    WAVEFORMATEX quad = MakePcmFormat(44100, 16, 2);
    quad.nChannels = 4;
    ASSERT_TRUE(Open(encoder, quad, 128));
    EXPECT_EQ(Config().nMode, BE_MP3_MODE_JSTEREO);
}

TEST_F(Mp3EncoderTest, SampleRateAndBitRateTables) {
    const int mpeg2Rates[] = {8000, 11025, 12000, 16000, 22050, 24000};
    const int mpeg1Rates[] = {32000, 44100, 48000};
    const int always[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160};
    const int mpeg2Only[] = {8, 16, 24, 144};
    const int mpeg1Only[] = {192, 224, 256, 320};
    const int never[] = {0, -128, 12, 100, 384, 1000};

    auto accepted = [&](int rate, int kbps) {
        Mp3Encoder encoder;
        FakeLame::Reset();
        messages.Clear();
        const bool ok = Open(encoder, MakePcmFormat(static_cast<DWORD>(rate), 16, 1), kbps);
        if (ok) {
            EXPECT_EQ(Config().dwBitrate, static_cast<DWORD>(kbps));
            EXPECT_EQ(Config().dwSampleRate, static_cast<DWORD>(rate));
            EXPECT_EQ(Config().dwMpegVersion, rate >= 32000 ? MPEG1 : MPEG2);
            EXPECT_TRUE(messages.Boxes().empty());
        } else {
            EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_BITRATE});
            EXPECT_EQ(FakeLame::Recorded().calls, Calls{"beVersion"})
                << "no stream for a refused rate";
        }
        return ok;
    };
    for (int rate : mpeg2Rates) {
        for (int kbps : always)
            EXPECT_TRUE(accepted(rate, kbps)) << rate << " " << kbps;
        for (int kbps : mpeg2Only)
            EXPECT_TRUE(accepted(rate, kbps)) << rate << " " << kbps;
        for (int kbps : mpeg1Only)
            EXPECT_FALSE(accepted(rate, kbps)) << rate << " " << kbps;
        for (int kbps : never)
            EXPECT_FALSE(accepted(rate, kbps)) << rate << " " << kbps;
    }
    for (int rate : mpeg1Rates) {
        for (int kbps : always)
            EXPECT_TRUE(accepted(rate, kbps)) << rate << " " << kbps;
        for (int kbps : mpeg1Only)
            EXPECT_TRUE(accepted(rate, kbps)) << rate << " " << kbps;
        for (int kbps : mpeg2Only)
            EXPECT_FALSE(accepted(rate, kbps)) << rate << " " << kbps;
        for (int kbps : never)
            EXPECT_FALSE(accepted(rate, kbps)) << rate << " " << kbps;
    }

    for (DWORD rate : {96000u, 0u, 22000u, 44000u, 192000u}) {
        Mp3Encoder encoder;
        messages.Clear();
        EXPECT_FALSE(Open(encoder, MakePcmFormat(rate, 16, 2), 128)) << rate;
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_SAMPLE_RATE}) << rate;
    }
}

TEST_F(Mp3EncoderTest, EightBitSamplesAreWidenedAroundTheMidpoint) {
    Mp3Encoder encoder;
    ASSERT_TRUE(Open(encoder, MakePcmFormat(11025, 8, 1), 64));
    EXPECT_EQ(Config().dwMpegVersion, MPEG2);
    EXPECT_EQ(encoder.chunkBytes(), 1152u);
    const BYTE bytes[] = {0x80, 0x00, 0xFF, 0x01, 0x7F};
    ASSERT_TRUE(ShowIfFailed(encoder.encodeChunk(bytes, sizeof bytes)));
    EXPECT_EQ(FakeLame::Recorded().samples, (std::vector<short>{0, -32768, 32512, -32512, -256}));
    EXPECT_EQ(FakeLame::Recorded().sampleCounts, std::vector<DWORD>{5});
}

TEST_F(Mp3EncoderTest, SixteenBitChunksPassAsTheyAreAndDropAnOddLastByte) {
    Mp3Encoder encoder;
    ASSERT_TRUE(Open(encoder, MakePcmFormat(22050, 16, 2), 128));
    const std::string bytes = WavBytes::Samples16({1, -1, 32767, -32768}) + "\x7F";
    ASSERT_TRUE(
        ShowIfFailed(encoder.encodeChunk(bytes.data(), static_cast<std::uint32_t>(bytes.size()))));
    EXPECT_EQ(FakeLame::Recorded().samples, (std::vector<short>{1, -1, 32767, -32768}));
    EXPECT_EQ(FakeLame::Recorded().sampleCounts, std::vector<DWORD>{4});

    // The same bytes handed over at an odd address.
    std::vector<char> shifted(bytes.size() + 1);
    std::memcpy(shifted.data() + 1, bytes.data(), bytes.size());
    ASSERT_TRUE(ShowIfFailed(encoder.encodeChunk(shifted.data() + 1, 8)));
    EXPECT_EQ(FakeLame::Recorded().samples,
              (std::vector<short>{1, -1, 32767, -32768, 1, -1, 32767, -32768}));
}

TEST_F(Mp3EncoderTest, AChunkLongerThanTheLibraryTakesGoesInPieces) {
    FakeLame::Reset({.samplesPerCall = 8, .bufferSize = 64});
    Mp3Encoder encoder;
    ASSERT_TRUE(Open(encoder, MakePcmFormat(44100, 16, 2), 128));
    ASSERT_EQ(encoder.chunkBytes(), 16u);
    std::vector<short> samples(20);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<short>(i * 100);
    ASSERT_TRUE(ShowIfFailed(encoder.encodeChunk(samples.data(), 40)));
    EXPECT_EQ(FakeLame::Recorded().sampleCounts, (std::vector<DWORD>{8, 8, 4}));
    EXPECT_EQ(FakeLame::Recorded().samples, samples);
}

TEST_F(Mp3EncoderTest, TheFileIsExactlyTheLibrarysBytesWithNoTag) {
    Mp3Encoder encoder;
    ASSERT_TRUE(Open(encoder, MakePcmFormat(44100, 16, 2), 128));
    const std::vector<short> chunk(2304, 7);
    ASSERT_TRUE(ShowIfFailed(encoder.encodeChunk(chunk.data(), 4608)));
    ASSERT_TRUE(ShowIfFailed(encoder.encodeChunk(chunk.data(), 10)));
    ASSERT_TRUE(ShowIfFailed(encoder.closeStream()));
    EXPECT_EQ(ReadAll(mp3), "frame|frame|tail");
    EXPECT_EQ(FakeLame::Recorded().calls,
              (Calls{"beVersion", "beInitStream", "beEncodeChunk", "beEncodeChunk",
                     "beDeinitStream", "beCloseStream"}));
    EXPECT_EQ(encoder.chunkBytes(), 0u);
    EXPECT_TRUE(messages.Boxes().empty());

    // Nothing left to close: harmless, and the library is not called again.
    EXPECT_TRUE(ShowIfFailed(encoder.closeStream()));
    EXPECT_EQ(FakeLame::Recorded().calls.size(), 6u);

    // A VBR file gets its header frame once the file is closed.
    FakeLame::Reset();
    ASSERT_TRUE(Open(encoder, MakePcmFormat(44100, 16, 2), 128, 5, true));
    ASSERT_TRUE(ShowIfFailed(encoder.closeStream()));
    EXPECT_EQ(FakeLame::Recorded().calls,
              (Calls{"beInitStream", "beDeinitStream", "beCloseStream", "beWriteVBRHeader"}));
}

TEST_F(Mp3EncoderTest, LibraryLoading) {
    {
        Mp3Encoder encoder;
        EXPECT_FALSE(encoder.isLoaded());
        EXPECT_TRUE(ShowIfFailed(encoder.closeStream())); // never opened
        ASSERT_TRUE(encoder.loadLibrary());
        EXPECT_TRUE(encoder.isLoaded());
        EXPECT_TRUE(encoder.loadLibrary());
        EXPECT_EQ(FakeLame::Recorded().calls, Calls{"beVersion"}); // once
        encoder.unloadLibrary();
        EXPECT_FALSE(encoder.isLoaded());
    }
    {
        Mp3Encoder::SetLibraryPath(FAKE_LAME_ENC_NO_INFO_TAG);
        Mp3Encoder encoder;
        EXPECT_TRUE(encoder.loadLibrary());
    }
    {
        Mp3Encoder::SetLibraryPath(FAKE_LAME_ENC_NO_VBR_HEADER);
        Mp3Encoder encoder;
        EXPECT_FALSE(encoder.loadLibrary());
        EXPECT_FALSE(encoder.isLoaded());
        encoder.unloadLibrary();
    }
    {
        Mp3Encoder::SetLibraryPath((dir / "absent" / "liblame_enc.so").string());
        Mp3Encoder encoder;
        EXPECT_FALSE(encoder.loadLibrary());
        WAVEFORMATEX format = MakePcmFormat(44100, 16, 2);
        EXPECT_FALSE(
            ShowIfFailed(encoder.openStream(&format, 128, 5, false, FromUtf8(mp3.string()))));
    }
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_OPEN_STREAM});
}

TEST_F(Mp3EncoderTest, OpenFailures) {
    {
        Mp3Encoder encoder;
        ASSERT_TRUE(encoder.loadLibrary());
        EXPECT_FALSE(
            ShowIfFailed(encoder.openStream(nullptr, 128, 5, false, FromUtf8(mp3.string()))));
        EXPECT_TRUE(messages.Boxes().empty());
    }
    {
        Mp3Encoder encoder;
        EXPECT_FALSE(Open(encoder, MakePcmFormat(44100, 16, 2), 128, 5, false,
                          dir / "no such folder" / "out.mp3"));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_CREATE_FILE});
    }
    messages.Clear();
    FakeLame::Reset({.failCall = "beInitStream"});
    {
        Mp3Encoder encoder;
        EXPECT_FALSE(Open(encoder, MakePcmFormat(44100, 16, 2), 128));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_OPEN_STREAM});
    }
    // A failed start leaves no stream to close.
    EXPECT_EQ(FakeLame::Recorded().calls, (Calls{"beVersion", "beInitStream"}));
}

TEST_F(Mp3EncoderTest, EncodeAndCloseFailures) {
    const std::vector<short> chunk(2304, 1);
    FakeLame::Reset({.failCall = "beEncodeChunk"});
    {
        Mp3Encoder encoder;
        ASSERT_TRUE(Open(encoder, MakePcmFormat(44100, 16, 2), 128));
        EXPECT_FALSE(ShowIfFailed(encoder.encodeChunk(chunk.data(), 100)));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_ENCODE});
        EXPECT_FALSE(ShowIfFailed(encoder.encodeChunk(nullptr, 100)));
    }
    // Giving up the encoder after a reported failure ends the stream quietly.
    EXPECT_EQ(FakeLame::Recorded().calls.back(), "beCloseStream");
    EXPECT_EQ(messages.Ids().size(), 1u);

    messages.Clear();
    FakeLame::Reset({.failCall = "beDeinitStream"});
    {
        Mp3Encoder encoder;
        ASSERT_TRUE(Open(encoder, MakePcmFormat(44100, 16, 2), 128));
        EXPECT_FALSE(ShowIfFailed(encoder.closeStream()));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_CLOSE_STREAM});
        EXPECT_EQ(FakeLame::Recorded().calls,
                  (Calls{"beVersion", "beInitStream", "beDeinitStream", "beCloseStream"}));
    }
    EXPECT_EQ(FakeLame::Recorded().calls.size(), 4u) << "the stream is closed once";
}

TEST_F(Mp3EncoderTest, WriteFailuresGiveMp3Write) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    const std::vector<short> chunk(2304, 1);
    {
        Mp3Encoder encoder;
        ASSERT_TRUE(Open(encoder, MakePcmFormat(44100, 16, 2), 128, 5, false, "/dev/full"));
        EXPECT_FALSE(ShowIfFailed(encoder.encodeChunk(chunk.data(), 4608)));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_WRITE});
    }
    EXPECT_EQ(messages.Ids().size(), 1u);

    // The last bytes, from the flush, are lost: closing fails and says so.
    messages.Clear();
    FakeLame::Reset({.encodeOutput = ""});
    Mp3Encoder encoder;
    ASSERT_TRUE(Open(encoder, MakePcmFormat(44100, 16, 2), 128, 5, false, "/dev/full"));
    ASSERT_TRUE(ShowIfFailed(encoder.encodeChunk(chunk.data(), 4608)));
    EXPECT_FALSE(ShowIfFailed(encoder.closeStream()));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_WRITE});
    EXPECT_EQ(FakeLame::Recorded().calls.back(), "beCloseStream");
    for (const auto& box : messages.Boxes())
        EXPECT_EQ(box.type & MB_ICONMASK, MB_ICONERROR);
}

} // namespace
