#pragma once
// A SAPI 5 runtime for job tests, installed in the class registry while the
// object lives: a voice category with a few tokens, voices and file streams
// that record what the program asks of them. A voice "speaks" for a set time
// after Speak and then sets its speak-complete event; a purge ends it at
// once. Objects a given-up worker still holds keep the shared state alive.

#include "platform/com/com.h"
#include "platform/sapi5/sapi5.h"
#include "platform/sync/sync.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class FakeJobScheduler;

class FakeJobSapi5Runtime {
public:
    enum class Failure { None, Stream, Bind, Voice, Speak };

    struct State {
        State();
        ~State();
        std::mutex mutex;
        // Behaviour, set before the job starts.
        Failure failAt = Failure::None;
        unsigned speechMs = 0;             // time from Speak to the complete event
        bool endless = false;              // the speech never completes by itself
        bool completeAtOnce = false;       // complete before Speak returns
        HRESULT speechResult = S_OK;       // how GetStatus says the speech ended
        std::shared_ptr<Event> speakGate;  // Speak waits for it before speaking
        std::shared_ptr<Event> returnGate; // ... and after, before it returns
        std::vector<std::u16string> tokenNames{u"Anna", u"Boris"};
        // Record.
        std::vector<std::u16string> texts;
        std::vector<std::u16string> voicesUsed;
        std::vector<std::u16string> boundPaths;
        std::vector<int> boundRates;
        int purges = 0;
        std::atomic<int> liveObjects{0};
        std::atomic<int> speakCalls{0};
        std::unique_ptr<FakeJobScheduler> scheduler;
    };

    FakeJobSapi5Runtime();
    ~FakeJobSapi5Runtime();

    State& state() { return *state_; }
    std::shared_ptr<State> shared() { return state_; }

private:
    std::shared_ptr<State> state_;
    std::vector<std::unique_ptr<ScopedClassOverride>> overrides_;
};
