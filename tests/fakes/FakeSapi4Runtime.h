#pragma once
// A fake SAPI 4 runtime for the engine adapter's tests: modes with preset
// features and attribute behaviour, and an enumerator, engine and audio
// destinations whose every step can be told to fail. The file destination
// creates its file on Set as the real one does, so that tests see what is
// left on disk. Installed in the class registry while the object lives.

#include "platform/com/com.h"
#include "platform/sapi4/sapi4.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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

    static constexpr DWORD kSinkKey = 7;

    // Results the fake objects give; a class marked missing is not registered.
    struct Results {
        bool enumeratorMissing = false, fileDestMissing = false, deviceMissing = false;
        HRESULT createDevice = S_OK; // a success other than S_OK is still an object
        HRESULT find = S_OK, select = S_OK, queryAttributes = S_OK;
        HRESULT realTimeSet = S_OK, registerSink = S_OK, setFile = S_OK, textData = S_OK;
        HRESULT deviceNumSet = S_OK, flush = S_OK;
    };
    // What the fakes were given, in the order of the calls where it matters.
    struct Calls {
        int enumerators = 0, devices = 0, fileDests = 0;
        int finds = 0;
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
        int textDataCalls = 0;
        VOICECHARSET charset = 99;
        DWORD textFlags = 99;
        std::u16string text;
        DWORD textBytes = 0;
        void* bufNotify = reinterpret_cast<void*>(1);
        IID bufIid{};
        std::optional<DWORD> deviceNum;
        // Every attribute set, as "speed=150", "pitch=0", "volume=65535".
        std::vector<std::string> attributeSets;
        // "Flush", "UnRegister", "AudioReset" and the releases of the engine
        // ("~Central"), the file ("~File") and the device ("~Device").
        std::vector<std::string> log;
    };

    struct State;
    Results& results();
    Calls& calls();
    // Fake objects alive right now.
    int Alive() const;

private:
    std::shared_ptr<State> state_;
    std::vector<std::unique_ptr<ScopedClassOverride>> overrides_;
};
