#include "platform/wmf/StreamConfig.h"

// Stream numbers of an ASF file run from 1 to 63.
constexpr WORD kMaxStreamNumber = 63;

HRESULT WMStreamConfig::GetStreamType(GUID* type) {
    return m_type.GetMajorType(type);
}

HRESULT WMStreamConfig::GetStreamNumber(WORD* number) {
    if (!number)
        return E_POINTER;
    *number = m_streamNumber;
    return S_OK;
}

HRESULT WMStreamConfig::SetStreamNumber(WORD number) {
    if (number < 1 || number > kMaxStreamNumber)
        return NS_E_INVALID_STREAM;
    m_streamNumber = number;
    return S_OK;
}

HRESULT WMStreamConfig::GetBitrate(DWORD* bitsPerSecond) {
    if (!bitsPerSecond)
        return E_POINTER;
    auto format = m_type.WaveFormat();
    *bitsPerSecond = format ? format->nAvgBytesPerSec * 8 : 0;
    return S_OK;
}

HRESULT WMStreamConfig::GetMediaType(WM_MEDIA_TYPE* type, DWORD* typeSize) {
    return m_type.CopyTo(type, typeSize);
}

HRESULT WMStreamConfig::SetMediaType(WM_MEDIA_TYPE* type) {
    return m_type.Assign(type);
}
