// Enumeration and range probing of the SAPI 4 voices against a fake runtime.

#include "src/resources/resource.h"
#include "src/speech/Sapi4Engine.h"
#include "tests/fakes/FakeSapi4Runtime.h"
#include "tests/fakes/RecordingMessageService.h"

#include <gtest/gtest.h>

namespace {

constexpr DWORD kAll = TTSFEATURE_TAGGED | TTSFEATURE_SPEED | TTSFEATURE_VOLUME | TTSFEATURE_PITCH;

class VoiceProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override { CoUninitialize(); }

    // The one voice of a runtime holding `mode`, as the adapter lists it.
    CSAPI4VoiceInfo Probe(const FakeSapi4Mode& mode) {
        runtime.State().modes.clear();
        runtime.AddMode(mode);
        Sapi4Engine engine;
        EXPECT_EQ(engine.VoiceCount(), 1u);
        EXPECT_EQ(runtime.Alive(), 0) << "the probe leaves fake objects behind";
        return engine.VoiceCount() ? engine.Voice(0) : CSAPI4VoiceInfo{};
    }

    RecordingMessageService messages;
    FakeSapi4Runtime runtime;
};

} // namespace

TEST_F(VoiceProbeTest, FeatureBitsCountOnlyWithTaggedText) {
    runtime.AddMode(FakeSapi4Runtime::MakeMode(u"All", kAll, 1));
    runtime.AddMode(FakeSapi4Runtime::MakeMode(u"Untagged", kAll & ~TTSFEATURE_TAGGED, 2));
    runtime.AddMode(
        FakeSapi4Runtime::MakeMode(u"Speed only", TTSFEATURE_TAGGED | TTSFEATURE_SPEED, 3));
    Sapi4Engine engine;
    ASSERT_EQ(engine.VoiceCount(), 3u);
    EXPECT_TRUE(messages.Boxes().empty());

    const CSAPI4VoiceInfo& all = engine.Voice(0);
    EXPECT_EQ(std::u16string(all.modeInfo.szModeName), u"All");
    EXPECT_EQ(all.canSetSpeed + all.canSetVolume + all.canSetPitch, 3);

    // Nothing is probed without a flag: the ranges stay [1, 65535].
    const CSAPI4VoiceInfo& untagged = engine.Voice(1);
    EXPECT_EQ(untagged.canSetSpeed + untagged.canSetVolume + untagged.canSetPitch, 0);
    for (auto [min, max] : {std::pair{untagged.speedMin, untagged.speedMax},
                            {untagged.pitchMin, untagged.pitchMax},
                            {untagged.volumeMin, untagged.volumeMax}}) {
        EXPECT_EQ(min, 1);
        EXPECT_EQ(max, 65535);
    }

    const CSAPI4VoiceInfo& speedOnly = engine.Voice(2);
    EXPECT_EQ(speedOnly.canSetSpeed, 1);
    EXPECT_EQ(speedOnly.canSetVolume + speedOnly.canSetPitch, 0);
    EXPECT_EQ(speedOnly.speedMin, 50);
    EXPECT_EQ(speedOnly.pitchMin, 1);
    EXPECT_EQ(speedOnly.volumeMax, 65535);

    EXPECT_THROW(engine.Voice(3), std::invalid_argument);
    EXPECT_EQ(runtime.Alive(), 0);
}

TEST_F(VoiceProbeTest, MissingEnumeratorShowsIdsTtsEnumeratorOnceAndListsNothing) {
    runtime.AddMode(FakeSapi4Runtime::MakeMode(u"Unreachable", kAll, 1));
    runtime.Results().enumeratorMissing = true;
    Sapi4Engine engine;
    EXPECT_EQ(engine.VoiceCount(), 0u);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_TTS_ENUMERATOR});
    EXPECT_EQ(messages.Boxes()[0].type & MB_ICONMASK, MB_ICONWARNING);
    EXPECT_FALSE(engine.EnumerateVoices());
}

TEST_F(VoiceProbeTest, AKnownListIsTakenWithoutEnumerating) {
    CSAPI4VoiceInfo v;
    v.speedMin = 7;
    Sapi4Engine engine(std::vector<CSAPI4VoiceInfo>{v, v});
    EXPECT_EQ(engine.VoiceCount(), 2u);
    EXPECT_EQ(engine.Voice(1).speedMin, 7);
    EXPECT_EQ(runtime.Calls().enumerators, 0);
}

// Speed and pitch ranges are made symmetric around the engine's default, so
// that the middle of a slider selects it; the volume is capped, never centred.
TEST_F(VoiceProbeTest, CentringAroundTheDefault) {
    struct Range {
        DWORD current, min, max;
        LONG wantMin, wantMax;
    };
    const struct {
        const char* name;
        Range pitch, speed;
    } cases[] = {
        // Pitch already symmetric; speed 12 on [0, 65535]: the maximum follows the short side.
        {"symmetric, long side", {150, 50, 250, 50, 250}, {12, 0, 0xFFFFFFFF, 0, 24}},
        // Pitch 200 on [20, 300]: below 180, above 100, so the minimum becomes 100;
        // speed 55 on [50, 250]: a side of 10 or less keeps the probed range.
        {"raised minimum, narrow side", {200, 20, 300, 100, 300}, {55, 50, 250, 50, 250}},
        // A default the engine would not accept from a Set; compared before
        // capping, so a default above 65535 is outside [0, 65535].
        {"default outside", {400, 50, 250, 400, 400}, {70000, 0, 100000, 70000, 70000}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto mode = FakeSapi4Runtime::MakeMode(u"v", kAll, 1);
        mode.pitch = {c.pitch.current, c.pitch.min, c.pitch.max};
        mode.speed = {c.speed.current, c.speed.min, c.speed.max};
        const CSAPI4VoiceInfo v = Probe(mode);
        EXPECT_EQ(v.pitchMin, c.pitch.wantMin);
        EXPECT_EQ(v.pitchMax, c.pitch.wantMax);
        EXPECT_EQ(v.speedMin, c.speed.wantMin);
        EXPECT_EQ(v.speedMax, c.speed.wantMax);
        EXPECT_EQ(v.volumeMin, 0);
        EXPECT_EQ(v.volumeMax, 65535);
    }
}

TEST_F(VoiceProbeTest, FailingStepsKeepWhatWasReached) {
    auto mode = FakeSapi4Runtime::MakeMode(u"v", kAll, 1);
    mode.pitch.getFails = true;      // skipped: stays [1, 65535]
    mode.volume.setZeroFails = true; // the minimum is the starting value 0
    mode.volume.min = 100;
    mode.volume.max = 30000;
    CSAPI4VoiceInfo v = Probe(mode);
    EXPECT_EQ(v.pitchMin, 1);
    EXPECT_EQ(v.pitchMax, 65535);
    EXPECT_EQ(v.volumeMin, 0);
    EXPECT_EQ(v.volumeMax, 30000);
    EXPECT_EQ(v.speedMin, 50);
}

TEST_F(VoiceProbeTest, ProbeGivesUpQuietlyWhenTheEngineIsNotReached) {
    struct Case {
        const char* name;
        void (*breakIt)(FakeSapi4Results&);
    };
    const Case cases[] = {
        {"no audio destination", [](auto& r) { r.deviceMissing = true; }},
        {"destination not exactly S_OK", [](auto& r) { r.createDevice = S_FALSE; }},
        {"select fails", [](auto& r) { r.select = E_FAIL; }},
        {"select not exactly S_OK", [](auto& r) { r.select = S_FALSE; }},
        {"no attribute interface", [](auto& r) { r.queryAttributes = E_NOINTERFACE; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeSapi4Runtime local;
        local.AddMode(FakeSapi4Runtime::MakeMode(u"v", kAll, 1));
        c.breakIt(local.Results());
        Sapi4Engine engine;
        ASSERT_EQ(engine.VoiceCount(), 1u);
        const CSAPI4VoiceInfo& v = engine.Voice(0);
        EXPECT_EQ(v.speedMin, 1);
        EXPECT_EQ(v.speedMax, 65535);
        EXPECT_EQ(v.volumeMin, 1);
        EXPECT_EQ(v.pitchMax, 65535);
        EXPECT_EQ(v.canSetSpeed, 1);
        EXPECT_EQ(local.Alive(), 0);
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(VoiceProbeTest, ProbeSetsEachEndAndRestoresTheEnginesValue) {
    auto mode = FakeSapi4Runtime::MakeMode(u"v", kAll, 1);
    runtime.AddMode(mode);
    CSAPI4VoiceInfo v;
    v.modeInfo = mode.info;
    v.canSetSpeed = v.canSetPitch = v.canSetVolume = 1;
    EXPECT_TRUE(v.QueryAttributeRanges());
    // The probe's engine was selected for the mode, over a multimedia destination.
    ASSERT_EQ(runtime.Calls().selects.size(), 1u);
    EXPECT_TRUE(runtime.Calls().selects[0] == mode.info.gModeID);
    EXPECT_EQ(runtime.Calls().devices, 1);
    EXPECT_EQ(runtime.Alive(), 0);
    // Pitch first, then speed, then volume; each to 0, to its type's maximum, then back.
    const std::vector<std::string> expected = {
        "pitch=0",   "pitch=65535", "pitch=100",         "speed=0",          "speed=4294967295",
        "speed=150", "volume=0",    "volume=4294967295", "volume=4294967295"};
    EXPECT_EQ(runtime.Calls().attributeSets, expected);
}

// The command line lists every voice but probes only the one it speaks with.
TEST_F(VoiceProbeTest, OnDemandProbesOnlyTheVoiceAskedForAndOnce) {
    runtime.AddMode(u"First", kAll);
    runtime.AddMode(u"Second", kAll);
    Sapi4Engine engine(Sapi4Probing::OnDemand);
    ASSERT_EQ(engine.VoiceCount(), 2u);
    EXPECT_EQ(std::u16string(engine.Voice(1).modeInfo.szModeName), u"Second");
    EXPECT_EQ(engine.Voice(1).canSetPitch, 1);
    EXPECT_TRUE(runtime.Calls().selects.empty());

    engine.ProbeVoice(1);
    engine.ProbeVoice(1);
    ASSERT_EQ(runtime.Calls().selects.size(), 1u);
    EXPECT_TRUE(runtime.Calls().selects[0] == engine.Voice(1).modeInfo.gModeID);
    EXPECT_EQ(engine.Voice(1).speedMin, 50); // as the window's probe finds it
    EXPECT_EQ(engine.Voice(0).speedMin, 1);
    EXPECT_EQ(runtime.Alive(), 0);
    EXPECT_THROW(engine.ProbeVoice(2), std::invalid_argument);

    // The window's voices were probed at enumeration: none again.
    Sapi4Engine window;
    window.ProbeVoice(0);
    EXPECT_EQ(runtime.Calls().selects.size(), 3u);
}
