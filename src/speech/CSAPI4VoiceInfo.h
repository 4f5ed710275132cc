#pragma once
// One SAPI 4 voice of the catalogue: the mode description as the enumerator
// returned it, the ranges of the attributes its tags may change, and which of
// them it lets text tags change.

#include "platform/com/types.h"
#include "platform/sapi4/sapi4.h"

struct CSAPI4VoiceInfo {
    TTSMODEINFOW modeInfo{};
    LONG speedMin = 1, speedMax = 65535, pitchMin = 1, pitchMax = 65535, volumeMin = 1,
         volumeMax = 65535;
    BOOL canSetSpeed = 0, canSetVolume = 0, canSetPitch = 0;

    // Probes the speed, pitch and volume ranges of the mode on a fresh engine
    // instance; true when the engine's attribute interface was reached.
    bool QueryAttributeRanges();
};
