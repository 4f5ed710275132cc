#include "platform/wmf/MediaType.h"

#include <algorithm>
#include <cstring>

MediaType::MediaType(const MediaType& other) : type_(other.type_), format_(other.format_) {
    pointAtBlock();
}

MediaType& MediaType::operator=(const MediaType& other) {
    type_ = other.type_;
    format_ = other.format_;
    pointAtBlock();
    return *this;
}

MediaType::MediaType(MediaType&& other) noexcept
    : type_(other.type_), format_(std::move(other.format_)) {
    pointAtBlock();
    other.pointAtBlock();
}

MediaType& MediaType::operator=(MediaType&& other) noexcept {
    type_ = other.type_;
    format_ = std::move(other.format_);
    pointAtBlock();
    other.pointAtBlock();
    return *this;
}

MediaType MediaType::Audio(const WAVEFORMATEX& format) {
    MediaType m;
    m.type_.majortype = WMMEDIATYPE_Audio;
    m.type_.subtype = WaveFormatSubtype(format.wFormatTag);
    m.type_.bFixedSizeSamples = TRUE;
    m.type_.bTemporalCompression = FALSE;
    m.type_.lSampleSize = format.nBlockAlign;
    m.type_.formattype = WMFORMAT_WaveFormatEx;
    m.format_.resize(sizeof(WAVEFORMATEX));
    std::memcpy(m.format_.data(), &format, sizeof format);
    m.type_.cbFormat = static_cast<ULONG>(m.format_.size());
    m.pointAtBlock();
    return m;
}

std::optional<MediaType> MediaType::CopyOf(const WM_MEDIA_TYPE* type) {
    if (!type || (type->cbFormat && !type->pbFormat))
        return std::nullopt;
    MediaType m;
    m.type_ = *type;
    m.type_.pUnk = nullptr;
    if (type->cbFormat)
        m.format_.assign(type->pbFormat, type->pbFormat + type->cbFormat);
    m.pointAtBlock();
    return m;
}

std::optional<WAVEFORMATEX> MediaType::waveFormat() const {
    // The 16-byte PCM record predates cbSize; anything shorter is not a format.
    constexpr std::size_t pcmRecord = 16;
    if (!(type_.formattype == WMFORMAT_WaveFormatEx) || format_.size() < pcmRecord)
        return std::nullopt;
    WAVEFORMATEX format{};
    std::memcpy(&format, format_.data(), std::min(format_.size(), sizeof format));
    if (format_.size() < sizeof format)
        format.cbSize = 0;
    return format;
}

HRESULT MediaType::CopyTo(WM_MEDIA_TYPE* out, DWORD* size) const {
    if (!size)
        return E_POINTER;
    const DWORD needed = static_cast<DWORD>(sizeof(WM_MEDIA_TYPE) + format_.size());
    if (!out) {
        *size = needed;
        return S_OK;
    }
    if (*size < needed) {
        *size = needed;
        return ASF_E_BUFFERTOOSMALL;
    }
    *out = type_;
    out->pUnk = nullptr;
    BYTE* block = reinterpret_cast<BYTE*>(out) + sizeof(WM_MEDIA_TYPE);
    if (!format_.empty())
        std::memcpy(block, format_.data(), format_.size());
    out->pbFormat = format_.empty() ? nullptr : block;
    *size = needed;
    return S_OK;
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
