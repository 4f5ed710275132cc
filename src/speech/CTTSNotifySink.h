#pragma once
// The SAPI 4 notification sink the engine is registered with. It is not
// reference counted: the job control and the workers share its ownership. The
// only notification that matters is AudioStop: it ends the worker's wait by
// posting a quit message to the thread it arrives on, which is the worker
// dispatching its messages.

#include "platform/sapi4/sapi4.h"
#include "platform/sync/sync.h"

#include <memory>

class CTTSNotifySink : public ITTSNotifySinkW {
public:
    CTTSNotifySink() = default;
    CTTSNotifySink(const CTTSNotifySink&) = delete;
    CTTSNotifySink& operator=(const CTTSNotifySink&) = delete;
    ~CTTSNotifySink() = default;

    // The job's stop event, the fallback when the quit message cannot be posted.
    // Held weakly: with no job control left (expired), AudioStop does nothing.
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
