#include "platform/sapi5/SpObjectTokenEnum.h"

#include "platform/com/com.h"

#include <algorithm>

SpObjectTokenEnum::SpObjectTokenEnum(std::vector<ISpObjectToken*> tokens, ULONG position)
    : m_tokens(std::move(tokens)), m_position(position) {
    for (auto* token : m_tokens)
        token->AddRef();
}

SpObjectTokenEnum::~SpObjectTokenEnum() {
    for (auto* token : m_tokens)
        token->Release();
}

HRESULT SpObjectTokenEnum::Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) {
    if (!tokens || (!fetched && count != 1))
        return E_POINTER;
    ULONG n = 0;
    while (n < count && m_position < m_tokens.size()) {
        tokens[n] = m_tokens[m_position++];
        tokens[n]->AddRef();
        ++n;
    }
    if (fetched)
        *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT SpObjectTokenEnum::Skip(ULONG count) {
    ULONG left = static_cast<ULONG>(m_tokens.size()) - m_position;
    m_position += std::min(count, left);
    return count <= left ? S_OK : S_FALSE;
}

HRESULT SpObjectTokenEnum::Reset() {
    m_position = 0;
    return S_OK;
}

HRESULT SpObjectTokenEnum::Clone(IEnumSpObjectTokens** clone) {
    if (!clone)
        return E_POINTER;
    return CreateComInstance<SpObjectTokenEnum>(
        IID_IEnumSpObjectTokens, reinterpret_cast<void**>(clone), m_tokens, m_position);
}

HRESULT SpObjectTokenEnum::Item(ULONG index, ISpObjectToken** token) {
    if (!token)
        return E_POINTER;
    *token = nullptr;
    if (index >= m_tokens.size())
        return E_INVALIDARG;
    *token = m_tokens[index];
    (*token)->AddRef();
    return S_OK;
}

HRESULT SpObjectTokenEnum::GetCount(ULONG* count) {
    if (!count)
        return E_POINTER;
    *count = static_cast<ULONG>(m_tokens.size());
    return S_OK;
}
