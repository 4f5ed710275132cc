// Jobs run to their end, stopped, and given up by EndJob when their worker
// hangs; what each leaves on disk.

#include "src/jobs/OutputFiles.h"
#include "src/resources/resource.h"
#include "tests/jobs/JobTestSupport.h"

namespace {

using EndJobTest = JobControlTest;

TEST_F(EndJobTest, WriteJobsLeaveTheirOutputAndNothingElse) {
    host.ChooseOutput(folder.U16("talk.wav"));
    control->StartJob(false, false);
    ASSERT_TRUE(JobEnds());
    EXPECT_TRUE(FakeJobWav::IsComplete(folder / "talk.wav"));

    host.voicePosition = 2;
    host.ChooseOutput(folder.U16("anna.wav"));
    control->StartJob(false, false);
    ASSERT_TRUE(JobEnds());
    EXPECT_TRUE(FakeJobWav::IsComplete(folder / "anna.wav"));

    host.ChooseOutput(folder.U16("talk.mp3"), OutputKind::Mp3);
    host.dialogChoice.mp3Kbps = 64;
    host.dialogChoice.mp3Quality = 5;
    control->StartJob(false, false);
    ASSERT_TRUE(JobEnds());
    // Encoded from the intermediate file, which is gone again.
    EXPECT_TRUE(messages.Boxes().empty());
    ASSERT_TRUE(Exists(folder / "talk.mp3"));
    EXPECT_GT(std::filesystem::file_size(folder / "talk.mp3"), 0u);
    EXPECT_FALSE(Exists(folder / "talk.mp3.wav"));
    EXPECT_EQ(folder.Files().size(), 3u);
}

TEST_F(EndJobTest, StopDuringWriteDeletesThePartialFileAndConvertsNothing) {
    sapi4.State().endless = true;
    sapi5.State().endless = true;
    for (int voice : {0, 2}) {
        host.voicePosition = voice;
        host.ChooseOutput(folder.U16("talk.mp3"), OutputKind::Mp3);
        control->StartJob(false, false);
        ASSERT_TRUE(Eventually([&] { return Exists(folder / "talk.mp3.wav"); }));
        EXPECT_TRUE(control->IsJobRunning());
        control->RequestStop();
        ASSERT_TRUE(JobEnds());
        EXPECT_TRUE(folder.Files().empty()) << "voice " << voice;
    }
    // The window closing during a write: EndJob counts as a stop.
    host.voicePosition = 1;
    host.ChooseOutput(folder.U16("talk.wav"));
    control->StartJob(false, false);
    ASSERT_TRUE(Eventually([&] { return Exists(folder / "talk.wav"); }));
    control->EndJob();
    EXPECT_FALSE(control->IsJobRunning());
    EXPECT_TRUE(folder.Files().empty());
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(EndJobTest, FailedConversionDeletesTheIntermediateAndTheOutputFile) {
    WriteAll(folder / "talk.mp3.wav", "RIFF, but not a WAV file at all");
    WriteAll(folder / "talk.mp3", "a file of the user's");
    SpeechJob job;
    job.outputPath = folder.U16("talk.mp3");
    job.outputKind = OutputKind::Mp3;
    job.mp3Kbps = 128;
    FinishJob(job, WavTarget{folder.U16("talk.mp3.wav"), true, true}, false);
    // The conversion never reached the output file: it stays the user's.
    EXPECT_EQ(folder.Files(), std::vector<std::string>{"talk.mp3"});
    EXPECT_EQ(ReadAll(folder / "talk.mp3"), "a file of the user's");
    EXPECT_EQ(messages.Boxes().size(), 1u);
    std::filesystem::remove(folder / "talk.mp3");

    WriteAll(folder / "talk.wma.wav", "");
    job.outputPath = folder.U16("talk.wma");
    job.outputKind = OutputKind::Wma;
    FinishJob(job, WavTarget{folder.U16("talk.wma.wav"), true, true}, false);
    EXPECT_TRUE(folder.Files().empty());
}

TEST_F(EndJobTest, IntermediateNamesSkipTakenOnesAndReserveTheirName) {
    SpeechJob job;
    job.outputPath = folder.U16("a.wma");
    job.outputKind = OutputKind::Wma;
    WavTarget first = ChooseWavTarget(job);
    WavTarget second = ChooseWavTarget(job);
    EXPECT_EQ(first.path, folder.U16("a.wma.wav"));
    EXPECT_EQ(second.path, folder.U16("a.wma.1.wav"));
    EXPECT_TRUE(first.intermediate && second.intermediate);
    EXPECT_TRUE(Exists(folder / "a.wma.1.wav"));

    job.outputKind = OutputKind::Wav;
    EXPECT_EQ(ChooseWavTarget(job).path, folder.U16("a.wma"));
    EXPECT_FALSE(ChooseWavTarget(job).intermediate);
}

TEST_F(EndJobTest, HungSapi4WorkerIsGivenUpAndStopsAtItsNextSafePoint) {
    auto gate = std::make_shared<Event>(false);
    sapi4.State().textDataGate = gate;
    host.ChooseOutput(folder.U16("hung.wav"));
    control->StartJob(false, false);
    ASSERT_TRUE(Eventually([&] { return sapi4.State().textDataCalls.load() == 1; }));
    {
        std::lock_guard lock(sapi4.State().mutex);
        sapi4.State().textDataGate = nullptr;
    }
    const Sapi4Engine* before = &control->Sapi4();

    // The next job gives the hung worker up and runs on a fresh engine.
    host.ChooseOutput(folder.U16("next.wav"));
    control->StartJob(false, false);
    ASSERT_TRUE(JobEnds());
    EXPECT_TRUE(FakeJobWav::IsComplete(folder / "next.wav"));
    EXPECT_NE(&control->Sapi4(), before);
    EXPECT_EQ(control->Sapi4().VoiceCount(), 2u);
    EXPECT_EQ(before->VoiceCount(), 2u);
    EXPECT_TRUE(Exists(folder / "hung.wav"));

    // Let the hung engine call return: the worker finds its job stopped.
    gate->Set();
    ASSERT_TRUE(Eventually([&] { return !Exists(folder / "hung.wav") && sapi4.Alive() == 0; }));
    EXPECT_TRUE(FakeJobWav::IsComplete(folder / "next.wav"));
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(EndJobTest, HungSapi4WorkerOutlivesTheFrameAndItsSink) {
    // A job control of its own, so that it can go before the worker ends.
    auto frameJobs = std::make_unique<JobControl>(host, std::make_unique<Sapi4Engine>(sapi4Voices),
                                                  std::make_unique<Sapi5Engine>());
    frameJobs->CreateStopEvent();
    auto gate = std::make_shared<Event>(false);
    sapi4.State().textDataGate = gate;
    host.ChooseOutput(folder.U16("hung.wma"), OutputKind::Wma);
    frameJobs->StartJob(false, false);
    ASSERT_TRUE(Eventually([&] { return sapi4.State().textDataCalls.load() == 1; }));

    frameJobs->EndJob();
    frameJobs->CloseStopEvent();
    frameJobs.reset();

    // The worker comes back, stops, unregisters its sink and removes its file.
    gate->Set();
    ASSERT_TRUE(Eventually([&] { return sapi4.Alive() == 0; }));
    EXPECT_TRUE(Eventually([&] { return folder.Files().empty(); }));
    EXPECT_TRUE(messages.Boxes().empty());
    std::lock_guard lock(sapi4.State().mutex);
    EXPECT_EQ(sapi4.State().unregistrations, 1);
}

TEST_F(EndJobTest, HungSapi5WorkerOutlivesTheControlWithoutHarm) {
    auto gate = std::make_shared<Event>(false);
    sapi5.State().speakGate = gate;
    host.voicePosition = 3;
    host.ChooseOutput(folder.U16("hung.mp3"), OutputKind::Mp3);
    control->StartJob(false, false);
    ASSERT_TRUE(Eventually([&] { return sapi5.State().speakCalls.load() == 1; }));

    control->EndJob();
    EXPECT_FALSE(control->IsJobRunning());
    control->CloseStopEvent();
    control.reset();

    // The engine fails once it comes back: its message still has somewhere
    // to go, and the reserved intermediate file is removed.
    {
        std::lock_guard lock(sapi5.State().mutex);
        sapi5.Results().speak = E_FAIL;
    }
    gate->Set();
    ASSERT_TRUE(Eventually([&] { return messages.Boxes().size() == 1u; }));
    ASSERT_TRUE(Eventually([&] { return sapi5.Alive() == 0; }));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_SP_SPEAK});
    EXPECT_TRUE(Eventually([&] { return folder.Files().empty(); }));
}

} // namespace
