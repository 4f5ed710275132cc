#include "tests/fakes/FakeSapi4Runtime.h"

#include "tests/fakes/FakeJobScheduler.h"
#include "tests/fakes/FakeSapi4Destinations.h"
#include "tests/fakes/FakeSapi4Engine.h"

#include <algorithm>

namespace {

using Lock = std::lock_guard<std::mutex>;
using Create = HRESULT (*)(std::shared_ptr<FakeSapi4State>, REFIID, void**);

// A class the test may mark missing; its creations are counted, and a device
// is made with the success code the test chose.
ClassFactory FactoryOf(std::shared_ptr<FakeSapi4State> state, Create create,
                       bool FakeSapi4Results::*missing, int FakeSapi4Calls::*made,
                       HRESULT FakeSapi4Results::*success = nullptr) {
    return [=](REFIID riid, void** ppv) -> HRESULT {
        HRESULT result = S_OK;
        {
            Lock lock(state->mutex);
            if (state->results.*missing)
                return REGDB_E_CLASSNOTREG;
            ++(state->calls.*made);
            if (success)
                result = state->results.*success;
        }
        const HRESULT hr = create(state, riid, ppv);
        return FAILED(hr) ? hr : result;
    };
}

} // namespace

FakeSapi4State::FakeSapi4State() : scheduler(std::make_unique<FakeJobScheduler>()) {}
FakeSapi4State::~FakeSapi4State() = default;

FakeSapi4Runtime::FakeSapi4Runtime() : m_state(std::make_shared<FakeSapi4State>()) {
    m_overrides.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_TTSEnumerator,
        FactoryOf(m_state, CreateFakeSapi4Enumerator, &FakeSapi4Results::enumeratorMissing,
                  &FakeSapi4Calls::enumerators)));
    m_overrides.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_AudioDestFile,
        FactoryOf(m_state, CreateFakeSapi4FileDest, &FakeSapi4Results::fileDestMissing,
                  &FakeSapi4Calls::fileDests)));
    m_overrides.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_MMAudioDest,
        FactoryOf(m_state, CreateFakeSapi4Device, &FakeSapi4Results::deviceMissing,
                  &FakeSapi4Calls::devices, &FakeSapi4Results::createDevice)));
}

FakeSapi4Runtime::~FakeSapi4Runtime() = default;

FakeSapi4Mode FakeSapi4Runtime::MakeMode(const std::u16string& name, DWORD features, int number) {
    FakeSapi4Mode mode;
    mode.info.gModeID = {
        0x5A5A0000u + static_cast<DWORD>(number), 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), TTSI_NAMELEN - 1),
                mode.info.szModeName);
    mode.info.dwFeatures = features;
    mode.speed = {150, 50, 250};
    mode.pitch = {100, 0, 0xFFFF};
    mode.volume = {0xFFFFFFFF, 0, 0xFFFFFFFF};
    return mode;
}

void FakeSapi4Runtime::AddMode(const FakeSapi4Mode& mode) {
    m_state->modes.push_back(mode);
}

void FakeSapi4Runtime::AddMode(const std::u16string& name, DWORD features) {
    AddMode(MakeMode(name, features, static_cast<int>(m_state->modes.size()) + 1));
}

CSAPI4VoiceInfo FakeSapi4Runtime::Voice(const char16_t* name) {
    CSAPI4VoiceInfo voice;
    std::u16string_view(name).copy(voice.modeInfo.szModeName, TTSI_NAMELEN - 1);
    voice.modeInfo.gModeID = kFakeSapi4VoiceModeId;
    voice.modeInfo.dwFeatures = kFakeSapi4AllFeatures;
    voice.canSetSpeed = voice.canSetVolume = voice.canSetPitch = TRUE;
    voice.speedMin = 100;
    voice.speedMax = 300;
    voice.volumeMin = 0;
    voice.volumeMax = 65535;
    voice.pitchMin = 50;
    voice.pitchMax = 150;
    return voice;
}