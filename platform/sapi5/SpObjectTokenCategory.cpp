#include "platform/sapi5/SpObjectTokenCategory.h"

#include "platform/com/com.h"
#include "platform/sapi5/EspeakRuntime.h"
#include "platform/sapi5/SpObjectToken.h"
#include "platform/sapi5/SpObjectTokenEnum.h"
#include "platform/sapi5/TextCompare.h"
#include "platform/sapi5/VoiceAttributes.h"

#include <algorithm>

HRESULT SpObjectTokenCategory::SetId(LPCWSTR categoryId, BOOL /*createIfNotExist*/) {
    if (!categoryId)
        return E_POINTER;
    if (!m_id.empty())
        return SPERR_ALREADY_INITIALIZED;
    // The runtime has the voices category only, and cannot create others.
    if (!EqualsNoCase(categoryId, SPCAT_VOICES))
        return SPERR_NOT_FOUND;
    HRESULT status = EspeakRuntime::Instance().Status();
    if (FAILED(status))
        return status;
    m_id = categoryId;
    return S_OK;
}

HRESULT SpObjectTokenCategory::GetId(LPWSTR* coMemCategoryId) {
    if (m_id.empty())
        return SPERR_UNINITIALIZED;
    return CoTaskMemString(m_id, coMemCategoryId);
}

HRESULT SpObjectTokenCategory::EnumTokens(LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                                          IEnumSpObjectTokens** enumTokens) {
    if (!enumTokens)
        return E_POINTER;
    *enumTokens = nullptr;
    if (m_id.empty())
        return SPERR_UNINITIALIZED;

    std::u16string_view required = requiredAttributes ? requiredAttributes : u"";
    std::u16string_view optional = optionalAttributes ? optionalAttributes : u"";
    std::vector<SpObjectToken*> tokens;
    for (const auto& voice : EspeakRuntime::Instance().Voices())
        if (MeetsAll(voice, required))
            tokens.push_back(new SpObjectToken(voice));
    // Tokens that have more of the optional attributes come first.
    std::stable_sort(tokens.begin(), tokens.end(), [&](SpObjectToken* a, SpObjectToken* b) {
        return MeetsCount(a->Voice(), optional) > MeetsCount(b->Voice(), optional);
    });

    std::vector<ISpObjectToken*> list(tokens.begin(), tokens.end());
    HRESULT hr = CreateComInstance<SpObjectTokenEnum>(IID_IEnumSpObjectTokens,
                                                      reinterpret_cast<void**>(enumTokens), list);
    for (auto* token : tokens)
        token->Release();
    return hr;
}

HRESULT SpObjectTokenCategory::GetDefaultTokenId(LPWSTR* coMemTokenId) {
    if (!coMemTokenId)
        return E_POINTER;
    *coMemTokenId = nullptr;
    if (m_id.empty())
        return SPERR_UNINITIALIZED;
    const EspeakVoice* voice = EspeakRuntime::Instance().DefaultVoice();
    if (!voice)
        return SPERR_NOT_FOUND;
    return CoTaskMemString(SpObjectToken::TokenIdOf(*voice), coMemTokenId);
}
