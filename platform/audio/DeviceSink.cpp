#include "platform/sapi5/DeviceSink.h"

HRESULT DeviceSink::Open(const WAVEFORMATEX& format) {
    aborted_ = false;
    return output_.Open(format);
}

HRESULT DeviceSink::Write(const std::int16_t* samples, std::size_t count) {
    return output_.Write(samples, count * sizeof(std::int16_t));
}

HRESULT DeviceSink::Finish() {
    return output_.Drain();
}

void DeviceSink::Abort() {
    aborted_ = true;
    output_.Reset();
}
