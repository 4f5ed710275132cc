// The two workers run directly on a context of the test's making, so that the
// test holds the stop event and the cancel flag itself.

#include "src/jobs/JobContext.h"
#include "src/jobs/OutputFiles.h"
#include "src/jobs/Sapi4Worker.h"
#include "src/jobs/Sapi5Worker.h"
#include "src/resources/resource.h"
#include "tests/jobs/JobTestSupport.h"

namespace {

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseJobRuntimes(sapi4, sapi5);
        stopEvent = std::make_shared<Event>(false);
        cancel = std::make_shared<std::atomic<bool>>(false);
        sink.SetStopEvent(stopEvent);
        sapi4Engine = std::make_shared<Sapi4Engine>(
            std::vector<CSAPI4VoiceInfo>{FakeSapi4Runtime::Voice(u"Kal")});
        sapi4Engine->SetNotifySink(&sink);
        sapi5Engine = std::make_shared<Sapi5Engine>();
    }

    std::shared_ptr<JobContext> Context(bool sapi4Job, bool speak,
                                        OutputKind kind = OutputKind::Wav,
                                        const std::string& output = "out.wav") {
        auto context = std::make_shared<JobContext>();
        context->job.speak = speak ? TRUE : FALSE;
        context->text = std::make_shared<StringJobText>(u"text");
        context->job.outputKind = kind;
        context->job.outputPath = folder.U16(output);
        context->job.streamFormat = 22;
        context->stopEvent = stopEvent;
        context->cancelRequested = cancel;
        if (sapi4Job)
            context->sapi4 = sapi4Engine;
        else
            context->sapi5 = sapi5Engine;
        return context;
    }

    // Starts the worker on its own thread; Join() waits for its end.
    void Start(std::shared_ptr<JobContext> context) {
        const bool sapi4Job = context->sapi4 != nullptr;
        thread = WorkerThread::Create([context, sapi4Job]() mutable {
            return sapi4Job ? Sapi4Worker(std::move(context)) : Sapi5Worker(std::move(context));
        });
        ASSERT_TRUE(thread);
        thread->Resume();
    }
    void Join() { ASSERT_TRUE(thread->Wait(60000)); }
    void Stop() {
        cancel->store(true);
        stopEvent->Set();
    }
    void Run(std::shared_ptr<JobContext> context) {
        Start(std::move(context));
        Join();
    }

    template <class S> static auto Locked(S& state, auto read) {
        std::lock_guard lock(state.mutex);
        return read(state);
    }

    ComApartment com;
    ScratchFolder folder;
    RecordingMessageService messages;
    FakeSapi4Runtime sapi4;
    FakeSapi5Runtime sapi5;
    CTTSNotifySink sink;
    std::shared_ptr<Event> stopEvent;
    std::shared_ptr<std::atomic<bool>> cancel;
    std::shared_ptr<Sapi4Engine> sapi4Engine;
    std::shared_ptr<Sapi5Engine> sapi5Engine;
    std::unique_ptr<WorkerThread> thread;
};

TEST_F(WorkerTest, Sapi4WriteEndsWithTheAudioStopAndKeepsACompleteFile) {
    sapi4.State().speechMs = 5;
    Run(Context(true, false));
    EXPECT_TRUE(FakeJobWav::IsComplete(folder / "out.wav"));
    // EndSpeech resets the engine's audio once; a stopped job resets it twice.
    EXPECT_EQ(Locked(sapi4.State(), [](auto& s) { return s.audioResets; }), 1);
    EXPECT_EQ(Locked(sapi4.State(), [](auto& s) { return s.flushes; }), 1);
    EXPECT_EQ(Locked(sapi4.State(), [](auto& s) { return s.unregistrations; }), 1);
    EXPECT_EQ(sapi4Engine->HeldEngine(), nullptr);
    EXPECT_EQ(sapi4.Alive(), 0);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(WorkerTest, Sapi4StopDuringSpeechResetsTheAudioAndDeletesThePartialFile) {
    for (bool speak : {false, true}) {
        sapi4.State().endless = true;
        Start(Context(true, speak));
        ASSERT_TRUE(
            Eventually([&] { return sapi4.State().textDataCalls.load() == (speak ? 2 : 1); }));
        Stop();
        Join();
        EXPECT_EQ(Locked(sapi4.State(), [](auto& s) { return s.audioResets; }), speak ? 4 : 2);
        EXPECT_FALSE(Exists(folder / "out.wav"));
        EXPECT_EQ(sapi4Engine->HeldEngine(), nullptr);
        stopEvent->Reset();
        cancel->store(false);
    }
}

TEST_F(WorkerTest, Sapi4CancelFlagDecidesWhenStopAndEndOfSpeechMeet) {
    // The quit message is queued and the stop requested before the worker
    // waits: cancelled, so stopped.
    auto gate = std::make_shared<Event>(false);
    sapi4.State().postStopAtOnce = true;
    sapi4.State().returnGate = gate;
    Start(Context(true, false));
    ASSERT_TRUE(Eventually([&] { return sapi4.State().textDataCalls.load() == 1; }));
    Stop();
    gate->Set();
    Join();
    EXPECT_FALSE(Exists(folder / "out.wav"));
    EXPECT_EQ(Locked(sapi4.State(), [](auto& s) { return s.audioResets; }), 2);

    // The stop event alone, as the sink signals it when it cannot post: the
    // job counts as finished and its file stays.
    stopEvent->Reset();
    cancel->store(false);
    sapi4.State().postStopAtOnce = false;
    sapi4.State().returnGate = nullptr;
    sapi4.State().endless = true;
    Start(Context(true, false));
    ASSERT_TRUE(Eventually([&] { return sapi4.State().textDataCalls.load() == 2; }));
    stopEvent->Set();
    Join();
    EXPECT_TRUE(FakeJobWav::IsComplete(folder / "out.wav"));
    EXPECT_EQ(Locked(sapi4.State(), [](auto& s) { return s.audioResets; }), 3);
}

TEST_F(WorkerTest, Sapi4FailedStartShowsOneMessageAndLeavesNoIntermediateFile) {
    sapi4.Results().textData = E_FAIL;
    Run(Context(true, false, OutputKind::Mp3, "talk.mp3"));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_TTS_TEXTDATA});
    EXPECT_TRUE(folder.Files().empty());

    messages.Clear();
    sapi4.Results().find = E_FAIL;
    Run(Context(true, false, OutputKind::Wav));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_TTS_FIND_MODE});
    EXPECT_TRUE(folder.Files().empty());
}

// The user reads the engine's refusal of the text with the file still there;
// it goes once the box has been answered.
TEST_F(WorkerTest, Sapi4RefusedTextIsReportedBeforeItsFileGoes) {
    sapi4.Results().textData = E_FAIL;
    const struct {
        OutputKind kind;
        const char* output;
        const char* wav;
    } cases[] = {{OutputKind::Wav, "out.wav", "out.wav"},
                 {OutputKind::Mp3, "talk.mp3", "talk.mp3.wav"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.output);
        messages.Clear();
        std::vector<bool> wavAtMessage;
        messages.OnShow([&](const auto&) { wavAtMessage.push_back(Exists(folder / c.wav)); });
        Run(Context(true, false, c.kind, c.output));
        messages.OnShow({});
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_TTS_TEXTDATA});
        EXPECT_EQ(wavAtMessage, std::vector<bool>{true});
        EXPECT_TRUE(folder.Files().empty());
        EXPECT_EQ(sapi4Engine->HeldEngine(), nullptr);
        EXPECT_EQ(sapi4.Alive(), 0);
    }
}

// A file the engine could not complete is reported for a finished Write; a
// stopped one shows nothing, and its partial file goes all the same.
TEST_F(WorkerTest, Sapi4FailedFlushIsReportedOnlyWhenTheWriteWasNotStopped) {
    sapi4.Results().flush = STG_E_MEDIUMFULL;
    sapi4.State().speechMs = 5;
    for (bool stop : {false, true}) {
        SCOPED_TRACE(stop ? "stopped" : "finished");
        messages.Clear();
        stopEvent->Reset();
        cancel->store(false);
        sapi4.State().endless = stop;
        const int calls = sapi4.State().textDataCalls.load();
        Start(Context(true, false));
        if (stop) {
            ASSERT_TRUE(
                Eventually([&] { return sapi4.State().textDataCalls.load() == calls + 1; }));
            Stop();
        }
        Join();
        EXPECT_EQ(messages.Ids(),
                  stop ? std::vector<UINT>{} : std::vector<UINT>{IDS_TTS_OUTPUT_FILE});
        EXPECT_TRUE(folder.Files().empty());
    }
}

TEST_F(WorkerTest, Sapi5WriteInTheChosenFormatEndsWithTheCompleteEvent) {
    sapi5.State().speechMs = 5;
    auto context = Context(false, false);
    context->job.streamFormat = 7; // 8 kHz 16 bit stereo
    context->job.voiceIndex = 1;
    Run(context);
    EXPECT_TRUE(FakeJobWav::IsComplete(folder / "out.wav"));
    EXPECT_EQ(Locked(sapi5.State(), [](auto& s) { return s.boundRates; }), std::vector<int>{8000});
    EXPECT_EQ(Locked(sapi5.State(), [](auto& s) { return s.voicesUsed; }),
              std::vector<std::u16string>{u"Boris"});
    EXPECT_EQ(Locked(sapi5.State(), [](auto& s) { return s.calls.purges.size(); }), 0u);
    EXPECT_EQ(sapi5Engine->HeldVoice(), nullptr);
    EXPECT_EQ(sapi5Engine->HeldStream(), nullptr);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(WorkerTest, Sapi5StopPurgesAndDeletesThePartialFile) {
    sapi5.State().endless = true;
    Start(Context(false, false, OutputKind::Wma, "talk.wma"));
    ASSERT_TRUE(Eventually([&] { return sapi5.State().speakCalls.load() == 1; }));
    EXPECT_TRUE(Exists(folder / "talk.wma.wav"));
    // The SAPI 5 worker does not read the flag: the event alone stops it.
    stopEvent->Set();
    Join();
    EXPECT_EQ(Locked(sapi5.State(), [](auto& s) { return s.calls.purges.size(); }), 1u);
    EXPECT_TRUE(folder.Files().empty());
}

TEST_F(WorkerTest, Sapi5StopEventWinsOverTheCompleteEvent) {
    auto gate = std::make_shared<Event>(false);
    sapi5.State().completeAtOnce = true;
    sapi5.State().returnGate = gate;
    Start(Context(false, false));
    ASSERT_TRUE(Eventually([&] { return sapi5.State().speakCalls.load() == 1; }));
    stopEvent->Set();
    gate->Set();
    Join();
    EXPECT_EQ(Locked(sapi5.State(), [](auto& s) { return s.calls.purges.size(); }), 1u);
    EXPECT_FALSE(Exists(folder / "out.wav"));
}

TEST_F(WorkerTest, Sapi5FailedStartIsReportedBeforeItsFileGoes) {
    const struct {
        HRESULT FakeSapi5Results::*step;
        UINT message;
        OutputKind kind;
        const char* output;
        const char* wav;
    } cases[] = {
        {&FakeSapi5Results::setOutput, IDS_SP_SET_OUTPUT, OutputKind::Wav, "out.wav", "out.wav"},
        {&FakeSapi5Results::setVoice, IDS_SP_SET_VOICE, OutputKind::Wav, "out.wav", "out.wav"},
        {&FakeSapi5Results::speak, IDS_SP_SPEAK, OutputKind::Mp3, "talk.mp3", "talk.mp3.wav"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        sapi5.Results() = {};
        sapi5.Results().*c.step = E_FAIL;
        messages.Clear();
        std::vector<bool> wavAtMessage;
        messages.OnShow([&](const auto&) { wavAtMessage.push_back(Exists(folder / c.wav)); });
        Run(Context(false, false, c.kind, c.output));
        messages.OnShow({});
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{c.message});
        EXPECT_EQ(wavAtMessage, std::vector<bool>{true});
        EXPECT_TRUE(folder.Files().empty());
        EXPECT_EQ(sapi5Engine->HeldStream(), nullptr);
    }
}

TEST_F(WorkerTest, Sapi5FailedStartShowsOneMessageAndLeavesNoIntermediateFile) {
    sapi5.Results().speak = E_FAIL;
    Run(Context(false, false, OutputKind::Mp3, "talk.mp3"));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_SP_SPEAK});
    EXPECT_TRUE(folder.Files().empty());
}

TEST_F(WorkerTest, Sapi5SpeechThatFailedOnTheWayIsReportedAndLeavesNoFile) {
    sapi5.State().speechMs = 5;
    sapi5.State().speechResult = STG_E_MEDIUMFULL; // the disk filled while it spoke
    Run(Context(false, false, OutputKind::Mp3, "talk.mp3"));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_SP_SPEAK});
    EXPECT_TRUE(folder.Files().empty());
}

// The engines report a file they could not complete themselves and the job
// ends as stopped; a WAV missing at conversion all the same is said once, and
// the user's file that the conversion never reached stays.
TEST_F(WorkerTest, AMissingWavIsReportedOnceAndTheUsersFileStays) {
    WriteAll(folder / "talk.mp3", "an older file of the user's");
    SpeechJob job;
    job.outputKind = OutputKind::Mp3;
    job.outputPath = folder.U16("talk.mp3");
    FinishJob(job, WavTarget{folder.U16("talk.mp3.wav"), true, true}, false);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_OPEN});
    EXPECT_EQ(ReadAll(folder / "talk.mp3"), "an older file of the user's");
}

TEST_F(WorkerTest, IntermediateFileNeverReplacesAFileOfTheUsers) {
    WriteAll(folder / "talk.mp3.wav", "mine");
    WriteAll(folder / "talk.mp3.1.wav", "mine too");
    sapi4.State().endless = true;
    Start(Context(true, false, OutputKind::Mp3, "talk.mp3"));
    ASSERT_TRUE(Eventually([&] { return sapi4.State().textDataCalls.load() == 1; }));
    EXPECT_EQ(Locked(sapi4.State(), [](auto& s) { return s.filePaths; }),
              std::vector<std::u16string>{folder.U16("talk.mp3.2.wav")});
    Stop();
    Join();
    EXPECT_EQ(ReadAll(folder / "talk.mp3.wav"), "mine");
    EXPECT_EQ(ReadAll(folder / "talk.mp3.1.wav"), "mine too");
    EXPECT_FALSE(Exists(folder / "talk.mp3.2.wav"));
    EXPECT_FALSE(Exists(folder / "talk.mp3"));
}

} // namespace
