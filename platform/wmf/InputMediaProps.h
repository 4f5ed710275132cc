#pragma once
// The media type of a writer input, as the writer offers it and as the
// caller changes it before handing it back with IWMWriter::SetInputProps.

#include "platform/com/unknown.h"
#include "platform/wmf/MediaType.h"
#include "platform/wmf/wmsdk.h"

class WMInputMediaProps : public ComObject<WMInputMediaProps, IWMInputMediaProps> {
public:
    explicit WMInputMediaProps(MediaType type) : m_type(std::move(type)) {}

    HRESULT GetType(GUID* type) override;
    HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* typeSize) override;
    HRESULT SetMediaType(WM_MEDIA_TYPE* type) override;

    void* QueryOtherInterface(REFIID riid);

private:
    MediaType m_type;
};
