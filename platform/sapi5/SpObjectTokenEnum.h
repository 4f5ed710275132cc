#pragma once
// The tokens a category lists, in a fixed order, with a cursor.

#include "platform/com/unknown.h"
#include "platform/sapi5/sapi5.h"

#include <vector>

class SpObjectTokenEnum : public ComObject<SpObjectTokenEnum, IEnumSpObjectTokens> {
public:
    // Takes a reference to each token.
    explicit SpObjectTokenEnum(std::vector<ISpObjectToken*> tokens, ULONG position = 0);
    ~SpObjectTokenEnum() override;

    HRESULT Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(IEnumSpObjectTokens** clone) override;
    HRESULT Item(ULONG index, ISpObjectToken** token) override;
    HRESULT GetCount(ULONG* count) override;

private:
    std::vector<ISpObjectToken*> m_tokens;
    ULONG m_position;
};
