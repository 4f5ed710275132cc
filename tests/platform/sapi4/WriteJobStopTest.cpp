// Stop in the middle of a Write job whose sentences are synthesised on
// several threads, through the program's own job path and the real runtime.

#include "platform/Runtimes.h"
#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/sapi4/FliteSpeech.h"
#include "src/jobs/JobControl.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"
#include "tests/fakes/FakeJobHost.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/ComApartment.h"
#include "tests/support/Eventually.h"
#include "tests/support/ScratchFolder.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::size_t ThreadCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

std::uintmax_t SizeOf(const fs::path& path) {
    std::error_code ec;
    const auto size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

} // namespace

TEST(WriteJobStopTest, StopLeavesNoFileAndNoThreadBehind) {
    RegisterPlatformRuntimes();
    ComApartment com;
    ASSERT_TRUE(SUCCEEDED(com.Result()));
    ScratchFolder folder;
    const fs::path dir = folder.Path();
    {
        RecordingMessageService messages;
        SetFileSynthesisThreads(2);
        FakeJobHost host;
        JobControl jobs(host, std::make_unique<Sapi4Engine>(), std::make_unique<Sapi5Engine>());
        jobs.CreateStopEvent();
        ASSERT_GT(jobs.Sapi4().VoiceCount(), 0u);
        host.voicePosition = static_cast<int>(jobs.Sapi4().VoiceCount()) - 1;

        // A short job first, so that the runtime's own synthesis thread is
        // there before the threads are counted.
        host.editorText = u"A first, short text.";
        host.ChooseOutput(FromUtf8((dir / "first.wav").string()));
        jobs.StartJob(false, false);
        ASSERT_TRUE(Eventually([&] { return !jobs.IsJobRunning(); }));
        const std::size_t threadsBefore = ThreadCount();

        host.editorText.clear();
        // Some two hours of speech.
        for (int i = 0; i < 3000; ++i)
            host.editorText += u"This sentence is one of many in a long text. ";
        const fs::path path = dir / "stopped.wav";
        host.ChooseOutput(FromUtf8(path.string()));
        jobs.StartJob(false, false);
        // Some sentences are written, more are under way.
        ASSERT_TRUE(Eventually([&] { return SizeOf(path) > 100000; }));
        jobs.RequestStop();
        ASSERT_TRUE(Eventually([&] { return !jobs.IsJobRunning(); }, std::chrono::seconds(10)));
        EXPECT_FALSE(fs::exists(path));
        EXPECT_TRUE(
            Eventually([&] { return ThreadCount() == threadsBefore; }, std::chrono::seconds(10)))
            << ThreadCount() << " threads against " << threadsBefore;
        // Nothing still under way writes the file again.
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        EXPECT_FALSE(fs::exists(path));
        EXPECT_TRUE(messages.Boxes().empty());
        jobs.EndJob();
        jobs.CloseStopEvent();
        SetFileSynthesisThreads(0);
    }
}
