#include "src/audio/WmaCodecCatalogue.h"

#include <vector>

namespace {

std::uint32_t& CountOf(WmaCodecEntry& entry, WmaEncodingMode mode) {
    switch (mode) {
    case WmaEncodingMode::VbrOnePass:
        return entry.vbrOnePassCount;
    case WmaEncodingMode::VbrTwoPass:
        return entry.vbrTwoPassCount;
    default:
        return entry.cbrCount;
    }
}

} // namespace

WmaCodecCatalogue::~WmaCodecCatalogue() {
    close();
}

bool WmaCodecCatalogue::enumerate() {
    if (m_enumerated)
        return true;
    // A list left by a failed or closed enumeration is built again, not added to.
    m_codecs.clear();
    if (!m_profileManager && FAILED(WMCreateProfileManager(m_profileManager.Put())))
        return false;

    ComPtr<IWMProfileManager2> manager2;
    if (SUCCEEDED(m_profileManager->QueryInterface(IID_IWMProfileManager2, manager2.PutVoid())))
        manager2->SetSystemProfileVersion(WMT_VER_9_0);
    if (!m_codecInfo &&
        FAILED(m_profileManager->QueryInterface(IID_IWMCodecInfo3, m_codecInfo.PutVoid())))
        return false;

    DWORD codecCount = 0;
    if (FAILED(m_codecInfo->GetCodecInfoCount(WMMEDIATYPE_Audio, &codecCount)))
        return false;
    for (DWORD c = 0; c < codecCount; ++c) {
        DWORD length = 0;
        if (FAILED(m_codecInfo->GetCodecName(WMMEDIATYPE_Audio, c, nullptr, &length)))
            return false;
        std::vector<WCHAR> name(std::size_t{length} + 1);
        DWORD size = length + 1;
        if (FAILED(m_codecInfo->GetCodecName(WMMEDIATYPE_Audio, c, name.data(), &size)))
            return false;
        name[length] = 0;

        WmaCodecEntry entry;
        entry.name = name.data();
        FillGroup(c, entry, WmaEncodingMode::Cbr);
        FillGroup(c, entry, WmaEncodingMode::VbrOnePass);
        FillGroup(c, entry, WmaEncodingMode::VbrTwoPass);
        m_codecs.push_back(std::move(entry));
    }
    m_enumerated = true;
    return true;
}

// A CBR-only codec does not know "_VBRENABLED" at all; that is no reason to
// drop its CBR formats.
HRESULT WmaCodecCatalogue::ApplyEnumerationSettings(DWORD codecIndex, WmaEncodingMode mode) const {
    const BOOL vbr = mode == WmaEncodingMode::Cbr ? FALSE : TRUE;
    HRESULT hr = m_codecInfo->SetCodecEnumerationSetting(
        WMMEDIATYPE_Audio, codecIndex, g_wszVBREnabled, WMT_TYPE_BOOL,
        reinterpret_cast<const BYTE*>(&vbr), sizeof vbr);
    if (FAILED(hr))
        return mode == WmaEncodingMode::Cbr && hr == NS_E_UNSUPPORTED_PROPERTY ? S_OK : hr;
    if (mode == WmaEncodingMode::Cbr)
        return S_OK;
    const DWORD passes = mode == WmaEncodingMode::VbrOnePass ? 1 : 2;
    return m_codecInfo->SetCodecEnumerationSetting(
        WMMEDIATYPE_Audio, codecIndex, g_wszNumPasses, WMT_TYPE_DWORD,
        reinterpret_cast<const BYTE*>(&passes), sizeof passes);
}

// A group that fails keeps what it has added; the other groups are still tried.
void WmaCodecCatalogue::FillGroup(DWORD codecIndex, WmaCodecEntry& entry, WmaEncodingMode mode) {
    if (FAILED(ApplyEnumerationSettings(codecIndex, mode)))
        return;
    DWORD formatCount = 0;
    if (FAILED(m_codecInfo->GetCodecFormatCount(WMMEDIATYPE_Audio, codecIndex, &formatCount)))
        return;
    for (DWORD f = 0; f < formatCount; ++f) {
        std::u16string description;
        if (FAILED(ReadFormatDescription(codecIndex, f, description)))
            return;
        entry.formats.push_back({std::move(description), mode});
        ++CountOf(entry, mode);
    }
}

HRESULT WmaCodecCatalogue::ReadFormatDescription(DWORD codecIndex, DWORD position,
                                                 std::u16string& description) const {
    DWORD length = 0;
    HRESULT hr = m_codecInfo->GetCodecFormatDesc(WMMEDIATYPE_Audio, codecIndex, position, nullptr,
                                                 nullptr, &length);
    if (FAILED(hr))
        return hr;
    std::vector<WCHAR> text(std::size_t{length} + 1);
    DWORD size = length + 1;
    hr = m_codecInfo->GetCodecFormatDesc(WMMEDIATYPE_Audio, codecIndex, position, nullptr,
                                         text.data(), &size);
    if (FAILED(hr))
        return hr;
    text[length] = 0;
    description = text.data();
    return S_OK;
}

void WmaCodecCatalogue::close() {
    m_codecInfo.Reset();
    m_profileManager.Reset();
    m_enumerated = false;
}

const WmaFormatEntry* WmaCodecCatalogue::format(int codecIndex, int formatIndex) const {
    if (codecIndex < 0 || static_cast<std::size_t>(codecIndex) >= m_codecs.size())
        return nullptr;
    const auto& formats = m_codecs[static_cast<std::size_t>(codecIndex)].formats;
    if (formatIndex < 0 || static_cast<std::size_t>(formatIndex) >= formats.size())
        return nullptr;
    return &formats[static_cast<std::size_t>(formatIndex)];
}

ComPtr<IWMProfile> WmaCodecCatalogue::CreateProfile(int codecIndex, int formatIndex) const {
    const WmaFormatEntry* format = this->format(codecIndex, formatIndex);
    // After close() the list is still there but the runtime objects are not.
    if (!format || !m_codecInfo || !m_profileManager)
        return nullptr;
    const WmaCodecEntry& codec = m_codecs[static_cast<std::size_t>(codecIndex)];
    const DWORD c = static_cast<DWORD>(codecIndex);
    if (FAILED(ApplyEnumerationSettings(c, format->mode)))
        return nullptr;
    DWORD formatCount = 0;
    if (FAILED(m_codecInfo->GetCodecFormatCount(WMMEDIATYPE_Audio, c, &formatCount)))
        return nullptr;

    // The runtime numbers formats within the group the settings selected.
    std::int64_t position = formatIndex;
    if (format->mode == WmaEncodingMode::VbrOnePass)
        position -= codec.cbrCount;
    else if (format->mode == WmaEncodingMode::VbrTwoPass)
        position -= std::int64_t{codec.cbrCount} + codec.vbrOnePassCount;
    if (position < 0 || position >= formatCount)
        return nullptr;
    const DWORD g = static_cast<DWORD>(position);

    // The runtime may list other formats now than when the list was built.
    std::u16string description;
    if (FAILED(ReadFormatDescription(c, g, description)) || description != format->description)
        return nullptr;

    ComPtr<IWMStreamConfig> config;
    if (FAILED(m_codecInfo->GetCodecFormat(WMMEDIATYPE_Audio, c, g, config.Put())))
        return nullptr;
    ComPtr<IWMProfile> profile;
    if (FAILED(config->SetStreamNumber(1)) ||
        FAILED(m_profileManager->CreateEmptyProfile(WMT_VER_9_0, profile.Put())) ||
        FAILED(profile->AddStream(config.Get())))
        return nullptr;
    return profile;
}
