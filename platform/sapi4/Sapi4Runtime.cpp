// Installs the classes of the SAPI 4 runtime over flite.

#include "platform/com/com.h"
#include "platform/sapi4/AudioDestFile.h"
#include "platform/sapi4/MMAudioDest.h"
#include "platform/sapi4/TTSEnumerator.h"
#include "platform/sapi4/sapi4.h"

void RegisterSapi4Runtime() {
    CoRegisterClass(CLSID_TTSEnumerator, [](REFIID riid, void** ppv) {
        return CreateComInstance<TTSEnumerator>(riid, ppv);
    });
    CoRegisterClass(CLSID_MMAudioDest, [](REFIID riid, void** ppv) {
        return CreateComInstance<MMAudioDest>(riid, ppv);
    });
    CoRegisterClass(CLSID_AudioDestFile, [](REFIID riid, void** ppv) {
        return CreateComInstance<AudioDestFile>(riid, ppv);
    });
}
