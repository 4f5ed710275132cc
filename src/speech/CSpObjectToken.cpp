#include "src/speech/CSpObjectToken.h"

#include "platform/com/unknown.h"

CSpObjectToken::CSpObjectToken(ISpObjectToken* token, std::u16string displayName)
    : token(token), displayName(std::move(displayName)) {
    if (this->token)
        this->token->AddRef();
}

CSpObjectToken::~CSpObjectToken() {
    displayName.clear();
    SafeRelease(token);
}
