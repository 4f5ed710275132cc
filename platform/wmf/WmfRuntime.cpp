#include "platform/com/com.h"
#include "platform/wmf/ProfileManager.h"
#include "platform/wmf/Writer.h"
#include "platform/wmf/wmsdk.h"

void RegisterWmfRuntime() {
    CoRegisterClass(CLSID_WMProfileManager, [](REFIID riid, void** ppv) {
        return CreateComInstance<WMProfileManager>(riid, ppv);
    });
    CoRegisterClass(CLSID_WMWriter,
                    [](REFIID riid, void** ppv) { return CreateComInstance<WMWriter>(riid, ppv); });
}
