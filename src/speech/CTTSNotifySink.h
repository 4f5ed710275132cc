#pragma once
// The SAPI 4 notification sink of the main frame. It lives exactly as long as
// the frame and is not reference counted. The only notification that matters
// is AudioStop: it ends the worker's wait by posting a quit message to the
// thread it arrives on, which is the worker dispatching its messages.

#include "platform/sapi4/sapi4.h"
#include "platform/sync/sync.h"

#include <memory>

class CTTSNotifySink : public ITTSNotifySinkW {
public:
    CTTSNotifySink() = default;
    CTTSNotifySink(const CTTSNotifySink&) = delete;
    CTTSNotifySink& operator=(const CTTSNotifySink&) = delete;
    ~CTTSNotifySink() = default;

    // The stop event of the main frame, the fallback when the quit message cannot be posted.
    // Held weakly: with no frame left (expired), AudioStop does nothing, like "no main window".
    void SetStopEvent(std::weak_ptr<Event> stopEvent);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT AttribChanged(DWORD attribute) override;
    HRESULT AudioStart(QWORD timeStamp) override;
    HRESULT AudioStop(QWORD timeStamp) override;
    HRESULT Visual(QWORD timeStamp, WCHAR ipaPhoneme, WCHAR enginePhoneme, DWORD hints,
                   const TTSMOUTH* mouth) override;

private:
    std::weak_ptr<Event> m_stopEvent;
};
