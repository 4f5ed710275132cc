#pragma once
// One stream of a profile: its number and its media type (IWMMediaProps).

#include "platform/com/unknown.h"
#include "platform/wmf/MediaType.h"
#include "platform/wmf/wmsdk.h"

class WMStreamConfig : public ComObject<WMStreamConfig, IWMStreamConfig, IWMMediaProps> {
public:
    WMStreamConfig(MediaType type, WORD streamNumber)
        : m_type(std::move(type)), m_streamNumber(streamNumber) {}

    HRESULT GetStreamType(GUID* type) override;
    HRESULT GetStreamNumber(WORD* number) override;
    HRESULT SetStreamNumber(WORD number) override;
    HRESULT GetBitrate(DWORD* bitsPerSecond) override;

    HRESULT GetType(GUID* type) override { return GetStreamType(type); }
    HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* typeSize) override;
    HRESULT SetMediaType(WM_MEDIA_TYPE* type) override;

private:
    MediaType m_type;
    WORD m_streamNumber;
};
