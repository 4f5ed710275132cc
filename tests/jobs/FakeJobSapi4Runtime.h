#pragma once
// A SAPI 4 runtime for job tests, installed in the class registry while the
// object lives: a finder, engines, a file destination and a multimedia
// destination that record what the program asks of them. Speech "plays" for
// a set time after TextData and then ends with AudioStop, posted to the
// thread that called TextData as the real runtime does. Objects a given-up
// worker still holds keep the shared state alive after the runtime is gone.

#include "platform/com/com.h"
#include "platform/sapi4/sapi4.h"
#include "platform/sync/sync.h"
#include "src/speech/CSAPI4VoiceInfo.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class FakeJobScheduler;

class FakeJobSapi4Runtime {
public:
    enum class Failure { None, Find, Select, Register, SetFile, TextData };

    struct State {
        State();
        ~State();
        std::mutex mutex;
        // Behaviour, set before the job starts.
        Failure failAt = Failure::None;
        unsigned speechMs = 0;               // time from TextData to AudioStop
        bool endless = false;                // AudioStop never comes
        bool postStopAtOnce = false;         // AudioStop queued before TextData returns
        std::shared_ptr<Event> textDataGate; // TextData waits for it before speaking
        std::shared_ptr<Event> returnGate;   // ... and after, before it returns
        // Record.
        std::vector<std::u16string> texts;
        std::vector<std::u16string> filePaths;
        int audioResets = 0;
        int flushes = 0;
        int registrations = 0, unregistrations = 0;
        std::atomic<int> liveObjects{0};
        std::atomic<int> textDataCalls{0};
        std::unique_ptr<FakeJobScheduler> scheduler;
    };

    FakeJobSapi4Runtime();
    ~FakeJobSapi4Runtime();

    State& state() { return *state_; }
    std::shared_ptr<State> shared() { return state_; }

    // A voice whose mode this runtime finds; all three attributes settable.
    static CSAPI4VoiceInfo Voice(const char16_t* name);

private:
    std::shared_ptr<State> state_;
    std::vector<std::unique_ptr<ScopedClassOverride>> overrides_;
};
