#include "platform/wmf/ProfileManager.h"

#include "platform/com/com.h"
#include "platform/wmf/MediaType.h"
#include "platform/wmf/Profile.h"
#include "platform/wmf/StreamConfig.h"
#include "platform/wmf/WmaCodecTable.h"

#include <cstring>
#include <string_view>

namespace {

bool IsKnownVersion(WMT_VERSION v) {
    return v == WMT_VER_4_0 || v == WMT_VER_7_0 || v == WMT_VER_8_0 || v == WMT_VER_9_0;
}

// The audio codecs; any other media type has none.
const std::vector<WmaCodec>* CodecsOf(REFGUID mediaType) {
    return mediaType == WMMEDIATYPE_Audio ? &InstalledWmaCodecs() : nullptr;
}

const WmaCodec* CodecAt(REFGUID mediaType, DWORD codecIndex) {
    const auto* codecs = CodecsOf(mediaType);
    return codecs && codecIndex < codecs->size() ? &(*codecs)[codecIndex] : nullptr;
}

// The two-call protocol of names and descriptions: the length asked for
// counts the terminating zero.
HRESULT CopyText(std::u16string_view text, WCHAR* buffer, DWORD* length) {
    if (!length)
        return E_POINTER;
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (!buffer) {
        *length = needed;
        return S_OK;
    }
    if (*length < needed) {
        *length = needed;
        return ASF_E_BUFFERTOOSMALL;
    }
    std::memcpy(buffer, text.data(), text.size() * sizeof(WCHAR));
    buffer[text.size()] = 0;
    *length = needed;
    return S_OK;
}

HRESULT ReadSetting(WMT_ATTR_DATATYPE expected, WMT_ATTR_DATATYPE type, const BYTE* value,
                    DWORD size, DWORD* out) {
    if (!value)
        return E_POINTER;
    if (type != expected || size != sizeof(DWORD))
        return E_INVALIDARG;
    std::memcpy(out, value, sizeof(DWORD));
    return S_OK;
}

} // namespace

void* WMProfileManager::QueryOtherInterface(REFIID riid) {
    if (riid == IID_IWMProfileManager)
        return static_cast<IWMProfileManager*>(this);
    if (riid == IID_IWMCodecInfo)
        return static_cast<IWMCodecInfo*>(this);
    if (riid == IID_IWMCodecInfo2)
        return static_cast<IWMCodecInfo2*>(this);
    return nullptr;
}

HRESULT WMProfileManager::CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) {
    if (!profile)
        return E_POINTER;
    *profile = nullptr;
    if (!IsKnownVersion(version))
        return E_INVALIDARG;
    return CreateComInstance<WMProfile>(IID_IWMProfile, reinterpret_cast<void**>(profile), version);
}

HRESULT WMProfileManager::GetSystemProfileVersion(WMT_VERSION* version) {
    if (!version)
        return E_POINTER;
    *version = m_systemProfileVersion;
    return S_OK;
}

HRESULT WMProfileManager::SetSystemProfileVersion(WMT_VERSION version) {
    if (!IsKnownVersion(version))
        return E_INVALIDARG;
    m_systemProfileVersion = version;
    return S_OK;
}

HRESULT WMProfileManager::GetCodecInfoCount(REFGUID mediaType, DWORD* codecs) {
    if (!codecs)
        return E_POINTER;
    const auto* list = CodecsOf(mediaType);
    *codecs = list ? static_cast<DWORD>(list->size()) : 0;
    return S_OK;
}

HRESULT WMProfileManager::GetCodecFormatCount(REFGUID mediaType, DWORD codecIndex, DWORD* formats) {
    if (!formats)
        return E_POINTER;
    const WmaCodec* codec = CodecAt(mediaType, codecIndex);
    if (!codec)
        return E_INVALIDARG;
    *formats = static_cast<DWORD>(codec->formats.size());
    return S_OK;
}

HRESULT WMProfileManager::GetCodecFormat(REFGUID mediaType, DWORD codecIndex, DWORD formatIndex,
                                         IWMStreamConfig** config) {
    if (!config)
        return E_POINTER;
    *config = nullptr;
    const WmaCodec* codec = CodecAt(mediaType, codecIndex);
    if (!codec || formatIndex >= codec->formats.size())
        return E_INVALIDARG;
    // A new stream has no number yet; the caller gives it one.
    MediaType type = MediaType::Audio(WaveFormatOf(*codec, codec->formats[formatIndex]));
    return CreateComInstance<WMStreamConfig>(IID_IWMStreamConfig, reinterpret_cast<void**>(config),
                                             std::move(type), WORD{0});
}

HRESULT WMProfileManager::GetCodecName(REFGUID mediaType, DWORD codecIndex, WCHAR* name,
                                       DWORD* length) {
    const WmaCodec* codec = CodecAt(mediaType, codecIndex);
    if (!codec)
        return E_INVALIDARG;
    return CopyText(codec->name, name, length);
}

HRESULT WMProfileManager::GetCodecFormatDesc(REFGUID mediaType, DWORD codecIndex, DWORD formatIndex,
                                             IWMStreamConfig** config, WCHAR* description,
                                             DWORD* length) {
    const WmaCodec* codec = CodecAt(mediaType, codecIndex);
    if (!codec || formatIndex >= codec->formats.size())
        return E_INVALIDARG;
    HRESULT hr = CopyText(codec->formats[formatIndex].description, description, length);
    if (FAILED(hr) || !config)
        return hr;
    return GetCodecFormat(mediaType, codecIndex, formatIndex, config);
}

// Every codec here is CBR: "_VBRENABLED" false and one pass are what it does;
// asking for VBR is refused as an unsupported property.
HRESULT WMProfileManager::SetCodecEnumerationSetting(REFGUID mediaType, DWORD codecIndex,
                                                     LPCWSTR name, WMT_ATTR_DATATYPE type,
                                                     const BYTE* value, DWORD size) {
    if (!name)
        return E_POINTER;
    if (!CodecAt(mediaType, codecIndex))
        return E_INVALIDARG;
    const std::u16string_view setting(name);
    DWORD v = 0;
    if (setting == g_wszVBREnabled) {
        HRESULT hr = ReadSetting(WMT_TYPE_BOOL, type, value, size, &v);
        if (FAILED(hr))
            return hr;
        return v ? NS_E_UNSUPPORTED_PROPERTY : S_OK;
    }
    if (setting == g_wszNumPasses) {
        HRESULT hr = ReadSetting(WMT_TYPE_DWORD, type, value, size, &v);
        if (FAILED(hr))
            return hr;
        return v == 1 ? S_OK : NS_E_UNSUPPORTED_PROPERTY;
    }
    return NS_E_UNSUPPORTED_PROPERTY;
}
