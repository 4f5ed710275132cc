#pragma once
// A Windows Media Format runtime for tests, installed in place of the real
// one while the object lives: codecs with preset format groups, any call made
// to fail, and a record of what the program did (settings, samples, files).

#include "platform/audio/mmreg.h"
#include "platform/com/com.h"
#include "platform/wmf/wmsdk.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct FakeWmfCodec {
    std::u16string name;
    std::vector<std::u16string> cbr;
    std::vector<std::u16string> vbrOnePass;
    std::vector<std::u16string> vbrTwoPass;
    // How "_VBRENABLED" is answered: for false, and for true.
    HRESULT cbrSetting = S_OK;
    HRESULT vbrSetting = S_OK;
    // The length the description calls report leaves out the terminating zero.
    bool lengthWithoutZero = false;
};

struct FakeWmfState {
    struct Setting {
        DWORD codec;
        std::u16string name;
        DWORD value;
    };
    struct Sample {
        bool preprocess;
        DWORD input;
        QWORD time;
        std::vector<BYTE> bytes;
    };
    struct Failure {
        HRESULT hr;
        int after; // calls that still succeed before it fails
    };

    std::vector<FakeWmfCodec> codecs;
    bool hasProfileManager2 = true;
    bool hasCodecInfo3 = true;
    bool hasPreprocess = true;
    DWORD inputCount = 1;
    GUID inputType = WMMEDIATYPE_Audio;
    DWORD maxPasses = 0;
    // A sample reports this length instead of the one asked for, when set.
    std::optional<DWORD> sampleLength;
    std::map<std::string, Failure> failures;

    // What happened.
    std::map<std::string, int> calls;
    std::vector<std::string> log; // writer and preprocessing calls, in order
    std::vector<Setting> settings;
    std::vector<Sample> samples;
    std::optional<WAVEFORMATEX> inputFormat; // as SetMediaType received it
    WM_MEDIA_TYPE inputMediaType{};          // pbFormat not kept
    std::u16string outputFilename;
    std::optional<std::pair<DWORD, DWORD>> streamFormat; // (codec, position) in the profile
    WORD streamNumber = 0;
    WMT_VERSION systemProfileVersion = 0;
    DWORD passesSet = 0;
    int liveObjects = 0; // runtime objects not yet released

    // Counts the call and gives its programmed failure, if due.
    HRESULT Call(const std::string& name);
    int Count(const std::string& name) const;
    // The formats the current enumeration settings of `codec` select.
    const std::vector<std::u16string>* Group(DWORD codec) const;
    std::map<DWORD, std::pair<bool, DWORD>> enumeration; // codec -> (vbr, passes)
};

class FakeWmfRuntime {
public:
    FakeWmfRuntime();
    FakeWmfState& State() const { return *m_state; }
    FakeWmfState* operator->() const { return m_state.get(); }

    // The call fails with hr after `after` successful calls.
    void FailOn(const std::string& call, HRESULT hr = E_FAIL, int after = 0) {
        m_state->failures[call] = {hr, after};
    }

private:
    std::shared_ptr<FakeWmfState> m_state;
    ScopedClassOverride m_profileManager;
    ScopedClassOverride m_writer;
};
