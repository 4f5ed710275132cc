#include "platform/sapi5/SpObjectTokenEnum.h"

#include "platform/com/com.h"

#include <algorithm>

SpObjectTokenEnum::SpObjectTokenEnum(std::vector<ISpObjectToken*> tokens, ULONG position)
    : tokens_(std::move(tokens)), position_(position) {
    for (auto* token : tokens_)
        token->AddRef();
}

SpObjectTokenEnum::~SpObjectTokenEnum() {
    for (auto* token : tokens_)
        token->Release();
}

HRESULT SpObjectTokenEnum::Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) {
    if (!tokens || (!fetched && count != 1))
        return E_POINTER;
    ULONG n = 0;
    while (n < count && position_ < tokens_.size()) {
        tokens[n] = tokens_[position_++];
        tokens[n]->AddRef();
        ++n;
    }
    if (fetched)
        *fetched = n;
    return n == count ? S_OK : S_FALSE;
}

HRESULT SpObjectTokenEnum::Skip(ULONG count) {
    ULONG left = static_cast<ULONG>(tokens_.size()) - position_;
    position_ += std::min(count, left);
    return count <= left ? S_OK : S_FALSE;
}

HRESULT SpObjectTokenEnum::Reset() {
    position_ = 0;
    return S_OK;
}

HRESULT SpObjectTokenEnum::Clone(IEnumSpObjectTokens** clone) {
    if (!clone)
        return E_POINTER;
    return CreateComInstance<SpObjectTokenEnum>(
        IID_IEnumSpObjectTokens, reinterpret_cast<void**>(clone), tokens_, position_);
}

HRESULT SpObjectTokenEnum::Item(ULONG index, ISpObjectToken** token) {
    if (!token)
        return E_POINTER;
    *token = nullptr;
    if (index >= tokens_.size())
        return E_INVALIDARG;
    *token = tokens_[index];
    (*token)->AddRef();
    return S_OK;
}

HRESULT SpObjectTokenEnum::GetCount(ULONG* count) {
    if (!count)
        return E_POINTER;
    *count = static_cast<ULONG>(tokens_.size());
    return S_OK;
}
