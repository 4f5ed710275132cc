#include "src/audio/Conversion.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/resources/resource.h"
#include "tests/fakes/FakeWmfRuntime.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/ComApartment.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/FailingReads.h"
#include "tests/support/ScratchFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::u16string Utf16(const fs::path& p) {
    std::string s = p.string();
    return std::u16string(s.begin(), s.end());
}

class Conversion : public ::testing::Test {
protected:
    void SetUp() override {
        wav = dir / "talk.wma.wav";
        wma = dir / "talk.wma";
    }
    std::vector<std::uint8_t> MakeWav(const WAVEFORMATEX& format, double seconds) {
        auto data = MakeTestSignal(format, seconds);
        WriteWavFile(wav.string(), format, data);
        return data;
    }
    // 1 or 0, the message of a failure shown as the worker shows it.
    int Convert(int codec = 0, int format = 0) {
        return ShowIfFailed(convertWavToWma(Utf16(wav), Utf16(wma), codec, format));
    }

    ComApartment com;
    RecordingMessageService messages;
    ScratchFolder scratch;
    fs::path dir = scratch.Path(), wav, wma;
};

class FakeConversion : public Conversion {
protected:
    void SetUp() override {
        Conversion::SetUp();
        runtime->codecs = {FakeWmfCodec{u"Alpha", {u"A"}, {u"V1"}, {u"V2"}}};
    }
    std::vector<std::uint8_t> Bytes(bool preprocess) const {
        std::vector<std::uint8_t> all;
        for (const auto& s : runtime.State().samples)
            if (s.preprocess == preprocess)
                all.insert(all.end(), s.bytes.begin(), s.bytes.end());
        return all;
    }
    std::vector<QWORD> Times(bool preprocess) const {
        std::vector<QWORD> times;
        for (const auto& s : runtime.State().samples)
            if (s.preprocess == preprocess)
                times.push_back(s.time);
        return times;
    }
    FakeWmfRuntime runtime;
};

TEST_F(FakeConversion, CbrReadsTheWavOnceInOneSecondChunks) {
    const auto data = MakeWav(MakePcmFormat(22050, 16, 1), 2.5);
    EXPECT_EQ(Convert(), 1);
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(Times(false), (std::vector<QWORD>{10'000'000, 20'000'000, 25'000'000}));
    EXPECT_EQ(Bytes(false), data);
    EXPECT_TRUE(Times(true).empty());
    EXPECT_EQ(runtime->log.back(), "EndWriting");
    EXPECT_EQ(std::count(runtime->log.begin(), runtime->log.end(), "EndWriting"), 1);
    EXPECT_EQ(runtime->liveObjects, 0);
}

TEST_F(FakeConversion, VbrReadsTheWavOncePerPassWithTimesStartingAgain) {
    runtime->maxPasses = 1;
    const auto data = MakeWav(MakePcmFormat(8000, 8, 1), 1.5);
    EXPECT_EQ(Convert(0, 1), 1);
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(Times(true), (std::vector<QWORD>{10'000'000, 15'000'000}));
    EXPECT_EQ(Times(false), (std::vector<QWORD>{10'000'000, 15'000'000}));
    EXPECT_EQ(Bytes(true), data);
    EXPECT_EQ(Bytes(false), data);
    const std::vector<std::string> expected = {
        "BeginWriting",           "GetMaxPreprocessingPasses", "SetNumPreprocessingPasses",
        "BeginPreprocessingPass", "EndPreprocessingPass",      "EndWriting"};
    std::vector<std::string> tail(runtime->log.end() - 6, runtime->log.end());
    EXPECT_EQ(tail, expected);
}

TEST_F(FakeConversion, AnEmptyWavBeginsAndEndsWriting) {
    MakeWav(MakePcmFormat(22050, 16, 1), 0);
    EXPECT_EQ(Convert(), 1);
    EXPECT_TRUE(runtime->samples.empty());
    EXPECT_EQ(runtime->log.back(), "EndWriting");
}

// A header claiming no bytes per second would give empty reads, and an empty
// file would pass for the speech; a given-up worker's conversion stops at its
// next chunk without a word. Only an output the conversion opened is its own.
TEST_F(FakeConversion, ZeroRatesAndAbandonedConversionsNeverPassForComplete) {
    WAVEFORMATEX noRate = MakePcmFormat(22050, 16, 1);
    noRate.nAvgBytesPerSec = 0;
    WriteWavFile(wav.string(), noRate, MakeTestSignal(MakePcmFormat(22050, 16, 1), 1.0));
    ConversionControl control;
    EXPECT_EQ(ShowIfFailed(convertWavToWma(Utf16(wav), Utf16(wma), 0, 0, &control)), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_READ});
    EXPECT_FALSE(control.outputTouched);

    messages.Clear();
    MakeWav(MakePcmFormat(22050, 16, 1), 3.0);
    std::atomic<bool> abandon{true};
    control = ConversionControl{&abandon};
    EXPECT_EQ(ShowIfFailed(convertWavToWma(Utf16(wav), Utf16(wma), 0, 0, &control)), 0);
    EXPECT_TRUE(messages.Ids().empty());
    EXPECT_TRUE(control.outputTouched);
    EXPECT_TRUE(runtime->samples.empty());
}

TEST_F(FakeConversion, FailuresEndTheConversionWithOneMessage) {
    struct Case {
        const char* call;
        UINT message;
        int format;
    };
    const Case cases[] = {
        {"WMCreateProfileManager", IDS_WMA_INIT, 0},
        {"SetOutputFilename", IDS_WMA_OUTPUT_FILE, 0},
        {"BeginPreprocessingPass", IDS_WMA_BEGIN_PASS, 1},
        {"EndPreprocessingPass", IDS_WMA_END_PASS, 1},
        // A refused sample stops the conversion instead of leaving a hole.
        {"WriteSample", IDS_WMA_WRITE_SAMPLE, 0},
        {"PreprocessSample", IDS_WMA_PREPROCESS_SAMPLE, 1},
        {"AllocateSample", IDS_WMA_ALLOCATE_SAMPLE, 0},
        // The last samples the writer held could not be written.
        {"EndWriting", IDS_WMA_WRITE_SAMPLE, 0},
    };
    MakeWav(MakePcmFormat(22050, 16, 1), 3.0);
    runtime->maxPasses = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        messages.Clear();
        runtime->failures.clear();
        runtime.FailOn(c.call);
        EXPECT_EQ(Convert(0, c.format), 0);
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{c.message});
        EXPECT_EQ(runtime->liveObjects, 0);
    }
    runtime->failures.clear();
    messages.Clear();
    EXPECT_EQ(Convert(3, 0), 0); // the runtime lists fewer codecs now
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WMA_PROFILE});
}

TEST_F(FakeConversion, TheWavReaderReportsItsOwnFailures) {
    EXPECT_EQ(Convert(), 0); // no WAV file
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_OPEN});
    EXPECT_EQ(runtime->Count("WMCreateProfileManager"), 0);

    // A disk error in the middle of the data: the file would lack the rest
    // of the speech, so the conversion fails.
    messages.Clear();
    MakeWav(MakePcmFormat(22050, 16, 1), 3.0);
    FailingReads failing(wav, 44 + 44100);
    EXPECT_EQ(Convert(), 0);
    EXPECT_GT(failing.Failures(), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_FILE_EXCEPTION});
    EXPECT_EQ(runtime->samples.size(), 1u);
}

// The real runtime, end to end: WAV in, a WMA file FFmpeg decodes out.
class RealConversion : public Conversion {
protected:
    void SetUp() override {
        Conversion::SetUp();
        RegisterWmfRuntime();
        ASSERT_TRUE(catalogue.enumerate());
    }
    int FormatIndex(const std::u16string& description) const {
        const auto& formats = catalogue.codecs().at(0).formats;
        for (std::size_t i = 0; i < formats.size(); ++i)
            if (formats[i].description == description)
                return static_cast<int>(i);
        return -1;
    }
    WmaCodecCatalogue catalogue;
};

TEST_F(RealConversion, WritesAWmaFileOfTheSpeechInTheChosenFormat) {
    struct Case {
        WAVEFORMATEX wav;
        std::u16string format;
        int rate, channels;
    };
    const Case cases[] = {
        {MakePcmFormat(22050, 16, 1), u"32 kbps, 22 kHz, mono CBR", 22050, 1},
        {MakePcmFormat(11025, 8, 1), u"128 kbps, 44 kHz, stereo CBR", 44100, 2},
        {MakePcmFormat(48000, 16, 2), u"24 kbps, 16 kHz, mono CBR", 16000, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.format.begin(), c.format.end()));
        MakeWav(c.wav, 3.2);
        int index = FormatIndex(c.format);
        ASSERT_GE(index, 0);
        EXPECT_EQ(Convert(0, index), 1);
        EXPECT_TRUE(messages.Boxes().empty());
        DecodedAudio audio = DecodeAudioFile(wma.string());
        ASSERT_TRUE(audio.opened);
        EXPECT_EQ(audio.codec, "wmav2");
        EXPECT_EQ(audio.sampleRate, c.rate);
        EXPECT_EQ(audio.channels, c.channels);
        EXPECT_GE(audio.seconds, 3.2 - 0.001);
        EXPECT_LE(audio.seconds, 3.2 + 2 * 2048.0 / c.rate);
        EXPECT_NEAR(audio.headerSeconds, 3.2, 2 * 2048.0 / c.rate);
        EXPECT_GT(audio.rms, 0.05);
        EXPECT_EQ(audio.decodeErrors, 0);
    }
}

TEST_F(RealConversion, RefusalsOfTheRealRuntimeShowTheirMessages) {
    // 24-bit PCM is beyond what the writer converts.
    WAVEFORMATEX deep = MakePcmFormat(22050, 24, 1);
    MakeWav(MakePcmFormat(22050, 16, 1), 1.0);
    WriteWavFile(wav.string(), deep, std::vector<std::uint8_t>(66150));
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WMA_INPUT_REFUSED});
    EXPECT_FALSE(fs::exists(wma));

    messages.Clear();
    MakeWav(MakePcmFormat(22050, 16, 1), 1.0);
    wma = dir / "missing" / "talk.wma";
    EXPECT_EQ(Convert(), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WMA_OUTPUT_FILE});

    messages.Clear();
    EXPECT_EQ(Convert(0, 1000), 0);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WMA_PROFILE});
}

} // namespace
