#include "platform/wmf/Profile.h"

#include "platform/com/com.h"
#include "platform/wmf/StreamConfig.h"

HRESULT WMProfile::GetVersion(WMT_VERSION* version) {
    if (!version)
        return E_POINTER;
    *version = m_version;
    return S_OK;
}

HRESULT WMProfile::GetStreamCount(DWORD* count) {
    if (!count)
        return E_POINTER;
    *count = static_cast<DWORD>(m_streams.size());
    return S_OK;
}

HRESULT WMProfile::GetStream(DWORD index, IWMStreamConfig** config) {
    if (!config)
        return E_POINTER;
    *config = nullptr;
    if (index >= m_streams.size())
        return E_INVALIDARG;
    const Stream& s = m_streams[index];
    return CreateComInstance<WMStreamConfig>(IID_IWMStreamConfig, reinterpret_cast<void**>(config),
                                             s.type, s.number);
}

// The profile keeps its own copy, so later changes to the configuration do
// not reach it, as with any profile.
HRESULT WMProfile::AddStream(IWMStreamConfig* config) {
    if (!config)
        return E_POINTER;
    WORD number = 0;
    HRESULT hr = config->GetStreamNumber(&number);
    if (FAILED(hr))
        return hr;
    if (number == 0)
        return NS_E_INVALID_STREAM;
    for (const Stream& s : m_streams)
        if (s.number == number)
            return NS_E_INVALID_STREAM;

    MediaType type;
    hr = MediaType::ReadFromStream(config, &type);
    if (FAILED(hr))
        return hr;
    m_streams.push_back({std::move(type), number});
    return S_OK;
}
