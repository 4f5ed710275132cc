// Many jobs, started and stopped at random moments against runtimes that take
// random times: every job ends, and what stays on disk is only complete output.

#include "tests/jobs/JobTestSupport.h"

#include <random>

namespace {

using JobStressTest = JobControlTest;

TEST_F(JobStressTest, TwoHundredJobsStartedAndStoppedAtRandom) {
    std::mt19937 random(20240611);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

    for (int i = 0; i < 200; ++i) {
        {
            std::lock_guard lock4(sapi4.State().mutex);
            std::lock_guard lock5(sapi5.State().mutex);
            sapi4.State().speechMs = static_cast<unsigned>(below(5));
            sapi5.State().speechMs = static_cast<unsigned>(below(5));
        }
        host.voicePosition = below(4);
        host.qualityPosition = below(36);
        host.speedPosition = below(21) - 10;
        const bool speak = below(3) == 0;
        const std::string name = "job" + std::to_string(i) + (below(8) == 0 ? ".mp3" : ".wav");
        host.ChooseOutput(folder.U16(name),
                          name.ends_with(".mp3") ? OutputKind::Mp3 : OutputKind::Wav);
        control->StartJob(speak, false);

        switch (below(3)) {
        case 0: // stopped at once or a little later
            std::this_thread::sleep_for(std::chrono::milliseconds(below(4)));
            control->RequestStop();
            break;
        case 1: // left to end by itself
            ASSERT_TRUE(JobEnds());
            break;
        default: // ended by the next StartJob
            break;
        }
    }
    control->EndJob();
    EXPECT_FALSE(control->IsJobRunning());

    for (const std::string& name : folder.Files()) {
        EXPECT_FALSE(name.ends_with(".mp3.wav")) << name;
        if (name.ends_with(".wav"))
            EXPECT_TRUE(FakeJobWav::IsComplete(folder / name)) << name;
        else
            EXPECT_GT(std::filesystem::file_size(folder / name), 0u) << name;
    }
    EXPECT_EQ(sapi4.Alive(), 0);
    control->CloseStopEvent();
    control.reset();
    EXPECT_EQ(sapi5.Alive(), 0);
    EXPECT_EQ(sapi4.State().textDataCalls.load() + sapi5.State().speakCalls.load(), 200);
}

} // namespace
