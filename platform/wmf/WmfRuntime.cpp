#include "platform/wmf/WmfRuntime.h"

#include "platform/com/com.h"
#include "platform/wmf/ProfileManager.h"
#include "platform/wmf/Writer.h"
#include "platform/wmf/wmsdk.h"

HRESULT CreateWmfObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (clsid == CLSID_WMProfileManager)
        return CreateComInstance<WMProfileManager>(riid, ppv);
    if (clsid == CLSID_WMWriter)
        return CreateComInstance<WMWriter>(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

void RegisterWmfRuntime() {
    for (REFCLSID clsid : {CLSID_WMProfileManager, CLSID_WMWriter})
        CoRegisterClass(
            clsid, [clsid](REFIID riid, void** ppv) { return CreateWmfObject(clsid, riid, ppv); });
}
