#include "src/audio/WmaCodecCatalogue.h"

#include "src/audio/AvailableEncoders.h"
#include "src/audio/Mp3Encoder.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "tests/fakes/FakeWmfRuntime.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/ComApartment.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

class Catalogue : public ::testing::Test {
protected:
    ComApartment com;
    // Declared before the catalogue: it outlives the catalogue and its objects.
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
    EXPECT_TRUE(catalogue.enumerated());
    EXPECT_EQ(runtime->systemProfileVersion, WMT_VER_9_0);
    ASSERT_EQ(catalogue.codecs().size(), 2u);

    const auto& a = catalogue.codecs()[0];
    EXPECT_EQ(a.name, u"Alpha");
    EXPECT_EQ(Descriptions(a), (std::vector<std::u16string>{u"A", u"B", u"C"}));
    EXPECT_EQ(Modes(a), (std::vector<M>{M::Cbr, M::Cbr, M::VbrOnePass}));
    EXPECT_EQ(a.cbrCount, 2u);
    EXPECT_EQ(a.vbrOnePassCount, 1u);
    EXPECT_EQ(a.vbrTwoPassCount, 0u);

    const auto& b = catalogue.codecs()[1];
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
    EXPECT_EQ(Descriptions(catalogue.codecs()[0]), (std::vector<std::u16string>{u"A", u"B"}));
    EXPECT_EQ(catalogue.codecs()[0].cbrCount, 2u);
    EXPECT_EQ(catalogue.codecs()[0].vbrOnePassCount + catalogue.codecs()[0].vbrTwoPassCount, 0u);
    EXPECT_EQ(Descriptions(catalogue.codecs()[1]), (std::vector<std::u16string>{u"V"}));
    EXPECT_EQ(catalogue.codecs()[1].cbrCount, 0u);
    EXPECT_EQ(catalogue.codecs()[1].vbrOnePassCount, 1u);
}

TEST_F(Catalogue, AFailureInsideAGroupKeepsWhatWasAdded) {
    runtime->codecs = {Codec(u"Alpha", {u"A", u"B", u"C"})};
    // Each description takes two calls: the third format's first call fails.
    runtime.FailOn("GetCodecFormatDesc", E_FAIL, 4);
    WmaCodecCatalogue catalogue;
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_EQ(Descriptions(catalogue.codecs()[0]), (std::vector<std::u16string>{u"A", u"B"}));
    EXPECT_EQ(catalogue.codecs()[0].cbrCount, 2u);

    // A failing "_PASSESUSED" ends only the VBR groups.
    FakeWmfRuntime other;
    other->codecs = {Codec(u"Beta", {u"X"}, {u"Y"}, {u"Z"})};
    other.FailOn("SetCodecEnumerationSetting:_PASSESUSED");
    WmaCodecCatalogue second;
    ASSERT_TRUE(second.enumerate());
    EXPECT_EQ(Descriptions(second.codecs()[0]), (std::vector<std::u16string>{u"X"}));
}

TEST_F(Catalogue, FailuresOfTheRuntimeFailTheEnumeration) {
    runtime->codecs = {Codec(u"Alpha", {u"A"}), Codec(u"Beta", {u"B"})};
    {
        runtime.FailOn("GetCodecName", E_FAIL, 2); // the second codec's name
        WmaCodecCatalogue catalogue;
        EXPECT_FALSE(catalogue.enumerate());
        EXPECT_FALSE(catalogue.enumerated());
        ASSERT_EQ(catalogue.codecs().size(), 1u); // what was appended stays
        catalogue.close();
        EXPECT_EQ(runtime->liveObjects, 0);
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
        EXPECT_EQ(catalogue.codecs().size(), 2u);
    }
    EXPECT_EQ(runtime->liveObjects, 0);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(Catalogue, EnumeratesOnceAndCloseKeepsTheList) {
    runtime->codecs = {Codec(u"Alpha", {u"A", u"B"})};
    WmaCodecCatalogue catalogue;
    ASSERT_TRUE(catalogue.enumerate());
    const int callsAfterFirst = runtime->Count("GetCodecName");
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_EQ(runtime->Count("GetCodecName"), callsAfterFirst);
    EXPECT_EQ(catalogue.codecs().size(), 1u);
    EXPECT_EQ(catalogue.codecs()[0].formats.size(), 2u);

    catalogue.close();
    EXPECT_FALSE(catalogue.enumerated());
    EXPECT_EQ(catalogue.codecs().size(), 1u);
    EXPECT_EQ(runtime->liveObjects, 0);
    catalogue.close(); // harmless twice

    // Enumerating again builds the list anew instead of adding to it.
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_EQ(catalogue.codecs().size(), 1u);
    EXPECT_EQ(catalogue.codecs()[0].formats.size(), 2u);
}

TEST_F(Catalogue, EmptyRuntimeAndTextsWithoutTheirZero) {
    {
        WmaCodecCatalogue catalogue;
        EXPECT_TRUE(catalogue.enumerate());
        EXPECT_TRUE(catalogue.codecs().empty());
    }
    auto codec = Codec(u"Windows Media Audio 9", {u"128 kbps, 44 kHz, stereo CBR"});
    codec.lengthWithoutZero = true;
    runtime->codecs = {codec};
    WmaCodecCatalogue catalogue;
    ASSERT_TRUE(catalogue.enumerate());
    EXPECT_EQ(catalogue.codecs()[0].name, u"Windows Media Audio 9");
    EXPECT_EQ(catalogue.codecs()[0].formats[0].description, u"128 kbps, 44 kHz, stereo CBR");
}

// The output dialog is offered what the frame's encoder and catalogue hold,
// and nothing of a catalogue that is not enumerated.
TEST_F(Catalogue, OffersTheDialogOnlyAnEnumeratedList) {
    runtime->codecs = {Codec(u"Alpha", {u"A"})};
    Mp3Encoder unloaded;
    WmaCodecCatalogue catalogue;
    ASSERT_TRUE(catalogue.enumerate());
    AvailableEncoders available = AvailableEncoders::Of(unloaded, catalogue);
    EXPECT_FALSE(available.mp3);
    EXPECT_TRUE(available.wma);
    ASSERT_EQ(available.wmaCodecs.size(), 1u);
    EXPECT_EQ(Descriptions(available.wmaCodecs[0]), std::vector<std::u16string>{u"A"});

    catalogue.close();
    available = AvailableEncoders::Of(unloaded, catalogue);
    EXPECT_FALSE(available.wma);
    EXPECT_TRUE(available.wmaCodecs.empty());
}

} // namespace
