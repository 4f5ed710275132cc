#pragma once
// The flite voices installed on this system, one SAPI 4 mode each. A voice
// library is looked up at run time, so that a missing one only shortens the
// list. The voices are loaded once and live as long as the process; after
// loading, synthesis only reads them.

#include "platform/audio/mmreg.h"
#include "platform/sapi4/sapi4.h"

#include <vector>

struct cst_voice_struct;

// Speed in words per minute, pitch in Hz (the f0 mean), volume as two 16-bit
// channel levels (low word left, high word right).
struct VoiceSettings {
    DWORD speed = 0;
    WORD pitch = 0;
    DWORD volume = 0xFFFFFFFF;
};

struct FliteVoice {
    TTSMODEINFOW mode{};
    cst_voice_struct* voice = nullptr;
    WAVEFORMATEX format{};
    VoiceSettings defaults;
    DWORD speedMin = 0, speedMax = 0;
    WORD pitchMin = 0, pitchMax = 0;
    bool canSetPitch = false;
    // The voice's own duration stretch and f0 spread at its default settings.
    float stretch = 1.0f;
    float f0Stddev = 0.0f;

    DWORD ClampSpeed(DWORD speed) const;
    WORD ClampPitch(DWORD pitch) const;
};

class FliteVoices {
public:
    // Loads the installed voices on the first call.
    static const std::vector<FliteVoice>& Installed();
    // nullptr when no installed voice has this mode id.
    static const FliteVoice* Find(const GUID& modeId);
};
