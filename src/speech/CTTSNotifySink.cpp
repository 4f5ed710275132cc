#include "src/speech/CTTSNotifySink.h"

namespace {

constexpr int kPostAttempts = 100;

} // namespace

void CTTSNotifySink::SetStopEvent(std::weak_ptr<Event> stopEvent) {
    m_stopEvent = std::move(stopEvent);
}

HRESULT CTTSNotifySink::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ITTSNotifySinkW) {
        *ppv = static_cast<ITTSNotifySinkW*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

// The sink's owners keep it alive: references are not counted.
ULONG CTTSNotifySink::AddRef() {
    return 1;
}

ULONG CTTSNotifySink::Release() {
    return 1;
}

HRESULT CTTSNotifySink::AttribChanged(DWORD) {
    return S_OK;
}

HRESULT CTTSNotifySink::AudioStart(QWORD) {
    return S_OK;
}

HRESULT CTTSNotifySink::AudioStop(QWORD) {
    std::shared_ptr<Event> stopEvent = m_stopEvent.lock();
    if (!stopEvent)
        return S_OK;
    // The engine calls the sink on the worker while it dispatches its
    // messages, so the quit message ends the worker's own wait.
    const DWORD self = GetCurrentThreadId();
    for (int attempt = 0; attempt < kPostAttempts; ++attempt)
        if (PostThreadMessage(self, WM_QUIT, 0, 0))
            return S_OK;
    // The job then ends as completed: cancelRequested stays clear.
    stopEvent->Set();
    return S_OK;
}

HRESULT CTTSNotifySink::Visual(QWORD, WCHAR, WCHAR, DWORD, const TTSMOUTH*) {
    return S_OK;
}
