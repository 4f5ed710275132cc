#pragma once
// The engines of the fake SAPI 4 runtime, and the enumerator that finds and
// selects them.

#include "platform/sapi4/sapi4.h"
#include "tests/fakes/FakeSapi4Runtime.h"

#include <memory>

// The mode of the job tests' voices: found and selected, never enumerated.
inline constexpr GUID kFakeSapi4VoiceModeId = {0x4A0B5E11, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
inline constexpr DWORD kFakeSapi4AllFeatures =
    TTSFEATURE_TAGGED | TTSFEATURE_SPEED | TTSFEATURE_VOLUME | TTSFEATURE_PITCH;

HRESULT CreateFakeSapi4Enumerator(std::shared_ptr<FakeSapi4State> state, REFIID riid, void** ppv);
