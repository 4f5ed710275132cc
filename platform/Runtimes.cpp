#include "platform/Runtimes.h"

#include "platform/sapi4/sapi4.h"
#include "platform/sapi5/sapi5.h"
#include "platform/wmf/wmsdk.h"

void RegisterPlatformRuntimes() {
    RegisterSapi4Runtime();
    RegisterSapi5Runtime();
    RegisterWmfRuntimeModule();
}
