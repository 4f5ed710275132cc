#include "platform/sapi5/SpObjectToken.h"

#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/sapi5/TextCompare.h"
#include "platform/sapi5/VoiceAttributes.h"

#include <algorithm>

namespace {

const std::u16string kTokenPrefix = std::u16string(SPCAT_VOICES) + u"\\Tokens\\eSpeak-NG.";

} // namespace

HRESULT CoTaskMemString(std::u16string_view text, LPWSTR* out) {
    if (!out)
        return E_POINTER;
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (!copy) {
        *out = nullptr;
        return E_OUTOFMEMORY;
    }
    std::copy(text.begin(), text.end(), copy);
    copy[text.size()] = 0;
    *out = copy;
    return S_OK;
}

std::u16string SpObjectToken::TokenIdOf(const EspeakVoice& voice) {
    return kTokenPrefix + FromUtf8(voice.identifier);
}

std::optional<std::string> SpObjectToken::IdentifierOf(std::u16string_view tokenId) {
    if (tokenId.size() <= kTokenPrefix.size() ||
        !EqualsNoCase(tokenId.substr(0, kTokenPrefix.size()), kTokenPrefix))
        return std::nullopt;
    return ToUtf8(tokenId.substr(kTokenPrefix.size()));
}

HRESULT SpObjectToken::GetId(LPWSTR* coMemTokenId) {
    return CoTaskMemString(TokenIdOf(m_voice), coMemTokenId);
}

HRESULT SpObjectToken::GetStringValue(LPCWSTR valueName, LPWSTR* coMemData) {
    if (!coMemData)
        return E_POINTER;
    *coMemData = nullptr;
    bool isDefault = !valueName || !*valueName;
    bool isLanguageName = !isDefault && m_voice.langId &&
                          EqualsNoCase(valueName, VoiceAttribute(m_voice, u"Language"));
    if (!isDefault && !isLanguageName)
        return SPERR_NOT_FOUND;
    return CoTaskMemString(m_voice.name, coMemData);
}
