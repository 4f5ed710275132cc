#pragma once
// An owned copy of a WM_MEDIA_TYPE and its format block, and the size
// protocol by which IWMMediaProps::GetMediaType hands one out.

#include "platform/audio/mmreg.h"
#include "platform/wmf/wmsdk.h"

#include <optional>
#include <vector>

class MediaType {
public:
    MediaType() = default;
    MediaType(const MediaType& other);
    MediaType& operator=(const MediaType& other);
    MediaType(MediaType&& other) noexcept;
    MediaType& operator=(MediaType&& other) noexcept;

    // An audio type whose format block is `format`, with subtype after its tag.
    static MediaType Audio(const WAVEFORMATEX& format);
    // Copies the record and its format block; nothing when the record is absent
    // or its format block is missing.
    static std::optional<MediaType> CopyOf(const WM_MEDIA_TYPE* type);
    // Reads the media type an object reports through IWMMediaProps.
    static HRESULT ReadFrom(IWMMediaProps* props, MediaType* out);
    // The media type of a stream of a profile.
    static HRESULT ReadFromStream(IWMStreamConfig* config, MediaType* out);

    const WM_MEDIA_TYPE& Type() const { return m_type; }
    // The format block as a WAVEFORMATEX (cbSize counted as 0 when the block
    // is the 16-byte PCM record); nothing when it is not one.
    std::optional<WAVEFORMATEX> WaveFormat() const;

    // Without `out`, *size receives the bytes needed; with it, the record is
    // written there followed by its format block.
    HRESULT CopyTo(WM_MEDIA_TYPE* out, DWORD* size) const;
    // IWMMediaProps::GetType: the major type.
    HRESULT GetMajorType(GUID* out) const;
    // IWMMediaProps::SetMediaType: a copy of `type`, or E_INVALIDARG when
    // CopyOf gives none.
    HRESULT Assign(const WM_MEDIA_TYPE* type);

private:
    // The record's format pointer always points into this object's own block.
    void PointAtBlock() { m_type.pbFormat = m_format.empty() ? nullptr : m_format.data(); }

    WM_MEDIA_TYPE m_type{};
    std::vector<BYTE> m_format;
};
