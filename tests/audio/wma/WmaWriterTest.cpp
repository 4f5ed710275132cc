#include "src/audio/WmaWriter.h"

#include "src/audio/WmaCodecCatalogue.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "tests/fakes/FakeWmfRuntime.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/ComApartment.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <numeric>

namespace {

using M = WmaEncodingMode;

class Writer : public ::testing::Test {
protected:
    void SetUp() override {
        runtime->codecs = {
            FakeWmfCodec{u"Alpha", {u"A", u"B"}, {u"C", u"D"}, {u"E"}},
            FakeWmfCodec{u"Empty", {}},
        };
        ASSERT_TRUE(catalogue.enumerate());
    }
    bool Open(int codec = 0, int format = 0) {
        return ShowIfFailed(writer.openWriter(&input, codec, format, u"/tmp/out.wma"));
    }

    ComApartment com;
    // Declared before the catalogue: it outlives the catalogue, the writer and
    // their objects.
    FakeWmfRuntime runtime;
    RecordingMessageService messages;
    WAVEFORMATEX input = MakePcmFormat(22050, 16, 1);
    WmaCodecCatalogue catalogue;
    WmaWriter writer{catalogue};
};

TEST_F(Writer, BuildProfileFindsTheFormatWithinItsGroup) {
    struct Case {
        int format;
        std::pair<DWORD, DWORD> stream;
        DWORD vbr, passes;
    };
    for (const Case& c : {Case{1, {0, 1}, 0, 0}, Case{3, {0, 1}, 1, 1}, Case{4, {0, 0}, 1, 2}}) {
        runtime->settings.clear();
        ASSERT_TRUE(writer.buildProfile(0, c.format)) << c.format;
        EXPECT_EQ(runtime->streamFormat, c.stream);
        EXPECT_EQ(runtime->streamNumber, 1);
        EXPECT_EQ(writer.selectedFormat().description,
                  catalogue.codecs()[0].formats[c.format].description);
        ASSERT_FALSE(runtime->settings.empty());
        EXPECT_EQ(runtime->settings[0].value, c.vbr);
        EXPECT_EQ(runtime->settings.back().value, c.passes ? c.passes : c.vbr);
    }
    EXPECT_FALSE(writer.buildProfile(1, 0)); // no formats
    EXPECT_FALSE(writer.buildProfile(2, 0));
    EXPECT_FALSE(writer.buildProfile(-1, 0));
    EXPECT_FALSE(writer.buildProfile(0, 5));
    EXPECT_FALSE(writer.buildProfile(0, -1));

    // The runtime now lists other formats than the catalogue holds.
    runtime->codecs[0].vbrOnePass = {u"C", u"changed"};
    EXPECT_FALSE(writer.buildProfile(0, 3));
    runtime->codecs[0].vbrOnePass = {u"C"};
    EXPECT_FALSE(writer.buildProfile(0, 3)); // position past the runtime's list

    writer.resetWriter();
    catalogue.close();
    EXPECT_FALSE(writer.buildProfile(0, 0)); // list kept, runtime gone
    EXPECT_EQ(runtime->liveObjects, 0);
}

TEST_F(Writer, EachOpenFailureShowsItsMessage) {
    struct Case {
        const char* call;
        UINT message;
        int format; // 2: a VBR format
    };
    const Case cases[] = {
        {"GetCodecFormat", IDS_WMA_PROFILE, 0},
        {"SetStreamNumber", IDS_WMA_PROFILE, 0},
        {"CreateEmptyProfile", IDS_WMA_PROFILE, 0},
        {"AddStream", IDS_WMA_PROFILE, 0},
        {"WMCreateWriter", IDS_WMA_CREATE_WRITER, 0},
        {"SetProfile", IDS_WMA_SET_PROFILE, 0},
        {"GetInputCount", IDS_WMA_INPUT_COUNT, 0},
        {"GetInputProps", IDS_WMA_INPUT_PROPS, 0},
        {"GetType", IDS_WMA_INPUT_TYPE, 0},
        {"SetMediaType", IDS_WMA_SET_MEDIA_TYPE, 0},
        {"SetInputProps", IDS_WMA_INPUT_REFUSED, 0},
        {"SetOutputFilename", IDS_WMA_OUTPUT_FILE, 0},
        {"BeginWriting", IDS_WMA_BEGIN_WRITING, 0},
        {"GetMaxPreprocessingPasses", IDS_WMA_MAX_PASSES, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.call);
        runtime->failures.clear();
        messages.Clear();
        runtime.FailOn(c.call);
        EXPECT_FALSE(Open(0, c.format));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{c.message});
        ASSERT_EQ(messages.Boxes().size(), 1u);
        EXPECT_EQ(messages.Boxes()[0].type & MB_ICONMASK, MB_ICONERROR);
    }
    runtime->failures.clear();

    const std::pair<int, int> outOfRange[] = {{0, 5}, {7, 0}, {1, 0}};
    for (auto [codec, format] : outOfRange) {
        messages.Clear();
        EXPECT_FALSE(Open(codec, format));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WMA_PROFILE});
    }

    messages.Clear();
    runtime->inputType = WMFORMAT_WaveFormatEx;
    EXPECT_FALSE(Open());
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WMA_INVALID_INPUT});
    runtime->inputType = WMMEDIATYPE_Audio;

    messages.Clear();
    runtime->hasPreprocess = false;
    EXPECT_FALSE(Open(0, 2));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WMA_PREPROCESS});

    messages.Clear();
    EXPECT_FALSE(ShowIfFailed(writer.openWriter(nullptr, 0, 0, u"/tmp/out.wma")));
    EXPECT_TRUE(messages.Boxes().empty());

    // Whatever was left half built goes with the writer.
    writer.resetWriter();
    catalogue.close();
    EXPECT_EQ(runtime->liveObjects, 0);
}

TEST_F(Writer, OpensACbrWriterForThePcmInput) {
    input.cbSize = 22; // never passed on
    ASSERT_TRUE(Open(0, 1));
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(runtime->log,
              (std::vector<std::string>{"SetProfile", "GetInputCount", "GetInputProps",
                                        "SetInputProps 0", "SetOutputFilename", "BeginWriting"}));
    EXPECT_EQ(runtime->outputFilename, u"/tmp/out.wma");
    EXPECT_EQ(writer.passCount(), 0u);
    EXPECT_EQ(writer.selectedFormat().mode, M::Cbr);

    const WM_MEDIA_TYPE& type = runtime->inputMediaType;
    EXPECT_EQ(type.majortype, WMMEDIATYPE_Audio);
    EXPECT_EQ(type.subtype, WMMEDIASUBTYPE_PCM);
    EXPECT_EQ(type.bFixedSizeSamples, TRUE);
    EXPECT_EQ(type.bTemporalCompression, FALSE);
    EXPECT_EQ(type.lSampleSize, 2u);
    EXPECT_EQ(type.formattype, WMFORMAT_WaveFormatEx);
    EXPECT_EQ(type.pUnk, nullptr);
    EXPECT_EQ(type.cbFormat, 18u);
    ASSERT_TRUE(runtime->inputFormat);
    EXPECT_EQ(runtime->inputFormat->nSamplesPerSec, 22050u);
    EXPECT_EQ(runtime->inputFormat->nAvgBytesPerSec, 44100u);
    EXPECT_EQ(runtime->inputFormat->cbSize, 0);

    // Opening again finishes the earlier writer first.
    ASSERT_TRUE(Open(0, 0));
    EXPECT_EQ(std::count(runtime->log.begin(), runtime->log.end(), "EndWriting"), 1);
}

TEST_F(Writer, StampsEachSampleWithTheEndOfItsChunk) {
    ASSERT_TRUE(Open());
    std::vector<BYTE> second(44100), half(22050);
    std::iota(second.begin(), second.end(), BYTE{0});
    std::iota(half.begin(), half.end(), BYTE{7});
    EXPECT_TRUE(ShowIfFailed(writer.writeChunk(second.data(), 44100, false)));
    EXPECT_TRUE(ShowIfFailed(writer.writeChunk(half.data(), 22050, false)));
    ASSERT_EQ(runtime->samples.size(), 2u);
    EXPECT_EQ(runtime->samples[0].time, 10'000'000u);
    EXPECT_EQ(runtime->samples[1].time, 15'000'000u);
    EXPECT_EQ(writer.sampleTime(), 15'000'000u);
    EXPECT_EQ(runtime->samples[0].bytes, second);
    EXPECT_EQ(runtime->samples[1].bytes, half);
    EXPECT_FALSE(runtime->samples[0].preprocess);

    // A sample that offers more room than the chunk holds gets the chunk only.
    runtime->sampleLength = 50000;
    EXPECT_TRUE(ShowIfFailed(writer.writeChunk(half.data(), 22050, false)));
    EXPECT_EQ(runtime->samples.back().bytes, half);
    EXPECT_EQ(writer.sampleTime(), 20'000'000u);
}

TEST_F(Writer, SamplesGoToTheLastInput) {
    runtime->inputCount = 2;
    ASSERT_TRUE(Open());
    EXPECT_EQ(std::count(runtime->log.begin(), runtime->log.end(), "SetInputProps 1"), 1);
    BYTE data[4] = {};
    ASSERT_TRUE(ShowIfFailed(writer.writeChunk(data, 4, false)));
    EXPECT_EQ(runtime->samples[0].input, 1u);
}

TEST_F(Writer, VbrFormatsPrepareTheirPreprocessingPasses) {
    runtime->maxPasses = 1;
    ASSERT_TRUE(Open(0, 2));
    EXPECT_EQ(writer.passCount(), 1u);
    EXPECT_EQ(runtime->passesSet, 1u);
    BYTE data[441] = {};
    ASSERT_TRUE(ShowIfFailed(writer.writeChunk(data, 441, true)));
    EXPECT_TRUE(runtime->samples[0].preprocess);
    EXPECT_EQ(runtime->samples[0].time, 100'000u);

    // A runtime that cannot take the passes writes in one pass, silently.
    runtime.FailOn("SetNumPreprocessingPasses");
    ASSERT_TRUE(Open(0, 4));
    EXPECT_EQ(writer.passCount(), 0u);
    EXPECT_TRUE(messages.Boxes().empty());
}

// A refused sample gives back its message, so that the conversion stops
// instead of writing a file with holes.
TEST_F(Writer, ARefusedSampleShowsItsMessageAndFails) {
    const std::pair<const char*, UINT> cases[] = {
        {"AllocateSample", IDS_WMA_ALLOCATE_SAMPLE},
        {"GetBufferAndLength", IDS_WMA_SAMPLE_BUFFER},
        {"SetLength", IDS_WMA_SAMPLE_LENGTH},
        {"WriteSample", IDS_WMA_WRITE_SAMPLE},
    };
    BYTE data[100] = {};
    ASSERT_TRUE(Open());
    for (auto [call, message] : cases) {
        SCOPED_TRACE(call);
        messages.Clear();
        runtime->failures.clear();
        runtime.FailOn(call, NS_E_INVALID_REQUEST);
        EXPECT_FALSE(ShowIfFailed(writer.writeChunk(data, 100, false)));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{message});
    }
    runtime->failures.clear();
    messages.Clear();
    runtime->maxPasses = 1;
    ASSERT_TRUE(Open(0, 2));
    runtime.FailOn("PreprocessSample");
    const int alive = runtime->liveObjects;
    EXPECT_FALSE(ShowIfFailed(writer.writeChunk(data, 100, true)));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WMA_PREPROCESS_SAMPLE});
    EXPECT_EQ(runtime->liveObjects, alive); // the refused sample was released
}

TEST_F(Writer, ResetEndsWritingAndReleasesTheWriter) {
    BYTE data[4] = {};
    EXPECT_FALSE(ShowIfFailed(writer.writeChunk(data, 4, false)));
    EXPECT_TRUE(messages.Boxes().empty());

    ASSERT_TRUE(Open());
    ASSERT_TRUE(writer.writeChunk(data, 4, false));
    writer.resetWriter();
    EXPECT_EQ(runtime->log.back(), "EndWriting");
    EXPECT_EQ(writer.sampleTime(), 0u);
    EXPECT_EQ(static_cast<int>(writer.selectedFormat().mode), 0);
    EXPECT_TRUE(writer.selectedFormat().description.empty());
    EXPECT_FALSE(ShowIfFailed(writer.writeChunk(data, 4, false)));
    EXPECT_EQ(runtime->liveObjects, 1); // the profile manager only
    writer.resetWriter();
    EXPECT_EQ(std::count(runtime->log.begin(), runtime->log.end(), "EndWriting"), 1);
}

TEST_F(Writer, DestructionEndsWritingAndReleasesEverything) {
    {
        WmaWriter other(catalogue);
        ASSERT_TRUE(other.openWriter(&input, 0, 0, u"/tmp/x.wma"));
    }
    EXPECT_EQ(runtime->log.back(), "EndWriting");
    catalogue.close();
    EXPECT_EQ(runtime->liveObjects, 0);
}

} // namespace
