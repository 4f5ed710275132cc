#include "platform/sapi5/SpObjectTokenCategory.h"

#include "platform/com/com.h"
#include "platform/sapi5/EspeakRuntime.h"
#include "platform/sapi5/SpObjectToken.h"
#include "platform/sapi5/SpObjectTokenEnum.h"
#include "platform/sapi5/TextCompare.h"

#include <algorithm>

namespace {

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && s.front() == u' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == u' ')
        s.remove_suffix(1);
    return s;
}

// Calls test(name, value, negated, hasValue) for each "Name=Value" of a list.
template <class Test> void ForEachCondition(std::u16string_view list, Test test) {
    while (!list.empty()) {
        std::size_t end = list.find(u';');
        std::u16string_view item = list.substr(0, end);
        list = end == std::u16string_view::npos ? std::u16string_view() : list.substr(end + 1);
        std::size_t eq = item.find(u'=');
        if (eq == std::u16string_view::npos) {
            if (!Trim(item).empty())
                test(Trim(item), std::u16string_view(), false, false);
            continue;
        }
        bool negated = eq > 0 && item[eq - 1] == u'!';
        test(Trim(item.substr(0, negated ? eq - 1 : eq)), Trim(item.substr(eq + 1)), negated, true);
    }
}

bool Holds(const SpObjectToken& token, std::u16string_view name, std::u16string_view value,
           bool negated, bool hasValue) {
    std::u16string actual = token.Attribute(name);
    if (!hasValue)
        return !actual.empty();
    return EqualsNoCase(actual, value) != negated;
}

} // namespace

bool SpObjectTokenCategory::Matches(const SpObjectToken& token, std::u16string_view attributes) {
    bool all = true;
    ForEachCondition(attributes, [&](auto name, auto value, bool negated, bool hasValue) {
        all = all && Holds(token, name, value, negated, hasValue);
    });
    return all;
}

int SpObjectTokenCategory::MatchCount(const SpObjectToken& token, std::u16string_view attributes) {
    int count = 0;
    ForEachCondition(attributes, [&](auto name, auto value, bool negated, bool hasValue) {
        count += Holds(token, name, value, negated, hasValue);
    });
    return count;
}

HRESULT SpObjectTokenCategory::SetId(LPCWSTR categoryId, BOOL /*createIfNotExist*/) {
    if (!categoryId)
        return E_POINTER;
    if (!id_.empty())
        return SPERR_ALREADY_INITIALIZED;
    // The runtime has the voices category only, and cannot create others.
    if (!EqualsNoCase(categoryId, SPCAT_VOICES))
        return SPERR_NOT_FOUND;
    HRESULT status = EspeakRuntime::Instance().Status();
    if (FAILED(status))
        return status;
    id_ = categoryId;
    return S_OK;
}

HRESULT SpObjectTokenCategory::GetId(LPWSTR* coMemCategoryId) {
    if (id_.empty())
        return SPERR_UNINITIALIZED;
    return CoTaskMemString(id_, coMemCategoryId);
}

HRESULT SpObjectTokenCategory::EnumTokens(LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                                          IEnumSpObjectTokens** enumTokens) {
    if (!enumTokens)
        return E_POINTER;
    *enumTokens = nullptr;
    if (id_.empty())
        return SPERR_UNINITIALIZED;

    std::u16string_view required = requiredAttributes ? requiredAttributes : u"";
    std::u16string_view optional = optionalAttributes ? optionalAttributes : u"";
    std::vector<SpObjectToken*> tokens;
    for (const auto& voice : EspeakRuntime::Instance().Voices()) {
        auto* token = new SpObjectToken(voice);
        if (Matches(*token, required))
            tokens.push_back(token);
        else
            token->Release();
    }
    // Tokens that have more of the optional attributes come first.
    std::stable_sort(tokens.begin(), tokens.end(), [&](SpObjectToken* a, SpObjectToken* b) {
        return MatchCount(*a, optional) > MatchCount(*b, optional);
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
    if (id_.empty())
        return SPERR_UNINITIALIZED;
    const EspeakVoice* voice = EspeakRuntime::Instance().DefaultVoice();
    if (!voice)
        return SPERR_NOT_FOUND;
    return CoTaskMemString(SpObjectToken::TokenIdOf(*voice), coMemTokenId);
}
