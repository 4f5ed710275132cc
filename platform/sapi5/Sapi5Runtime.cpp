#include "platform/com/com.h"
#include "platform/sapi5/SpObjectTokenCategory.h"
#include "platform/sapi5/SpStream.h"
#include "platform/sapi5/SpVoice.h"
#include "platform/sapi5/sapi5.h"

void RegisterSapi5Runtime() {
    CoRegisterClass(CLSID_SpObjectTokenCategory, [](REFIID riid, void** ppv) {
        return CreateComInstance<SpObjectTokenCategory>(riid, ppv);
    });
    CoRegisterClass(CLSID_SpVoice,
                    [](REFIID riid, void** ppv) { return CreateComInstance<SpVoice>(riid, ppv); });
    CoRegisterClass(CLSID_SpStream,
                    [](REFIID riid, void** ppv) { return CreateComInstance<SpStream>(riid, ppv); });
}
