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
    Event* CompleteEvent() { return &m_complete; }
    void Queued(ULONG streamNumber);
    void Started(ULONG streamNumber);
    // A request ended, was purged (S_OK) or failed.
    void Ended(HRESULT result);
    // The audio of the word at that place of the running request's text
    // has reached the output.
    void Spoken(ULONG wordPos, ULONG wordLen);
    SPVOICESTATUS Status() const;

    // Events: only those of the queued interest are kept.
    void SetInterest(ULONGLONG queued);
    bool Wants(SPEVENTENUM id) const;
    // Takes over the event's string.
    void Raise(SPEVENT event);
    HRESULT GetEvents(ULONG count, SPEVENT* events, ULONG* fetched);
    Event* EventsQueued() { return &m_eventsQueued; }
    ~SpeechChannel();

private:
    mutable std::mutex m_mutex;
    Event m_complete{true};
    unsigned m_pending = 0;
    ULONG m_current = 0;
    ULONG m_lastQueued = 0;
    HRESULT m_lastResult = S_OK;
    ULONG m_wordPos = 0;
    ULONG m_wordLen = 0;
    ULONGLONG m_interest = 0;
    std::deque<SPEVENT> m_events;
    Event m_eventsQueued{false};
};
