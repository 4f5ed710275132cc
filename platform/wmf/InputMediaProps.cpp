#include "platform/wmf/InputMediaProps.h"

void* WMInputMediaProps::QueryOtherInterface(REFIID riid) {
    return riid == IID_IWMMediaProps ? static_cast<IWMMediaProps*>(this) : nullptr;
}

HRESULT WMInputMediaProps::GetType(GUID* type) {
    return m_type.GetMajorType(type);
}

HRESULT WMInputMediaProps::GetMediaType(WM_MEDIA_TYPE* type, DWORD* typeSize) {
    return m_type.CopyTo(type, typeSize);
}

// Any well-formed type is taken here; whether the writer can use it is
// decided when the properties are handed to it.
HRESULT WMInputMediaProps::SetMediaType(WM_MEDIA_TYPE* type) {
    return m_type.Assign(type);
}
