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
#include "tests/fakes/FakeSapi5Runtime.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/ComApartment.h"
#include "tests/support/Eventually.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <thread>
#include <vector>

inline bool Exists(const std::filesystem::path& p) {
    return std::filesystem::exists(p);
}

// Speech ends by itself, as the real runtimes' does, and SAPI 5 offers the
// tokens "Anna" and "Boris".
inline void UseJobRuntimes(FakeSapi4Runtime& sapi4, FakeSapi5Runtime& sapi5) {
    sapi4.State().endless = false;
    sapi5.State().endless = false;
    for (const char16_t* name : {u"Anna", u"Boris"})
        sapi5.AddToken(std::u16string(u"Fake\\") + name, {{u"", name}});
}

// Two fake SAPI 4 voices (positions 0 and 1) and the fake SAPI 5 tokens
// "Anna" and "Boris" (positions 2 and 3).
class JobControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        UseJobRuntimes(sapi4, sapi5);
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

    ComApartment com;
    ScratchFolder folder;
    RecordingMessageService messages;
    FakeSapi4Runtime sapi4;
    FakeSapi5Runtime sapi5;
    FakeJobHost host;
    std::vector<CSAPI4VoiceInfo> sapi4Voices;
    std::unique_ptr<JobControl> control;
};
