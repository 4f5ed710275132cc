#pragma once
// The voices category: one token per installed espeak-ng voice. It is the only
// category this runtime has.

#include "platform/com/unknown.h"
#include "platform/sapi5/sapi5.h"

#include <string>
#include <string_view>

class SpObjectTokenCategory : public ComObject<SpObjectTokenCategory, ISpObjectTokenCategory> {
public:
    HRESULT SetId(LPCWSTR categoryId, BOOL createIfNotExist) override;
    HRESULT GetId(LPWSTR* coMemCategoryId) override;
    HRESULT EnumTokens(LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                       IEnumSpObjectTokens** enumTokens) override;
    HRESULT GetDefaultTokenId(LPWSTR* coMemTokenId) override;

private:
    std::u16string m_id;
};
