#pragma once
// A profile: the streams a writer is to produce, each copied when added.

#include "platform/com/unknown.h"
#include "platform/wmf/MediaType.h"
#include "platform/wmf/wmsdk.h"

#include <vector>

class WMProfile : public ComObject<WMProfile, IWMProfile> {
public:
    explicit WMProfile(WMT_VERSION version) : m_version(version) {}

    HRESULT GetVersion(WMT_VERSION* version) override;
    HRESULT GetStreamCount(DWORD* count) override;
    HRESULT GetStream(DWORD index, IWMStreamConfig** config) override;
    HRESULT AddStream(IWMStreamConfig* config) override;

private:
    struct Stream {
        MediaType type;
        WORD number;
    };
    WMT_VERSION m_version;
    std::vector<Stream> m_streams;
};
