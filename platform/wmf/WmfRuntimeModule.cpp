#include "platform/com/InprocServer.h"
#include "platform/wmf/wmsdk.h"

void RegisterWmfRuntimeModule() {
    // The file name the runtime's module target builds (platform/wmf).
    constexpr const char* kModule = "libvocalith_wmf.so";
    CoRegisterServerModule(CLSID_WMProfileManager, kModule);
    CoRegisterServerModule(CLSID_WMWriter, kModule);
}
