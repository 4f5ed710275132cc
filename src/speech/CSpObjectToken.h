#pragma once
// One SAPI 5 voice of the catalogue: its token and the name the voice list
// shows for it.

#include "platform/sapi5/sapi5.h"

#include <string>

class CSpObjectToken {
public:
    // Takes its own reference to the token.
    CSpObjectToken(ISpObjectToken* token, std::u16string displayName);
    // Releases it.
    ~CSpObjectToken();
    CSpObjectToken(const CSpObjectToken&) = delete;
    CSpObjectToken& operator=(const CSpObjectToken&) = delete;

    ISpObjectToken* token;
    std::u16string displayName;
};
