#include "platform/sapi5/SpeechChannel.h"

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
