#pragma once
// The profile manager: creates profiles and tells which WMA codecs and
// formats the runtime has (IWMCodecInfo3). The encoders are CBR only, so the
// codec enumeration settings accept CBR and refuse VBR.

#include "platform/com/unknown.h"
#include "platform/wmf/wmsdk.h"

class WMProfileManager : public ComObject<WMProfileManager, IWMProfileManager2, IWMCodecInfo3> {
public:
    HRESULT CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) override;
    HRESULT GetSystemProfileVersion(WMT_VERSION* version) override;
    HRESULT SetSystemProfileVersion(WMT_VERSION version) override;

    HRESULT GetCodecInfoCount(REFGUID mediaType, DWORD* codecs) override;
    HRESULT GetCodecFormatCount(REFGUID mediaType, DWORD codecIndex, DWORD* formats) override;
    HRESULT GetCodecFormat(REFGUID mediaType, DWORD codecIndex, DWORD formatIndex,
                           IWMStreamConfig** config) override;
    HRESULT GetCodecName(REFGUID mediaType, DWORD codecIndex, WCHAR* name, DWORD* length) override;
    HRESULT GetCodecFormatDesc(REFGUID mediaType, DWORD codecIndex, DWORD formatIndex,
                               IWMStreamConfig** config, WCHAR* description,
                               DWORD* length) override;
    HRESULT SetCodecEnumerationSetting(REFGUID mediaType, DWORD codecIndex, LPCWSTR name,
                                       WMT_ATTR_DATATYPE type, const BYTE* value,
                                       DWORD size) override;

    void* QueryOtherInterface(REFIID riid);

private:
    WMT_VERSION m_systemProfileVersion = WMT_VER_8_0;
};
