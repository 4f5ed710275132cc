#pragma once
// The speech of one voice as the runtime sees it: how many of its requests are
// queued or running, how the last one ended, and the event that is set while
// nothing is left to speak. Shared by the voice and the runtime's thread, so
// that either may let go of it first.

#include "platform/sapi5/sapi5.h"
#include "platform/sync/sync.h"

#include <mutex>

class SpeechChannel {
public:
    Event* CompleteEvent() { return &complete_; }
    void Queued(ULONG streamNumber);
    void Started(ULONG streamNumber);
    // A request ended, was purged (S_OK) or failed.
    void Ended(HRESULT result);
    SPVOICESTATUS Status() const;

private:
    mutable std::mutex mutex_;
    Event complete_{true};
    unsigned pending_ = 0;
    ULONG current_ = 0;
    ULONG lastQueued_ = 0;
    HRESULT lastResult_ = S_OK;
};
