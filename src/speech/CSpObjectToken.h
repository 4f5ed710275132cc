#pragma once
// One SAPI 5 voice of the catalogue: its token and the name the voice list
// shows for it.

#include "platform/com/ComPtr.h"
#include "platform/sapi5/sapi5.h"

#include <string>
#include <utility>

class CSpObjectToken {
public:
    // Takes its own reference to the token.
    CSpObjectToken(ISpObjectToken* token, std::u16string displayName)
        : token(token), displayName(std::move(displayName)) {}

    ComPtr<ISpObjectToken> token;
    std::u16string displayName;
};
