#pragma once
// A fake SAPI 4 runtime, installed in the class registry while the object
// lives: modes with preset features and attribute behaviour, an enumerator and
// finder, engines, a file destination and a multimedia destination. Every step
// can be told to fail, and the fakes record what the program asks of them.
//
// Speech "plays" from TextData on: by default until the audio is reset; when
// told to end, AudioStop is posted to the thread that called TextData after a
// set time, as the real runtime does. The file destination writes a WAV
// header when the file is set, audio for every text, and completes the header
// on Flush or release, so that a file left half-written is recognisable.
// Objects a given-up worker still holds keep the shared state alive.

#include "platform/com/com.h"
#include "platform/sapi4/sapi4.h"
#include "platform/sync/sync.h"
#include "src/speech/CSAPI4VoiceInfo.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class FakeJobScheduler;

// How one attribute of a fake engine behaves: Set clamps to [min, max].
struct FakeSapi4Attribute {
    DWORD current = 0;
    DWORD min = 0;
    DWORD max = 0xFFFFFFFF;
    bool getFails = false;
    bool setZeroFails = false;
};

struct FakeSapi4Mode {
    TTSMODEINFOW info{};
    FakeSapi4Attribute speed, pitch, volume;
};

// Results the fake objects give; a class marked missing is not registered.
struct FakeSapi4Results {
    bool enumeratorMissing = false, fileDestMissing = false, deviceMissing = false;
    HRESULT createDevice = S_OK; // a success other than S_OK is still an object
    HRESULT find = S_OK, select = S_OK, queryAttributes = S_OK;
    HRESULT realTimeSet = S_OK, registerSink = S_OK, setFile = S_OK, textData = S_OK;
    HRESULT deviceNumSet = S_OK, flush = S_OK;
};

// What the fakes were given, in the order of the calls where it matters.
struct FakeSapi4Calls {
    int enumerators = 0, devices = 0, fileDests = 0;
    std::optional<TTSMODEINFOW> findPattern;
    bool findRankingNull = false;
    std::vector<GUID> selects;
    IUnknown* selectDest = nullptr; // compared, never used
    std::optional<WORD> realTime;
    std::u16string setPath;
    DWORD setFlags = 0;
    void* registeredSink = nullptr;
    IID registerIid{};
    std::vector<DWORD> unregistered;
    VOICECHARSET charset = 99;
    DWORD textFlags = 99;
    std::u16string text; // the last
    DWORD textBytes = 0;
    void* bufNotify = reinterpret_cast<void*>(1);
    IID bufIid{};
    std::optional<DWORD> deviceNum;
    std::optional<DWORD> deviceNumAtSelect; // the device chosen when the engine was selected
    // Every attribute set, as "speed=150", "pitch=0", "volume=65535".
    std::vector<std::string> attributeSets;
    // "Flush", "UnRegister", "AudioReset" and the releases of the engine
    // ("~Central"), the file ("~File") and the device ("~Device").
    std::vector<std::string> log;
};

struct FakeSapi4State {
    FakeSapi4State();
    ~FakeSapi4State();
    // Taken by the fakes; a test takes it to read or change the state while a
    // worker runs.
    std::mutex mutex;
    std::vector<FakeSapi4Mode> modes;
    FakeSapi4Results results;
    FakeSapi4Calls calls;
    // How speech plays, set before the job starts.
    bool endless = true;                 // AudioStop never comes
    unsigned speechMs = 0;               // time from TextData to AudioStop
    bool postStopAtOnce = false;         // AudioStop queued before TextData returns
    std::shared_ptr<Event> textDataGate; // TextData waits for it before speaking
    std::shared_ptr<Event> returnGate;   // ... and after, before it returns
    // Every text and file, and counts of what a job did.
    std::vector<std::u16string> texts;
    std::vector<std::u16string> filePaths;
    int audioResets = 0;
    int flushes = 0;
    int registrations = 0, unregistrations = 0;
    std::atomic<int> liveObjects{0};
    std::atomic<int> textDataCalls{0};
    std::unique_ptr<FakeJobScheduler> scheduler;
};

class FakeSapi4Runtime {
public:
    FakeSapi4Runtime();
    ~FakeSapi4Runtime();
    FakeSapi4Runtime(const FakeSapi4Runtime&) = delete;
    FakeSapi4Runtime& operator=(const FakeSapi4Runtime&) = delete;

    // A mode record with a mode id made from `number`.
    static FakeSapi4Mode MakeMode(const std::u16string& name, DWORD features, int number);
    void AddMode(const FakeSapi4Mode& mode);
    // A mode made by MakeMode, numbered after those already added.
    void AddMode(const std::u16string& name, DWORD features);
    // A voice for job tests: its mode is always found and selected, without
    // being enumerated; all three attributes settable.
    static CSAPI4VoiceInfo Voice(const char16_t* name);

    static constexpr DWORD kSinkKey = 7;

    FakeSapi4State& State() { return *m_state; }
    FakeSapi4Results& Results() { return m_state->results; }
    FakeSapi4Calls& Calls() { return m_state->calls; }
    // Fake objects alive right now.
    int Alive() const { return m_state->liveObjects; }

private:
    std::shared_ptr<FakeSapi4State> m_state;
    std::vector<std::unique_ptr<ScopedClassOverride>> m_overrides;
};
