// The WAV-to-MP3 conversion end to end: with the real liblame_enc.so found
// next to the test, and with the fake library for what LAME cannot be made
// to do.

#include "platform/com/strings.h"
#include "src/audio/Conversion.h"
#include "src/audio/Mp3Encoder.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "tests/audio/mp3/Mp3Probe.h"
#include "tests/fakes/FakeLameEnc.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/FailingReads.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavBytes.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace WavBytes;

namespace {

std::string Sine(int rate, int channels, int bits, double seconds) {
    const int n = static_cast<int>(rate * seconds);
    std::string out;
    for (int i = 0; i < n; ++i) {
        const double v = 0.5 * std::sin(2 * M_PI * 440 * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8)
                out += static_cast<char>(static_cast<int>(std::lround(128 + v * 127)));
            else
                out += Le16(static_cast<std::uint16_t>(static_cast<std::int16_t>(v * 32767)));
        }
    }
    return out;
}

class Mp3ConversionTest : public testing::Test {
protected:
    void SetUp() override {
        wav = dir / "talk.mp3.wav";
        mp3 = dir / "talk.mp3";
    }
    void TearDown() override { Mp3Encoder::SetLibraryPath(""); }

    // 1 or 0, the message of a failure shown as the worker shows it.
    int Convert(int kbps = 128, int quality = 5, bool vbr = false) {
        return ShowIfFailed(
            convertWavToMp3(FromUtf8(wav.string()), FromUtf8(mp3.string()), kbps, quality, vbr));
    }

    ScratchFolder scratch;
    fs::path dir = scratch.Path(), wav, mp3;
    RecordingMessageService messages;
};

TEST_F(Mp3ConversionTest, GeneratedWavsBecomeMp3sThatDecodeToTheSameAudio) {
    struct Case {
        int rate, channels, bits, kbps;
        bool vbr;
    };
    for (Case c : {Case{22050, 1, 16, 64, false}, Case{44100, 2, 16, 128, false},
                   Case{11025, 1, 8, 32, false}, Case{48000, 2, 8, 160, true},
                   Case{16000, 1, 16, 24, true}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz " << c.bits << " bit " << c.channels
                                        << " ch " << c.kbps << " kbps");
        const double seconds = 1.5;
        WriteAll(wav,
                 PcmFile(static_cast<std::uint32_t>(c.rate), static_cast<std::uint16_t>(c.bits),
                         static_cast<std::uint16_t>(c.channels),
                         Sine(c.rate, c.channels, c.bits, seconds)));
        ASSERT_EQ(Convert(c.kbps, 5, c.vbr), 1);
        EXPECT_TRUE(messages.Boxes().empty());

        const std::string bytes = ReadAll(mp3);
        bool complete = false;
        const auto frames = ParseMp3Frames(bytes, &complete);
        EXPECT_TRUE(complete);
        EXPECT_EQ(HasVbrTag(bytes), c.vbr) << "a VBR file starts with its header frame";
        ASSERT_FALSE(frames.empty());
        if (!c.vbr) {
            EXPECT_EQ(frames[0].bitrateKbps, c.kbps);
        }

        const DecodedAudio decoded = DecodeAudioFile(mp3);
        ASSERT_TRUE(decoded.Ok()) << decoded.error;
        EXPECT_EQ(decoded.sampleRate, c.rate);
        EXPECT_EQ(decoded.channels, c.channels);
        const auto inFrames = static_cast<std::int64_t>(c.rate * seconds);
        EXPECT_GE(decoded.frames, inFrames);
        EXPECT_LE(decoded.frames, inFrames + 1105 + frames[0].samples);
        for (double rms : decoded.channelRms)
            EXPECT_NEAR(rms, 0.5 / std::sqrt(2.0), 0.08);
    }
}

// Players read a VBR file's length from its header frame; without one they
// guess it from the first frame's bit rate. What they report must be the
// audio the frames carry, within one frame.
TEST_F(Mp3ConversionTest, VbrFilesReportTheLengthOfTheirFrames) {
    for (int rate : {8000, 16000, 22050, 44100, 48000}) {
        SCOPED_TRACE(testing::Message() << rate << " Hz");
        std::string audio = Sine(rate, 2, 16, 3.0);
        audio += std::string(audio.size(), '\0'); // silence: the bit rate varies
        WriteAll(wav, PcmFile(static_cast<std::uint32_t>(rate), 16, 2, audio));
        ASSERT_EQ(Convert(32, 0, true), 1);
        const DecodedAudio decoded = DecodeAudioFile(mp3);
        ASSERT_TRUE(decoded.Ok()) << decoded.error;
        const auto frames = ParseMp3Frames(ReadAll(mp3));
        ASSERT_GT(frames.size(), 2u);
        std::int64_t carried = 0;
        for (std::size_t i = 1; i < frames.size(); ++i) // the first is the header
            carried += frames[i].samples;
        const double frameSeconds = static_cast<double>(frames[0].samples) / rate;
        EXPECT_NEAR(decoded.headerSeconds, static_cast<double>(carried) / rate, frameSeconds);
    }
}

// A worker given up while converting stops at its next chunk, silently; the
// output it had opened is for the worker to remove.
TEST_F(Mp3ConversionTest, AnAbandonedConversionStopsWithoutAMessage) {
    WriteAll(wav, PcmFile(22050, 16, 1, Sine(22050, 1, 16, 1.0)));
    std::atomic<bool> abandon{true};
    ConversionControl control{&abandon};
    EXPECT_EQ(ShowIfFailed(convertWavToMp3(FromUtf8(wav.string()), FromUtf8(mp3.string()), 64, 5,
                                           false, &control)),
              0);
    EXPECT_TRUE(messages.Ids().empty());
    EXPECT_TRUE(control.outputTouched);

    // A refusal before the output is opened leaves a file of the user's alone.
    abandon = false;
    WriteAll(mp3, "the user's own");
    EXPECT_EQ(ShowIfFailed(convertWavToMp3(FromUtf8(wav.string()), FromUtf8(mp3.string()), 192, 5,
                                           false, &control)),
              0);
    EXPECT_FALSE(control.outputTouched);
    EXPECT_EQ(ReadAll(mp3), "the user's own");
}

TEST_F(Mp3ConversionTest, SpeechFromEspeakNg) {
    if (std::system("command -v espeak-ng >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "espeak-ng is not installed";
    ASSERT_EQ(std::system(("espeak-ng -w '" + wav.string() +
                           "' 'The quick brown fox jumps over the lazy dog.' 2>/dev/null")
                              .c_str()),
              0);
    ASSERT_EQ(Convert(64, 2, false), 1);
    const DecodedAudio decoded = DecodeAudioFile(mp3);
    ASSERT_TRUE(decoded.Ok()) << decoded.error;
    EXPECT_EQ(decoded.sampleRate, 22050);
    EXPECT_EQ(decoded.channels, 1);
    EXPECT_GT(decoded.frames, 22050); // more than a second of speech
    EXPECT_GT(decoded.channelRms[0], 0.01);
}

TEST_F(Mp3ConversionTest, FailuresShowOneMessageAndGiveZero) {
    WriteAll(wav, PcmFile(22050, 16, 1, Sine(22050, 1, 16, 0.2)));

    Mp3Encoder::SetLibraryPath((dir / "gone" / "liblame_enc.so").string());
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_INIT});
    Mp3Encoder::SetLibraryPath("");

    messages.Clear();
    EXPECT_EQ(Convert(192), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_BITRATE});

    messages.Clear();
    WriteAll(wav, PcmFile(96000, 16, 2, Sine(96000, 2, 16, 0.1)));
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_SAMPLE_RATE});
    EXPECT_FALSE(fs::exists(mp3)) << "a refused rate leaves no MP3 file";

    messages.Clear();
    WriteAll(wav, "RIFF....WAVEdata");
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_CORRUPT});

    messages.Clear();
    fs::remove(wav);
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_OPEN});
    for (const auto& box : messages.Boxes())
        EXPECT_EQ(box.type & MB_ICONMASK, MB_ICONERROR);
}

TEST_F(Mp3ConversionTest, AReadErrorInTheMiddleOfTheDataFailsTheConversion) {
    WriteAll(wav, PcmFile(22050, 16, 1, Sine(22050, 1, 16, 1.0)));
    FailingReads failing(wav, 44 + 20000);
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_FILE_EXCEPTION});
    EXPECT_EQ(failing.Failures(), 1);
}

class Mp3ConversionWithFakeTest : public Mp3ConversionTest {
protected:
    void SetUp() override {
        Mp3ConversionTest::SetUp();
        Mp3Encoder::SetLibraryPath(FAKE_LAME_ENC);
    }
};

TEST_F(Mp3ConversionWithFakeTest, ReadsInChunksOfExactlyWhatTheLibraryTakes) {
    FakeLame::Reset({.samplesPerCall = 1000});
    const std::string samples = Sine(22050, 2, 16, 0.2); // 4410 frames, 8820 samples
    WriteAll(wav, PcmFile(22050, 16, 2, samples));
    ASSERT_EQ(Convert(), 1);
    EXPECT_EQ(FakeLame::Recorded().sampleCounts,
              (std::vector<DWORD>{1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 820}));
    EXPECT_EQ(Samples16(FakeLame::Recorded().samples), samples);
    std::string expected;
    for (int i = 0; i < 9; ++i)
        expected += "frame|";
    EXPECT_EQ(ReadAll(mp3), expected + "tail");
}

TEST_F(Mp3ConversionWithFakeTest, AWavWithoutSamplesGivesOnlyTheFlush) {
    FakeLame::Reset();
    WriteAll(wav, PcmFile(44100, 16, 2, ""));
    ASSERT_EQ(Convert(), 1);
    EXPECT_EQ(ReadAll(mp3), "tail");
    EXPECT_TRUE(FakeLame::Recorded().sampleCounts.empty());
}

// A stream that takes no samples per call would read nothing, for ever or
// into an empty file passing for the speech.
TEST_F(Mp3ConversionWithFakeTest, AStreamTakingNoSamplesIsRefused) {
    FakeLame::Reset({.noSamplesPerCall = true});
    WriteAll(wav, PcmFile(22050, 16, 1, Sine(22050, 1, 16, 0.2)));
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_OPEN_STREAM});
    EXPECT_TRUE(FakeLame::Recorded().sampleCounts.empty());
    EXPECT_EQ(FakeLame::Recorded().calls.back(), "beCloseStream");
}

TEST_F(Mp3ConversionWithFakeTest, LibraryFailuresFailTheConversion) {
    WriteAll(wav, PcmFile(44100, 16, 2, Sine(44100, 2, 16, 0.1)));
    FakeLame::Reset({.failCall = "beEncodeChunk"});
    EXPECT_EQ(Convert(), 0);
    FakeLame::Reset({.failCall = "beDeinitStream"});
    EXPECT_EQ(Convert(), 0);
    FakeLame::Reset({.failCall = "beInitStream"});
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(messages.Ids(),
              (std::vector<UINT>{IDS_MP3_ENCODE, IDS_MP3_CLOSE_STREAM, IDS_MP3_OPEN_STREAM}));

    if (fs::exists("/dev/full")) {
        messages.Clear();
        FakeLame::Reset({.encodeOutput = ""});
        mp3 = "/dev/full";
        EXPECT_EQ(Convert(), 0) << "the last bytes were never written";
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_MP3_WRITE});
    }
}

} // namespace
