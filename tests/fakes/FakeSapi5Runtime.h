#pragma once
// A fake SAPI 5 runtime, installed in the class registry while the object
// lives: a voice category over tokens with preset string values, voices and
// file streams. Every step can be told to fail, and the fakes record what the
// program asks of them.
//
// The tokens are the runtime's own, so the program gets the very objects a
// test added. Speech "plays" from Speak on: by default until it is purged;
// when told to end, the voice sets its speak-complete event after a set time.
// A stream writes a WAV header when bound, audio for every text, and completes
// the header on Close or release, so that a file left half-written is
// recognisable. Objects a given-up worker still holds keep the shared state
// alive.

#include "platform/com/com.h"
#include "platform/sapi5/sapi5.h"
#include "platform/sync/sync.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class FakeJobScheduler;
struct FakeSapi5State;

// Results the fake objects give; a failing create leaves no object.
struct FakeSapi5Results {
    HRESULT createCategory = S_OK, setId = S_OK, enumTokens = S_OK;
    HRESULT createVoice = S_OK, setOutput = S_OK, setVoice = S_OK, speak = S_OK;
    HRESULT createStream = S_OK, bindToFile = S_OK;
};

// What the fakes were given (the last call of each kind).
struct FakeSapi5Calls {
    std::u16string categoryId;
    BOOL createIfNotExist = -1;
    bool enumAttributesNull = false;
    int setOutputCalls = 0;
    IUnknown* output = nullptr; // compared, never used
    BOOL allowFormatChanges = -1;
    ISpObjectToken* voiceToken = nullptr;
    std::u16string spokenText;
    DWORD speakFlags = 0xFFFFFFFF;
    std::vector<DWORD> purges; // the flags of every purge
    std::u16string boundPath;
    int bindMode = -1;
    GUID boundFormatId{};
    WAVEFORMATEX boundFormat{};
    ULONGLONG eventInterest = 1;
    bool streamClosed = false;
    // Whether the bound file was still on disk when the stream was closed.
    bool fileExistedAtClose = false;
    // The speak-complete event of the last voice made.
    Event* completeEvent = nullptr;
};

struct FakeSapi5State {
    FakeSapi5State();
    ~FakeSapi5State();
    // Taken by the fakes; a test takes it to read or change the state while
    // a worker runs.
    std::mutex mutex;
    std::vector<ISpObjectToken*> tokens; // the category's, in order
    FakeSapi5Results results;
    FakeSapi5Calls calls;
    // How speech plays, set before the job starts.
    bool endless = true;               // the speech never completes by itself
    unsigned speechMs = 0;             // time from Speak to the complete event
    bool completeAtOnce = false;       // complete before Speak returns
    HRESULT speechResult = S_OK;       // how GetStatus says the speech ended
    std::shared_ptr<Event> speakGate;  // Speak waits for it before speaking
    std::shared_ptr<Event> returnGate; // ... and after, before it returns
    // Every text spoken, the voice it was spoken with, every rate bound.
    std::vector<std::u16string> texts;
    std::vector<std::u16string> voicesUsed;
    std::vector<int> boundRates;
    // Fake objects alive, a token counting once for each reference to it.
    std::atomic<int> liveObjects{0};
    std::atomic<int> voicesAlive{0};
    std::atomic<int> streamsAlive{0};
    std::atomic<int> speakCalls{0};
    std::unique_ptr<FakeJobScheduler> scheduler;
};

class FakeSapi5Token : public ComObject<FakeSapi5Token, ISpObjectToken> {
public:
    // values: value name -> text; the name u"" is the default value.
    FakeSapi5Token(std::shared_ptr<FakeSapi5State> state, std::u16string id,
                   std::map<std::u16string, std::u16string> values);

    HRESULT GetId(LPWSTR* coMemTokenId) override;
    HRESULT GetStringValue(LPCWSTR valueName, LPWSTR* coMemData) override;
    ULONG AddRef() override;
    ULONG Release() override;

private:
    std::shared_ptr<FakeSapi5State> m_state;
    std::u16string m_id;
    std::map<std::u16string, std::u16string> m_values;
};

class FakeSapi5Runtime {
public:
    FakeSapi5Runtime();
    ~FakeSapi5Runtime();
    FakeSapi5Runtime(const FakeSapi5Runtime&) = delete;
    FakeSapi5Runtime& operator=(const FakeSapi5Runtime&) = delete;

    // Adds a token to the category (the runtime keeps a reference).
    FakeSapi5Token* AddToken(std::u16string id, std::map<std::u16string, std::u16string> values);

    FakeSapi5State& State() { return *m_state; }
    FakeSapi5Results& Results() { return m_state->results; }
    FakeSapi5Calls& Calls() { return m_state->calls; }
    // Fake objects and token references the program holds right now.
    int Alive() const;
    int VoicesAlive() const { return m_state->voicesAlive; }
    int StreamsAlive() const { return m_state->streamsAlive; }

private:
    std::shared_ptr<FakeSapi5State> m_state;
    std::vector<std::unique_ptr<ScopedClassOverride>> m_overrides;
};
