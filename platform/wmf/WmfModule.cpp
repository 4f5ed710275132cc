// The runtime as the programs load it: a module of its own, so that FFmpeg
// and the many libraries it depends on are mapped only once a job writes WMA
// or its codecs are listed, and not by every job that speaks or writes WAV.

#include "platform/com/InprocServer.h"
#include "platform/wmf/WmfRuntime.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllCreateObject(REFCLSID clsid,
                                                                          REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    return CreateWmfObject(clsid, riid, ppv);
}
