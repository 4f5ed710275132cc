#pragma once
// The WMA codecs and formats the Windows Media Format runtime offers, in the
// runtime's order. The main frame keeps one for the output dialog to read;
// every conversion enumerates its own and builds its writer's profile from
// it. Used on one thread only.

#include "platform/com/ComPtr.h"
#include "platform/wmf/wmsdk.h"
#include "src/audio/WmaCodecEntry.h"

#include <vector>

class WmaCodecCatalogue {
public:
    WmaCodecCatalogue() = default;
    ~WmaCodecCatalogue(); // close()
    WmaCodecCatalogue(const WmaCodecCatalogue&) = delete;
    WmaCodecCatalogue& operator=(const WmaCodecCatalogue&) = delete;

    // Builds the list once; shows no message. A second call gives true.
    bool enumerate();
    // Releases the runtime objects and clears enumerated; the list stays.
    void close();

    bool enumerated() const { return m_enumerated; }
    // Read only while enumerated: a list left by a failed or closed
    // enumeration is not the runtime's.
    const std::vector<WmaCodecEntry>& codecs() const { return m_codecs; }
    // The listed format at these positions; nullptr when there is none.
    const WmaFormatEntry* format(int codecIndex, int formatIndex) const;

    // The one-stream profile of a listed format, found again by its position
    // within its group and checked against its listed description; nullptr
    // when the runtime does not offer it (any more).
    ComPtr<IWMProfile> CreateProfile(int codecIndex, int formatIndex) const;

private:
    HRESULT ApplyEnumerationSettings(DWORD codecIndex, WmaEncodingMode mode) const;
    void FillGroup(DWORD codecIndex, WmaCodecEntry& entry, WmaEncodingMode mode);
    HRESULT ReadFormatDescription(DWORD codecIndex, DWORD position,
                                  std::u16string& description) const;

    bool m_enumerated = false;
    std::vector<WmaCodecEntry> m_codecs;
    ComPtr<IWMProfileManager> m_profileManager;
    ComPtr<IWMCodecInfo3> m_codecInfo;
};
