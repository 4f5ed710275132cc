#include "platform/wmf/InputMediaProps.h"

void* WMInputMediaProps::QueryOtherInterface(REFIID riid) {
    return riid == IID_IWMMediaProps ? static_cast<IWMMediaProps*>(this) : nullptr;
}

HRESULT WMInputMediaProps::GetType(GUID* type) {
    if (!type)
        return E_POINTER;
    *type = m_type.type().majortype;
    return S_OK;
}

HRESULT WMInputMediaProps::GetMediaType(WM_MEDIA_TYPE* type, DWORD* typeSize) {
    return m_type.CopyTo(type, typeSize);
}

// Any well-formed type is taken here; whether the writer can use it is
// decided when the properties are handed to it.
HRESULT WMInputMediaProps::SetMediaType(WM_MEDIA_TYPE* type) {
    auto copy = MediaType::CopyOf(type);
    if (!copy)
        return E_INVALIDARG;
    m_type = std::move(*copy);
    return S_OK;
}
