#include "platform/wmf/StreamConfig.h"

// Stream numbers of an ASF file run from 1 to 63.
constexpr WORD kMaxStreamNumber = 63;

HRESULT WMStreamConfig::GetStreamType(GUID* type) {
    if (!type)
        return E_POINTER;
    *type = type_.type().majortype;
    return S_OK;
}

HRESULT WMStreamConfig::GetStreamNumber(WORD* number) {
    if (!number)
        return E_POINTER;
    *number = streamNumber_;
    return S_OK;
}

HRESULT WMStreamConfig::SetStreamNumber(WORD number) {
    if (number < 1 || number > kMaxStreamNumber)
        return NS_E_INVALID_STREAM;
    streamNumber_ = number;
    return S_OK;
}

HRESULT WMStreamConfig::GetBitrate(DWORD* bitsPerSecond) {
    if (!bitsPerSecond)
        return E_POINTER;
    auto format = type_.waveFormat();
    *bitsPerSecond = format ? format->nAvgBytesPerSec * 8 : 0;
    return S_OK;
}

HRESULT WMStreamConfig::GetMediaType(WM_MEDIA_TYPE* type, DWORD* typeSize) {
    return type_.CopyTo(type, typeSize);
}

HRESULT WMStreamConfig::SetMediaType(WM_MEDIA_TYPE* type) {
    auto copy = MediaType::CopyOf(type);
    if (!copy)
        return E_INVALIDARG;
    type_ = std::move(*copy);
    return S_OK;
}
