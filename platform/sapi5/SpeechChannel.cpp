#include "platform/sapi5/SpeechChannel.h"

#include "platform/com/com.h"

void SpeechChannel::Queued(ULONG streamNumber) {
    std::lock_guard lock(mutex_);
    ++pending_;
    lastQueued_ = streamNumber;
    complete_.Reset();
}

void SpeechChannel::Started(ULONG streamNumber) {
    std::lock_guard lock(mutex_);
    current_ = streamNumber;
}

void SpeechChannel::Ended(HRESULT result) {
    std::lock_guard lock(mutex_);
    lastResult_ = result;
    if (pending_ > 0 && --pending_ == 0)
        complete_.Set();
}

SPVOICESTATUS SpeechChannel::Status() const {
    std::lock_guard lock(mutex_);
    SPVOICESTATUS status{};
    status.ulCurrentStream = current_;
    status.ulLastStreamQueued = lastQueued_;
    status.hrLastResult = lastResult_;
    status.dwRunningState = pending_ > 0 ? SPRS_IS_SPEAKING : SPRS_DONE;
    return status;
}

void SpClearEvent(SPEVENT* event) {
    if (!event)
        return;
    if (event->elParamType == SPET_LPARAM_IS_STRING)
        CoTaskMemFree(reinterpret_cast<void*>(event->lParam));
    *event = SPEVENT{};
}

SpeechChannel::~SpeechChannel() {
    for (auto& event : events_)
        SpClearEvent(&event);
}

void SpeechChannel::SetInterest(ULONGLONG queued) {
    std::lock_guard lock(mutex_);
    interest_ = queued;
}

bool SpeechChannel::Wants(SPEVENTENUM id) const {
    std::lock_guard lock(mutex_);
    return interest_ & (1ULL << id);
}

void SpeechChannel::Raise(SPEVENT event) {
    std::lock_guard lock(mutex_);
    if (!(interest_ & (1ULL << event.eEventId))) {
        SpClearEvent(&event);
        return;
    }
    events_.push_back(event);
    eventsQueued_.Set();
}

HRESULT SpeechChannel::GetEvents(ULONG count, SPEVENT* events, ULONG* fetched) {
    if (!events || (!fetched && count != 1))
        return E_POINTER;
    std::lock_guard lock(mutex_);
    ULONG n = 0;
    for (; n < count && !events_.empty(); ++n) {
        events[n] = events_.front();
        events_.pop_front();
    }
    if (events_.empty())
        eventsQueued_.Reset();
    if (fetched)
        *fetched = n;
    return n == count ? S_OK : S_FALSE;
}
