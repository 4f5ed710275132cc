#pragma once
// The speech of one voice as the runtime sees it: how many of its requests are
// queued or running, how the last one ended, the event that is set while
// nothing is left to speak, and the events raised for the voice's client. Shared by the voice and
// the runtime's thread, so that either may let go of it first.

#include "platform/sapi5/sapi5.h"
#include "platform/sync/sync.h"

#include <deque>
#include <mutex>

class SpeechChannel {
public:
    Event* CompleteEvent() { return &complete_; }
    void Queued(ULONG streamNumber);
    void Started(ULONG streamNumber);
    // A request ended, was purged (S_OK) or failed.
    void Ended(HRESULT result);
    SPVOICESTATUS Status() const;

    // Events: only those of the queued interest are kept.
    void SetInterest(ULONGLONG queued);
    bool Wants(SPEVENTENUM id) const;
    // Takes over the event's string.
    void Raise(SPEVENT event);
    HRESULT GetEvents(ULONG count, SPEVENT* events, ULONG* fetched);
    Event* EventsQueued() { return &eventsQueued_; }
    ~SpeechChannel();

private:
    mutable std::mutex mutex_;
    Event complete_{true};
    unsigned pending_ = 0;
    ULONG current_ = 0;
    ULONG lastQueued_ = 0;
    HRESULT lastResult_ = S_OK;
    ULONGLONG interest_ = 0;
    std::deque<SPEVENT> events_;
    Event eventsQueued_{false};
};
