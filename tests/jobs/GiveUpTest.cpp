// EndJob with its real bounds, as the window closing during a long MP3 write
// runs it: a flite voice writes the WAV, and the real encoder, paced through
// the fake encoder library, is still converting when the wait runs out.

#include "src/audio/Mp3Encoder.h"
#include "tests/fakes/FakeLameEnc.h"
#include "tests/jobs/JobTestSupport.h"

namespace {

TEST(GiveUpTest, ConversionOutlastingTheWaitIsAbandonedAndLeavesNoFile) {
    RegisterSapi4Runtime();
    Mp3Encoder::SetLibraryPath(FAKE_LAME_ENC);

    ComApartment com;
    ScratchFolder folder;
    RecordingMessageService messages;
    FakeJobHost host;
    JobControl control(host, std::make_unique<Sapi4Engine>(), std::make_unique<Sapi5Engine>());
    control.CreateStopEvent();
    ASSERT_GT(control.Sapi4().VoiceCount(), 0u);
    // Some forty seconds of speech: over a thousand encoder calls of 20 ms.
    host.editorText.clear();
    for (int i = 0; i < 12; ++i)
        host.editorText += u"The harbour was quiet in the morning, and the boats rocked gently. ";
    host.ChooseOutput(folder.U16("talk.mp3"), OutputKind::Mp3);
    host.dialogChoice.mp3Kbps = 64;
    FakeLame::Reset({.real = true, .paceMs = 20});
    control.StartJob(false, false);
    ASSERT_TRUE(Eventually([&] { return FakeLame::Count("beEncodeChunk") > 0; }));

    const Sapi4Engine* engine = &control.Sapi4();
    control.EndJob();
    // The worker ended within the abandon wait (it was not given up) and
    // removed both of its files; stopping is no failure to report.
    EXPECT_FALSE(control.IsJobRunning());
    EXPECT_EQ(&control.Sapi4(), engine);
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_TRUE(messages.Boxes().empty());

    // The program goes on: the next job writes its file.
    FakeLame::Reset({.real = true});
    host.editorText = u"Nothing lost.";
    control.StartJob(false, false);
    ASSERT_TRUE(Eventually([&] { return !control.IsJobRunning(); }));
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"talk.mp3"});
    control.CloseStopEvent();
    Mp3Encoder::SetLibraryPath("");
}

} // namespace
