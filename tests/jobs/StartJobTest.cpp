// StartJob as the window drives it: text, voice, sliders and dialog in, the
// job record and the engine's text out.

#include "src/jobs/JobText.h"
#include "src/jobs/ProsodyMarkup.h"
#include "src/resources/resource.h"
#include "src/speech/VoiceCatalogue.h"
#include "tests/jobs/JobTestSupport.h"

namespace {

class StartJobTest : public JobControlTest {
protected:
    // Speaks with the current host settings and waits for the job to end.
    void Speak(bool selectionOnly = false) {
        control->StartJob(true, selectionOnly);
        ASSERT_TRUE(JobEnds());
    }
    std::vector<std::u16string> Sapi4Texts() {
        std::lock_guard lock(sapi4.State().mutex);
        return sapi4.State().texts;
    }
    std::vector<std::u16string> Sapi5Texts() {
        std::lock_guard lock(sapi5.State().mutex);
        return sapi5.State().texts;
    }
};

TEST_F(StartJobTest, WorkedExampleReachesTheSapi4Engine) {
    host.editorText = u"a\\b";
    host.speedPosition = -5;
    host.volumePosition = 50;
    host.pitchPosition = 0;
    Speak();

    const std::u16string expected = u"\\rst\\\\spd=150\\\\vol=32767\\ a\\\\b";
    EXPECT_EQ(control->Job().text, expected);
    EXPECT_EQ(control->Job().voiceIndex, 0);
    ASSERT_EQ(Sapi4Texts().size(), 1u);
    EXPECT_EQ(Sapi4Texts()[0], expected);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(StartJobTest, SliderEndsAndVolumeLimits) {
    struct Case {
        int speed, volume, pitch;
        std::u16string tags;
    };
    // Speed range 100..300, volume 0..65535, pitch 50..150.
    const Case cases[] = {
        {0, 100, 0, u"\\rst\\"},
        {10, 100, 0, u"\\rst\\\\spd=300\\"},
        {-10, 100, 0, u"\\rst\\\\spd=100\\"},
        {0, 99, 0, u"\\rst\\\\vol=64879\\"},
        {0, 0, 0, u"\\rst\\\\vol=1\\"},
        {0, 100, 3, u"\\rst\\\\pit=115\\"},
        {0, 100, -10, u"\\rst\\\\pit=50\\"},
        {5, 25, -3, u"\\rst\\\\spd=250\\\\vol=16383\\\\pit=85\\"},
    };
    host.editorText = u"x";
    for (const Case& c : cases) {
        host.speedPosition = c.speed;
        host.volumePosition = c.volume;
        host.pitchPosition = c.pitch;
        Speak();
        EXPECT_EQ(control->Job().text, c.tags + u" x")
            << "speed " << c.speed << " volume " << c.volume << " pitch " << c.pitch;
    }
}

TEST_F(StartJobTest, CapabilityFlagsAndZeroSentAsOne) {
    CSAPI4VoiceInfo plain = FakeSapi4Runtime::Voice(u"Plain");
    plain.canSetSpeed = plain.canSetVolume = plain.canSetPitch = FALSE;
    CSAPI4VoiceInfo fromZero = FakeSapi4Runtime::Voice(u"Zero");
    fromZero.speedMin = 0;
    fromZero.speedMax = 100;
    fromZero.pitchMin = 0;
    fromZero.pitchMax = 20;
    fromZero.volumeMin = 0;
    fromZero.volumeMax = 50;
    sapi4Voices = {plain, fromZero};
    control = MakeControl();
    control->CreateStopEvent();

    host.editorText = u"x";
    host.speedPosition = -10;
    host.volumePosition = 1; // 50 / 100.0 * 1 truncates to 0
    host.pitchPosition = -10;
    host.voicePosition = 0;
    Speak();
    EXPECT_EQ(control->Job().text, u"\\rst\\ x");

    host.voicePosition = 1;
    Speak();
    EXPECT_EQ(control->Job().text, u"\\rst\\\\spd=1\\\\vol=1\\\\pit=1\\ x");
}

TEST_F(StartJobTest, Sapi5JobsCarryAllThreeElementsAndTheTextUnescaped) {
    host.editorText = u"a\\b <b>&amp; 1 < 2";
    host.voicePosition = 3; // "Boris"
    host.qualityPosition = 3;
    Speak();

    const std::u16string expected = u"<volume level=\"100\"/><rate absspeed=\"0\"/>"
                                    u"<pitch absmiddle=\"0\"/>a\\b <b>&amp; 1 < 2";
    EXPECT_EQ(control->Job().text, expected);
    EXPECT_EQ(control->Job().voiceIndex, 1);
    EXPECT_EQ(control->Job().streamFormat, 7);
    ASSERT_EQ(Sapi5Texts().size(), 1u);
    EXPECT_EQ(Sapi5Texts()[0], expected);
    std::lock_guard lock(sapi5.State().mutex);
    EXPECT_EQ(sapi5.State().voicesUsed, std::vector<std::u16string>{u"Boris"});
}

TEST_F(StartJobTest, Sapi5PositionAndQualityFallbacks) {
    host.editorText = u"x";
    host.volumePosition = 40;
    host.speedPosition = -7;
    host.pitchPosition = 10;
    host.voicePosition = 9; // beyond both lists
    host.qualityPosition = -1;
    Speak();
    EXPECT_EQ(control->Job().voiceIndex, 0);
    EXPECT_EQ(control->Job().streamFormat, 22);
    EXPECT_EQ(control->Job().text,
              u"<volume level=\"40\"/><rate absspeed=\"-7\"/><pitch absmiddle=\"10\"/>x");

    // A SAPI 4 job leaves the format of the last SAPI 5 job alone.
    host.qualityPosition = 35;
    host.voicePosition = 1;
    Speak();
    EXPECT_EQ(control->Job().streamFormat, 22);
    EXPECT_EQ(control->Job().voiceIndex, 1);
}

TEST_F(StartJobTest, TextSelectionAndEmptyText) {
    host.editorText = u"whole text";
    host.selectedText = u"";
    Speak(true);
    EXPECT_EQ(control->Job().text, u"\\rst\\ whole text");

    host.selectedText = u"part";
    Speak(true);
    EXPECT_EQ(control->Job().text, u"\\rst\\ part");
    Speak(false);
    EXPECT_EQ(control->Job().text, u"\\rst\\ whole text");

    host.editorText = u"";
    control->StartJob(false, false);
    EXPECT_FALSE(control->IsJobRunning());
    EXPECT_EQ(control->Job().text, u"");
    EXPECT_EQ(control->Job().speak, FALSE);
    EXPECT_EQ(host.dialogRuns, 0);
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(sapi4.State().textDataCalls.load(), 3);
}

TEST_F(StartJobTest, NoVoiceSelectedAsksForOne) {
    host.voicePosition = -1;
    control->StartJob(false, false);
    EXPECT_FALSE(control->IsJobRunning());
    EXPECT_EQ(host.dialogRuns, 0);
    ASSERT_EQ(messages.Ids(), std::vector<UINT>{IDS_SELECT_VOICE});
    EXPECT_EQ(messages.Boxes()[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(sapi4.State().textDataCalls.load(), 0);
}

TEST_F(StartJobTest, CancelledDialogKeepsTheEarlierOutputChoice) {
    host.ChooseOutput(folder.U16("first.mp3"), OutputKind::Mp3);
    host.dialogChoice.mp3Kbps = 128;
    host.dialogChoice.mp3Quality = 5;
    host.dialogChoice.mp3Vbr = TRUE;
    host.dialogChoice.wmaCodecIndex = 1;
    host.dialogChoice.wmaFormatIndex = 4;
    control->StartJob(false, false);
    ASSERT_TRUE(JobEnds());
    const SpeechJob first = control->Job();
    EXPECT_EQ(first.outputPath, folder.U16("first.mp3"));
    EXPECT_EQ(first.outputKind, OutputKind::Mp3);
    EXPECT_EQ(first.mp3Kbps, 128);
    EXPECT_EQ(first.mp3Quality, 5);
    EXPECT_EQ(first.mp3Vbr, TRUE);
    EXPECT_EQ(first.wmaCodecIndex, 1);
    EXPECT_EQ(first.wmaFormatIndex, 4);

    host.dialogAccepted = false;
    host.dialogChoice = OutputFileChoice{folder.U16("second.wma"), OutputKind::Wma};
    const int calls = sapi4.State().textDataCalls.load();
    control->StartJob(false, false);
    EXPECT_FALSE(control->IsJobRunning());
    EXPECT_EQ(host.dialogRuns, 2);
    EXPECT_EQ(sapi4.State().textDataCalls.load(), calls);
    EXPECT_EQ(control->Job().outputPath, first.outputPath);
    EXPECT_EQ(control->Job().outputKind, OutputKind::Mp3);
    EXPECT_EQ(control->Job().mp3Kbps, 128);

    // A Speak job after a Write job still holds the output fields.
    Speak();
    EXPECT_EQ(control->Job().outputPath, first.outputPath);
}

TEST_F(StartJobTest, EmptySapi5ListDoesNothingForSapi5Positions) {
    ScopedClassOverride noVoices(CLSID_SpObjectTokenCategory, ClassFactory{});
    control = MakeControl();
    control->CreateStopEvent();
    ASSERT_EQ(control->Sapi5().VoiceCount(), 0u);

    host.voicePosition = 2;
    control->StartJob(true, false);
    EXPECT_FALSE(control->IsJobRunning());
    EXPECT_EQ(sapi5.State().speakCalls.load(), 0);
    EXPECT_EQ(sapi4.State().textDataCalls.load(), 0);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST(ProsodyMarkup, DoublesEveryBackslashOnceWithoutRescanning) {
    CSAPI4VoiceInfo voice;
    EXPECT_EQ(BuildSapi4Prefix(StringJobText(u"\\\\x\\"), voice, {}), u"\\rst\\ \\\\\\\\x\\\\");
    EXPECT_EQ(BuildSapi4Prefix(StringJobText(u""), voice, {}), u"\\rst\\ ");
    EXPECT_EQ(BuildSapi5Prefix(StringJobText(u"\\"), {0, 10, -10}),
              u"<volume level=\"0\"/><rate absspeed=\"10\"/><pitch absmiddle=\"-10\"/>\\");
}

TEST_F(StartJobTest, CatalogueListsSapi4VoicesFirstInOneIndexSpace) {
    const VoiceCatalogue catalogue(control->Sapi4(), control->Sapi5());
    ASSERT_EQ(catalogue.Count(), 4u);
    EXPECT_EQ(catalogue.DisplayString(0), u"Kal, SAPI4");
    EXPECT_EQ(catalogue.DisplayString(1), u"Slt, SAPI4");
    EXPECT_EQ(catalogue.DisplayString(2), u"Anna, SAPI5");
    EXPECT_EQ(catalogue.DisplayString(3), u"Boris, SAPI5");
    EXPECT_TRUE(catalogue.IsSapi4(1));
    EXPECT_FALSE(catalogue.IsSapi4(2));
    EXPECT_EQ(catalogue.Sapi5Index(3), 1);
    EXPECT_EQ(catalogue.Sapi5Index(4), 0);
    EXPECT_THROW(catalogue.DisplayString(4), std::invalid_argument);
}

} // namespace
