#include "platform/sapi5/SpeechChannel.h"

#include "platform/com/com.h"

void SpeechChannel::Queued(ULONG streamNumber) {
    std::lock_guard lock(m_mutex);
    ++m_pending;
    m_lastQueued = streamNumber;
    m_complete.Reset();
}

void SpeechChannel::Started(ULONG streamNumber) {
    std::lock_guard lock(m_mutex);
    m_current = streamNumber;
    m_wordPos = m_wordLen = 0;
}

void SpeechChannel::Spoken(ULONG wordPos, ULONG wordLen) {
    std::lock_guard lock(m_mutex);
    m_wordPos = wordPos;
    m_wordLen = wordLen;
}

void SpeechChannel::Ended(HRESULT result) {
    std::lock_guard lock(m_mutex);
    m_lastResult = result;
    if (m_pending > 0 && --m_pending == 0)
        m_complete.Set();
}

SPVOICESTATUS SpeechChannel::Status() const {
    std::lock_guard lock(m_mutex);
    SPVOICESTATUS status{};
    status.ulCurrentStream = m_current;
    status.ulLastStreamQueued = m_lastQueued;
    status.hrLastResult = m_lastResult;
    status.dwRunningState = m_pending > 0 ? SPRS_IS_SPEAKING : SPRS_DONE;
    status.ulInputWordPos = m_wordPos;
    status.ulInputWordLen = m_wordLen;
    return status;
}

SpeechChannel::~SpeechChannel() {
    for (auto& event : m_events)
        SpClearEvent(&event);
}

void SpeechChannel::SetInterest(ULONGLONG queued) {
    std::lock_guard lock(m_mutex);
    m_interest = queued;
}

bool SpeechChannel::Wants(SPEVENTENUM id) const {
    std::lock_guard lock(m_mutex);
    return m_interest & (1ULL << id);
}

void SpeechChannel::Raise(SPEVENT event) {
    std::lock_guard lock(m_mutex);
    if (!(m_interest & (1ULL << event.eEventId))) {
        SpClearEvent(&event);
        return;
    }
    m_events.push_back(event);
    m_eventsQueued.Set();
}

HRESULT SpeechChannel::GetEvents(ULONG count, SPEVENT* events, ULONG* fetched) {
    if (!events || (!fetched && count != 1))
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    ULONG n = 0;
    for (; n < count && !m_events.empty(); ++n) {
        events[n] = m_events.front();
        m_events.pop_front();
    }
    if (m_events.empty())
        m_eventsQueued.Reset();
    if (fetched)
        *fetched = n;
    return n == count ? S_OK : S_FALSE;
}
