#pragma once
// The voices category: one token per installed espeak-ng voice. It is the only
// category this runtime has.

#include "platform/com/unknown.h"
#include "platform/sapi5/sapi5.h"

#include <string>
#include <string_view>

class SpObjectToken;

class SpObjectTokenCategory : public ComObject<SpObjectTokenCategory, ISpObjectTokenCategory> {
public:
    HRESULT SetId(LPCWSTR categoryId, BOOL createIfNotExist) override;
    HRESULT GetId(LPWSTR* coMemCategoryId) override;
    HRESULT EnumTokens(LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                       IEnumSpObjectTokens** enumTokens) override;
    HRESULT GetDefaultTokenId(LPWSTR* coMemTokenId) override;

    // Whether a token has all attributes of a list such as
    // "Language=409;Gender=Female" ("Name" alone: has one; "Name!=Value": differs).
    static bool Matches(const SpObjectToken& token, std::u16string_view attributes);
    // How many of the attributes of the list it has.
    static int MatchCount(const SpObjectToken& token, std::u16string_view attributes);

private:
    std::u16string id_;
};
