#pragma once
// The messages of the WAV reader, the encoders and the conversions show the
// error icon.

#include "src/resources/UserMessage.h"

inline UserMessage AudioError(UINT id) {
    return {id, MB_ICONERROR};
}
