#include "platform/wmf/MediaType.h"

#include "platform/com/ComPtr.h"

#include <algorithm>
#include <cstring>

MediaType::MediaType(const MediaType& other) : m_type(other.m_type), m_format(other.m_format) {
    PointAtBlock();
}

MediaType& MediaType::operator=(const MediaType& other) {
    m_type = other.m_type;
    m_format = other.m_format;
    PointAtBlock();
    return *this;
}

MediaType::MediaType(MediaType&& other) noexcept
    : m_type(other.m_type), m_format(std::move(other.m_format)) {
    PointAtBlock();
    other.PointAtBlock();
}

MediaType& MediaType::operator=(MediaType&& other) noexcept {
    m_type = other.m_type;
    m_format = std::move(other.m_format);
    PointAtBlock();
    other.PointAtBlock();
    return *this;
}

MediaType MediaType::Audio(const WAVEFORMATEX& format) {
    MediaType m;
    m.m_type.majortype = WMMEDIATYPE_Audio;
    m.m_type.subtype = WaveFormatSubtype(format.wFormatTag);
    m.m_type.bFixedSizeSamples = TRUE;
    m.m_type.bTemporalCompression = FALSE;
    m.m_type.lSampleSize = format.nBlockAlign;
    m.m_type.formattype = WMFORMAT_WaveFormatEx;
    m.m_format.resize(sizeof(WAVEFORMATEX));
    std::memcpy(m.m_format.data(), &format, sizeof format);
    m.m_type.cbFormat = static_cast<ULONG>(m.m_format.size());
    m.PointAtBlock();
    return m;
}

std::optional<MediaType> MediaType::CopyOf(const WM_MEDIA_TYPE* type) {
    if (!type || (type->cbFormat && !type->pbFormat))
        return std::nullopt;
    MediaType m;
    m.m_type = *type;
    m.m_type.pUnk = nullptr;
    if (type->cbFormat)
        m.m_format.assign(type->pbFormat, type->pbFormat + type->cbFormat);
    m.PointAtBlock();
    return m;
}

std::optional<WAVEFORMATEX> MediaType::WaveFormat() const {
    // The 16-byte PCM record predates cbSize; anything shorter is not a format.
    constexpr std::size_t pcmRecord = 16;
    if (!(m_type.formattype == WMFORMAT_WaveFormatEx) || m_format.size() < pcmRecord)
        return std::nullopt;
    WAVEFORMATEX format{};
    std::memcpy(&format, m_format.data(), std::min(m_format.size(), sizeof format));
    if (m_format.size() < sizeof format)
        format.cbSize = 0;
    return format;
}

HRESULT MediaType::CopyTo(WM_MEDIA_TYPE* out, DWORD* size) const {
    if (!size)
        return E_POINTER;
    const DWORD needed = static_cast<DWORD>(sizeof(WM_MEDIA_TYPE) + m_format.size());
    if (!out) {
        *size = needed;
        return S_OK;
    }
    if (*size < needed) {
        *size = needed;
        return ASF_E_BUFFERTOOSMALL;
    }
    *out = m_type;
    out->pUnk = nullptr;
    BYTE* block = reinterpret_cast<BYTE*>(out) + sizeof(WM_MEDIA_TYPE);
    if (!m_format.empty())
        std::memcpy(block, m_format.data(), m_format.size());
    out->pbFormat = m_format.empty() ? nullptr : block;
    *size = needed;
    return S_OK;
}

HRESULT MediaType::GetMajorType(GUID* out) const {
    if (!out)
        return E_POINTER;
    *out = m_type.majortype;
    return S_OK;
}

HRESULT MediaType::Assign(const WM_MEDIA_TYPE* type) {
    auto copy = CopyOf(type);
    if (!copy)
        return E_INVALIDARG;
    *this = std::move(*copy);
    return S_OK;
}

HRESULT MediaType::ReadFromStream(IWMStreamConfig* config, MediaType* out) {
    ComPtr<IWMMediaProps> props;
    const HRESULT hr = config->QueryInterface(IID_IWMMediaProps, props.PutVoid());
    if (FAILED(hr))
        return hr;
    return ReadFrom(props.Get(), out);
}

HRESULT MediaType::ReadFrom(IWMMediaProps* props, MediaType* out) {
    if (!props || !out)
        return E_POINTER;
    DWORD size = 0;
    HRESULT hr = props->GetMediaType(nullptr, &size);
    if (FAILED(hr))
        return hr;
    if (size < sizeof(WM_MEDIA_TYPE))
        return E_UNEXPECTED;
    // new[] storage is aligned for the record, which is read in place.
    std::vector<BYTE> buffer(size);
    auto* type = reinterpret_cast<WM_MEDIA_TYPE*>(buffer.data());
    hr = props->GetMediaType(type, &size);
    if (FAILED(hr))
        return hr;
    auto copy = CopyOf(type);
    if (!copy)
        return E_UNEXPECTED;
    *out = std::move(*copy);
    return S_OK;
}
