// The entry points the program calls to reach the media format classes,
// whichever runtime registered them.
#include "platform/com/com.h"
#include "platform/wmf/wmsdk.h"

HRESULT WMCreateProfileManager(IWMProfileManager** manager) {
    if (!manager)
        return E_POINTER;
    return CoCreateInstance(CLSID_WMProfileManager, nullptr, CLSCTX_INPROC_SERVER,
                            IID_IWMProfileManager, reinterpret_cast<void**>(manager));
}

// The certificate of the original only unlocks DRM features, which this
// runtime does not have; it is accepted and not used.
HRESULT WMCreateWriter(IUnknown*, IWMWriter** writer) {
    if (!writer)
        return E_POINTER;
    return CoCreateInstance(CLSID_WMWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IWMWriter,
                            reinterpret_cast<void**>(writer));
}
