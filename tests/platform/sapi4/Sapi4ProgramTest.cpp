// The adapter of the program over the real runtime, driven the way a job's
// worker thread drives it: speak, dispatch until the sink's quit message,
// end the speech.

#include "platform/com/strings.h"
#include "platform/sync/sync.h"
#include "src/resources/resource.h"
#include "src/speech/CTTSNotifySink.h"
#include "src/speech/Sapi4Engine.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/platform/sapi4/RuntimeTestSupport.h"

#include <csignal>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

enum class Ended { Quit, StopEvent, NotStarted };

// The worker's part of a job: COM for the thread, the speak routine, the
// wait that dispatches messages, and EndSpeech.
Ended RunWorker(Sapi4Engine& engine, const std::shared_ptr<Event>& stopEvent,
                const std::function<bool()>& speak) {
    Ended ended = Ended::NotStarted;
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (speak()) {
            const Event* events[] = {stopEvent.get()};
            for (ended = Ended::NotStarted; ended == Ended::NotStarted;) {
                if (MsgWaitForMultipleEvents(events, INFINITE) == WAIT_OBJECT_0) {
                    ended = Ended::StopEvent;
                    break;
                }
                MSG msg;
                while (PeekMessage(&msg, PM_REMOVE)) {
                    if (msg.message == WM_QUIT) {
                        ended = Ended::Quit;
                        break;
                    }
                    TranslateMessage(&msg);
                    DispatchMessage(&msg);
                }
            }
            ShowIfFailed(engine.EndSpeech());
        }
        CoUninitialize();
    });
    worker.join();
    return ended;
}

// The program's adapter over the real runtime, with the sink a job's worker
// gives it.
class Sapi4ProgramTest : public Sapi4RuntimeTest {
protected:
    void SetUp() override {
        Sapi4RuntimeTest::SetUp();
        engine.emplace();
        ASSERT_GT(engine->VoiceCount(), 0u);
        sink.SetStopEvent(stopEvent);
        engine->SetNotifySink(&sink);
    }
    void TearDown() override {
        engine.reset();
        Sapi4RuntimeTest::TearDown();
    }

    RecordingMessageService messages;
    CTTSNotifySink sink;
    std::shared_ptr<Event> stopEvent = std::make_shared<Event>();
    std::optional<Sapi4Engine> engine;
};

} // namespace

TEST_F(Sapi4ProgramTest, TheAdapterListsEveryModeWithItsRanges) {
    EXPECT_TRUE(messages.Boxes().empty());
    ASSERT_EQ(engine->VoiceCount(), InstalledModes().size());
    for (std::size_t i = 0; i < engine->VoiceCount(); ++i) {
        const CSAPI4VoiceInfo& v = engine->Voice(i);
        SCOPED_TRACE(ToUtf8(v.modeInfo.szModeName));
        EXPECT_EQ(v.canSetSpeed, 1);
        EXPECT_EQ(v.canSetVolume, 1);
        EXPECT_EQ(v.canSetPitch, (v.modeInfo.dwFeatures & TTSFEATURE_PITCH) ? 1 : 0);
        EXPECT_LT(v.speedMin, v.speedMax);
        EXPECT_LT(v.volumeMin, v.volumeMax);
        if (v.canSetPitch) {
            EXPECT_LT(v.pitchMin, v.pitchMax);
        }
    }
    EXPECT_THROW(engine->Voice(engine->VoiceCount()), std::invalid_argument);
}

TEST_F(Sapi4ProgramTest, AWriteJobEndsThroughTheSinksQuitMessage) {
    const fs::path path = dir / "job.wav";
    const std::u16string text = u"\\rst\\\\spd=150\\ Writing a file, with a back\\\\slash.";

    const Ended ended = RunWorker(*engine, stopEvent, [&] {
        return ShowIfFailed(engine->SpeakToFile(FromUtf8(path.string()), text, engine->Voice(0)));
    });
    EXPECT_EQ(ended, Ended::Quit);
    EXPECT_FALSE(stopEvent->IsSet());
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(engine->HeldEngine(), nullptr);
    EXPECT_EQ(engine->HeldFile(), nullptr);
    EXPECT_EQ(engine->SinkKey(), 0u);
    auto wav = ReadWav(path);
    ASSERT_TRUE(wav);
    EXPECT_TRUE(wav->complete);
    EXPECT_GT(wav->Seconds(), 1.0);
    EXPECT_GT(Rms(wav->samples), 300.0);
}

TEST_F(Sapi4ProgramTest, ASpeakJobPlaysAndEndsThroughTheSinksQuitMessage) {
    const Ended ended = RunWorker(*engine, stopEvent, [&] {
        return ShowIfFailed(engine->SpeakToSpeakers(u"\\rst\\ Speaking aloud.", engine->Voice(0)));
    });
    EXPECT_EQ(ended, Ended::Quit);
    EXPECT_TRUE(messages.Boxes().empty());
    EXPECT_EQ(engine->HeldDevice(), nullptr);
    EXPECT_GT(fs::file_size(capture), 8000u);
}

TEST_F(Sapi4ProgramTest, NoSoundDeviceShowsTheTextDataMessage) {
    UseAlsaConfiguration("alsa-none.conf");
    const Ended ended = RunWorker(*engine, stopEvent, [&] {
        return ShowIfFailed(
            engine->SpeakToSpeakers(u"\\rst\\ Nobody hears this.", engine->Voice(0)));
    });
    EXPECT_EQ(ended, Ended::NotStarted);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_TTS_TEXTDATA});
    EXPECT_EQ(engine->HeldEngine(), nullptr);
    EXPECT_EQ(engine->HeldDevice(), nullptr);
    EXPECT_EQ(engine->SinkKey(), 0u);
}

TEST_F(Sapi4ProgramTest, AFullDiskLeavesNoHalfWrittenFileAndSaysSo) {
    const fs::path path = dir / "full.wav";
    std::u16string text = u"\\rst\\";
    for (int i = 0; i < 20; ++i)
        text += u" This sentence will not fit on the disk.";

    // Files of this process may grow to 20000 bytes: the header and the first
    // few hundred milliseconds of speech.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 20000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Ended ended = RunWorker(*engine, stopEvent, [&] {
        return ShowIfFailed(engine->SpeakToFile(FromUtf8(path.string()), text, engine->Voice(0)));
    });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_EQ(ended, Ended::Quit);
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_TTS_OUTPUT_FILE});
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(engine->HeldEngine(), nullptr);
    EXPECT_EQ(engine->HeldFile(), nullptr);
}
