#include "src/audio/WmaCodecCatalogue.h"

#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "tests/fakes/FakeWmfRuntime.h"
#include "tests/fakes/RecordingMessageService.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

class Catalogue : public ::testing::Test {
protected:
    Catalogue() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~Catalogue() override { CoUninitialize(); }

    // Declared first: it outlives the catalogue and its objects.
    FakeWmfRuntime runtime;
    RecordingMessageService messages;

    static FakeWmfCodec Codec(std::u16string name, std::vector<std::u16string> cbr,
                              std::vector<std::u16string> one = {},
                              std::vector<std::u16string> two = {}) {
        return FakeWmfCodec{std::move(name), std::move(cbr), std::move(one), std::move(two)};
    }
    static std::vector<WmaEncodingMode> Modes(const WmaCodecEntry& codec) {
        std::vector<WmaEncodingMode> modes;
        for (const auto& f : codec.formats)
            modes.push_back(f.mode);
        return modes;
    }
    static std::vector<std::u16string> Descriptions(const WmaCodecEntry& codec) {
        std::vector<std::u16string> d;
        for (const auto& f : codec.formats)
            d.push_back(f.description);
        return d;
    }
};

using M = WmaEncodingMode;

TEST_F(Catalogue, FillsTheGroupsInOrderWithTheirCounts) {
    runtime->codecs = {Codec(u"Alpha", {u"A", u"B"}, {u"C"}),
                       Codec(u"Beta", {u"X"}, {u"Y1", u"Y2"}, {u"Z"})};
    WmaCodecCatalogue catalogue;
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_TRUE(catalogue.enumerated);
    EXPECT_EQ(runtime->systemProfileVersion, WMT_VER_9_0);
    ASSERT_EQ(catalogue.codecs.size(), 2u);

    const auto& a = catalogue.codecs[0];
    EXPECT_EQ(a.name, u"Alpha");
    EXPECT_EQ(Descriptions(a), (std::vector<std::u16string>{u"A", u"B", u"C"}));
    EXPECT_EQ(Modes(a), (std::vector<M>{M::Cbr, M::Cbr, M::VbrOnePass}));
    EXPECT_EQ(a.cbrCount, 2u);
    EXPECT_EQ(a.vbrOnePassCount, 1u);
    EXPECT_EQ(a.vbrTwoPassCount, 0u);

    const auto& b = catalogue.codecs[1];
    EXPECT_EQ(Descriptions(b), (std::vector<std::u16string>{u"X", u"Y1", u"Y2", u"Z"}));
    EXPECT_EQ(Modes(b), (std::vector<M>{M::Cbr, M::VbrOnePass, M::VbrOnePass, M::VbrTwoPass}));
    EXPECT_EQ(b.vbrOnePassCount, 2u);
    EXPECT_EQ(b.vbrTwoPassCount, 1u);

    // Each group is selected by its settings: CBR; VBR with 1 pass; VBR with 2.
    std::vector<std::pair<std::u16string, DWORD>> codec0;
    for (const auto& s : runtime->settings)
        if (s.codec == 0)
            codec0.push_back({s.name, s.value});
    EXPECT_EQ(codec0, (std::vector<std::pair<std::u16string, DWORD>>{{u"_VBRENABLED", 0},
                                                                     {u"_VBRENABLED", 1},
                                                                     {u"_PASSESUSED", 1},
                                                                     {u"_VBRENABLED", 1},
                                                                     {u"_PASSESUSED", 2}}));
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(Catalogue, UnsupportedVbrPropertyKeepsTheCbrFormatsOnly) {
    auto cbrOnly = Codec(u"Plain", {u"A", u"B"}, {u"never"}, {u"never"});
    cbrOnly.cbrSetting = NS_E_UNSUPPORTED_PROPERTY;
    cbrOnly.vbrSetting = NS_E_UNSUPPORTED_PROPERTY;
    // Another refusal of the CBR setting ends that group, but not the others.
    auto refusing = Codec(u"Odd", {u"lost"}, {u"V"});
    refusing.cbrSetting = E_FAIL;
    runtime->codecs = {cbrOnly, refusing};

    WmaCodecCatalogue catalogue;
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_EQ(Descriptions(catalogue.codecs[0]), (std::vector<std::u16string>{u"A", u"B"}));
    EXPECT_EQ(catalogue.codecs[0].cbrCount, 2u);
    EXPECT_EQ(catalogue.codecs[0].vbrOnePassCount + catalogue.codecs[0].vbrTwoPassCount, 0u);
    EXPECT_EQ(Descriptions(catalogue.codecs[1]), (std::vector<std::u16string>{u"V"}));
    EXPECT_EQ(catalogue.codecs[1].cbrCount, 0u);
    EXPECT_EQ(catalogue.codecs[1].vbrOnePassCount, 1u);
}

TEST_F(Catalogue, AFailureInsideAGroupKeepsWhatWasAdded) {
    runtime->codecs = {Codec(u"Alpha", {u"A", u"B", u"C"})};
    // Each description takes two calls: the third format's first call fails.
    runtime.FailOn("GetCodecFormatDesc", E_FAIL, 4);
    WmaCodecCatalogue catalogue;
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_EQ(Descriptions(catalogue.codecs[0]), (std::vector<std::u16string>{u"A", u"B"}));
    EXPECT_EQ(catalogue.codecs[0].cbrCount, 2u);

    // A failing "_PASSESUSED" ends only the VBR groups.
    FakeWmfRuntime other;
    other->codecs = {Codec(u"Beta", {u"X"}, {u"Y"}, {u"Z"})};
    other.FailOn("SetCodecEnumerationSetting:_PASSESUSED");
    WmaCodecCatalogue second;
    ASSERT_TRUE(second.enumerate());
    EXPECT_EQ(Descriptions(second.codecs[0]), (std::vector<std::u16string>{u"X"}));
}

TEST_F(Catalogue, FailuresOfTheRuntimeFailTheEnumeration) {
    runtime->codecs = {Codec(u"Alpha", {u"A"}), Codec(u"Beta", {u"B"})};
    {
        runtime.FailOn("GetCodecName", E_FAIL, 2); // the second codec's name
        WmaCodecCatalogue catalogue;
        EXPECT_FALSE(catalogue.enumerate());
        EXPECT_FALSE(catalogue.enumerated);
        ASSERT_EQ(catalogue.codecs.size(), 1u); // what was appended stays
        catalogue.close();
        EXPECT_EQ(runtime->alive, 0);
    }
    runtime->failures.clear();
    {
        runtime.FailOn("WMCreateProfileManager");
        WmaCodecCatalogue catalogue;
        EXPECT_FALSE(catalogue.enumerate());
    }
    runtime->failures.clear();
    {
        runtime->hasCodecInfo3 = false;
        WmaCodecCatalogue catalogue;
        EXPECT_FALSE(catalogue.enumerate());
    }
    runtime->hasCodecInfo3 = true;
    {
        runtime.FailOn("GetCodecInfoCount");
        WmaCodecCatalogue catalogue;
        EXPECT_FALSE(catalogue.enumerate());
    }
    runtime->failures.clear();
    {
        // Without IWMProfileManager2 the version is simply not set.
        runtime->hasProfileManager2 = false;
        WmaCodecCatalogue catalogue;
        EXPECT_TRUE(catalogue.enumerate());
        EXPECT_EQ(catalogue.codecs.size(), 2u);
    }
    EXPECT_EQ(runtime->alive, 0);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(Catalogue, EnumeratesOnceAndCloseKeepsTheList) {
    runtime->codecs = {Codec(u"Alpha", {u"A", u"B"})};
    WmaCodecCatalogue catalogue;
    ASSERT_TRUE(catalogue.enumerate());
    const int callsAfterFirst = runtime->Count("GetCodecName");
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_EQ(runtime->Count("GetCodecName"), callsAfterFirst);
    EXPECT_EQ(catalogue.codecs.size(), 1u);
    EXPECT_EQ(catalogue.codecs[0].formats.size(), 2u);

    catalogue.close();
    EXPECT_FALSE(catalogue.enumerated);
    EXPECT_EQ(catalogue.codecs.size(), 1u);
    EXPECT_EQ(runtime->alive, 0);
    catalogue.close(); // harmless twice

    // Enumerating again builds the list anew instead of adding to it.
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_EQ(catalogue.codecs.size(), 1u);
    EXPECT_EQ(catalogue.codecs[0].formats.size(), 2u);
}

TEST_F(Catalogue, EmptyRuntimeAndTextsWithoutTheirZero) {
    {
        WmaCodecCatalogue catalogue;
        EXPECT_TRUE(catalogue.enumerate());
        EXPECT_TRUE(catalogue.codecs.empty());
    }
    auto codec = Codec(u"Windows Media Audio 9", {u"128 kbps, 44 kHz, stereo CBR"});
    codec.lengthWithoutZero = true;
    runtime->codecs = {codec};
    WmaCodecCatalogue catalogue;
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_EQ(catalogue.codecs[0].name, u"Windows Media Audio 9");
    EXPECT_EQ(catalogue.codecs[0].formats[0].description, u"128 kbps, 44 kHz, stereo CBR");
}

class Writer : public Catalogue {
protected:
    void SetUp() override {
        runtime->codecs = {Codec(u"Alpha", {u"A", u"B"}, {u"C", u"D"}, {u"E"}),
                           Codec(u"Empty", {})};
        ASSERT_TRUE(catalogue.enumerate());
    }
    bool Open(int codec = 0, int format = 0) {
        return catalogue.openWriter(&input, codec, format, u"/tmp/out.wma");
    }

    WAVEFORMATEX input = MakePcmFormat(22050, 16, 1);
    WmaCodecCatalogue catalogue;
};

TEST_F(Writer, BuildProfileFindsTheFormatWithinItsGroup) {
    struct Case {
        int format;
        std::pair<DWORD, DWORD> stream;
        DWORD vbr, passes;
    };
    for (const Case& c : {Case{1, {0, 1}, 0, 0}, Case{3, {0, 1}, 1, 1}, Case{4, {0, 0}, 1, 2}}) {
        runtime->settings.clear();
        ASSERT_TRUE(catalogue.buildProfile(0, c.format)) << c.format;
        EXPECT_EQ(runtime->streamFormat, c.stream);
        EXPECT_EQ(runtime->streamNumber, 1);
        EXPECT_EQ(catalogue.selectedFormat.description,
                  catalogue.codecs[0].formats[c.format].description);
        ASSERT_FALSE(runtime->settings.empty());
        EXPECT_EQ(runtime->settings[0].value, c.vbr);
        EXPECT_EQ(runtime->settings.back().value, c.passes ? c.passes : c.vbr);
    }
    EXPECT_FALSE(catalogue.buildProfile(1, 0)); // no formats
    EXPECT_FALSE(catalogue.buildProfile(2, 0));
    EXPECT_FALSE(catalogue.buildProfile(-1, 0));
    EXPECT_FALSE(catalogue.buildProfile(0, 5));
    EXPECT_FALSE(catalogue.buildProfile(0, -1));

    // The runtime now lists other formats than the catalogue holds.
    runtime->codecs[0].vbrOnePass = {u"C", u"changed"};
    EXPECT_FALSE(catalogue.buildProfile(0, 3));
    runtime->codecs[0].vbrOnePass = {u"C"};
    EXPECT_FALSE(catalogue.buildProfile(0, 3)); // position past the runtime's list

    catalogue.close();
    EXPECT_FALSE(catalogue.buildProfile(0, 0)); // list kept, runtime gone
    EXPECT_EQ(runtime->alive, 0);
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
    EXPECT_FALSE(catalogue.openWriter(nullptr, 0, 0, u"/tmp/out.wma"));
    EXPECT_TRUE(messages.Boxes().empty());

    // Whatever was left half built goes with the catalogue.
    catalogue.close();
    EXPECT_EQ(runtime->alive, 0);
}

TEST_F(Writer, OpensACbrWriterForThePcmInput) {
    input.cbSize = 22; // never passed on
    ASSERT_TRUE(Open(0, 1));
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(runtime->log,
              (std::vector<std::string>{"SetProfile", "GetInputCount", "GetInputProps",
                                        "SetInputProps 0", "SetOutputFilename", "BeginWriting"}));
    EXPECT_EQ(runtime->outputFilename, u"/tmp/out.wma");
    EXPECT_EQ(catalogue.passCount, 0u);
    EXPECT_EQ(catalogue.selectedFormat.mode, M::Cbr);

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
    EXPECT_EQ(catalogue.writeChunk(second.data(), 44100, false), S_OK);
    EXPECT_EQ(catalogue.writeChunk(half.data(), 22050, false), S_OK);
    ASSERT_EQ(runtime->samples.size(), 2u);
    EXPECT_EQ(runtime->samples[0].time, 10'000'000u);
    EXPECT_EQ(runtime->samples[1].time, 15'000'000u);
    EXPECT_EQ(catalogue.sampleTime, 15'000'000u);
    EXPECT_EQ(runtime->samples[0].bytes, second);
    EXPECT_EQ(runtime->samples[1].bytes, half);
    EXPECT_FALSE(runtime->samples[0].preprocess);

    // A sample that offers more room than the chunk holds gets the chunk only.
    runtime->sampleLength = 50000;
    EXPECT_EQ(catalogue.writeChunk(half.data(), 22050, false), S_OK);
    EXPECT_EQ(runtime->samples.back().bytes, half);
    EXPECT_EQ(catalogue.sampleTime, 20'000'000u);
}

TEST_F(Writer, SamplesGoToTheLastInput) {
    runtime->inputCount = 2;
    ASSERT_TRUE(Open());
    EXPECT_EQ(std::count(runtime->log.begin(), runtime->log.end(), "SetInputProps 1"), 1);
    BYTE data[4] = {};
    ASSERT_EQ(catalogue.writeChunk(data, 4, false), S_OK);
    EXPECT_EQ(runtime->samples[0].input, 1u);
}

TEST_F(Writer, VbrFormatsPrepareTheirPreprocessingPasses) {
    runtime->maxPasses = 1;
    ASSERT_TRUE(Open(0, 2));
    EXPECT_EQ(catalogue.passCount, 1u);
    EXPECT_EQ(runtime->passesSet, 1u);
    BYTE data[441] = {};
    ASSERT_EQ(catalogue.writeChunk(data, 441, true), S_OK);
    EXPECT_TRUE(runtime->samples[0].preprocess);
    EXPECT_EQ(runtime->samples[0].time, 100'000u);

    // A runtime that cannot take the passes writes in one pass, silently.
    runtime.FailOn("SetNumPreprocessingPasses");
    ASSERT_TRUE(Open(0, 4));
    EXPECT_EQ(catalogue.passCount, 0u);
    EXPECT_TRUE(messages.Boxes().empty());
}

// A refused sample is reported once and its failure given back, so that the
// conversion stops instead of writing a file with holes.
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
        EXPECT_EQ(catalogue.writeChunk(data, 100, false), NS_E_INVALID_REQUEST);
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{message});
    }
    runtime->failures.clear();
    messages.Clear();
    runtime->maxPasses = 1;
    ASSERT_TRUE(Open(0, 2));
    runtime.FailOn("PreprocessSample");
    const int alive = runtime->alive;
    EXPECT_EQ(catalogue.writeChunk(data, 100, true), E_FAIL);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WMA_PREPROCESS_SAMPLE});
    EXPECT_EQ(runtime->alive, alive); // the refused sample was released
}

TEST_F(Writer, ResetEndsWritingAndReleasesTheWriter) {
    BYTE data[4] = {};
    EXPECT_EQ(catalogue.writeChunk(data, 4, false), E_POINTER);
    EXPECT_TRUE(messages.Boxes().empty());

    ASSERT_TRUE(Open());
    catalogue.writeChunk(data, 4, false);
    catalogue.resetWriter();
    EXPECT_EQ(runtime->log.back(), "EndWriting");
    EXPECT_EQ(catalogue.sampleTime, 0u);
    EXPECT_EQ(static_cast<int>(catalogue.selectedFormat.mode), 0);
    EXPECT_TRUE(catalogue.selectedFormat.description.empty());
    EXPECT_EQ(catalogue.writeChunk(data, 4, false), E_POINTER);
    EXPECT_EQ(runtime->alive, 1); // the profile manager only
    catalogue.resetWriter();
    EXPECT_EQ(std::count(runtime->log.begin(), runtime->log.end(), "EndWriting"), 1);
}

TEST_F(Writer, DestructionEndsWritingAndReleasesEverything) {
    {
        WmaCodecCatalogue other;
        ASSERT_TRUE(other.enumerate());
        ASSERT_TRUE(other.openWriter(&input, 0, 0, u"/tmp/x.wma"));
    }
    EXPECT_EQ(runtime->log.back(), "EndWriting");
    catalogue.close();
    EXPECT_EQ(runtime->alive, 0);
}

} // namespace
