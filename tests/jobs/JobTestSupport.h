#pragma once
// What the job tests share: COM on the test thread, a scratch folder, the
// recording message service, the fake runtimes and a job control over them.

#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "src/jobs/JobControl.h"
#include "src/speech/CTTSNotifySink.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"
#include "tests/fakes/FakeJobHost.h"
#include "tests/fakes/FakeJobWav.h"
#include "tests/fakes/FakeSapi4Runtime.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/jobs/FakeJobSapi5Runtime.h"
#include "tests/support/ScratchFolder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// Polls until `done` holds; the bound only keeps a broken build from hanging.
inline bool Eventually(const std::function<bool()>& done,
                       std::chrono::seconds bound = std::chrono::seconds(60)) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline bool Exists(const std::filesystem::path& p) {
    return std::filesystem::exists(p);
}

inline std::string ReadAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::filesystem::path& p, const std::string& content) {
    std::ofstream(p, std::ios::binary) << content;
}

class ComThread {
public:
    ComThread() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComThread() { CoUninitialize(); }
};

// Two fake SAPI 4 voices (positions 0 and 1) and the fake SAPI 5 tokens
// "Anna" and "Boris" (positions 2 and 3).
class JobControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Speech ends by itself, as the real runtime's does.
        sapi4.state().endless = false;
        sapi4Voices = {FakeSapi4Runtime::Voice(u"Kal"), FakeSapi4Runtime::Voice(u"Slt")};
        control = MakeControl();
        control->CreateStopEvent();
    }
    void TearDown() override {
        if (control) {
            control->EndJob();
            control->CloseStopEvent();
            control.reset();
        }
    }

    std::unique_ptr<JobControl> MakeControl() {
        return std::make_unique<JobControl>(host, std::make_unique<Sapi4Engine>(sapi4Voices),
                                            std::make_unique<Sapi5Engine>());
    }

    bool JobEnds() {
        return Eventually([&] { return !control->IsJobRunning(); });
    }

    ComThread com;
    ScratchFolder folder;
    RecordingMessageService messages;
    FakeSapi4Runtime sapi4;
    FakeJobSapi5Runtime sapi5;
    FakeJobHost host;
    std::vector<CSAPI4VoiceInfo> sapi4Voices;
    std::unique_ptr<JobControl> control;
};
