#pragma once
// Speech to the default audio output, streamed as it is synthesised.

#include "platform/audio/AudioOutput.h"
#include "platform/sapi5/SpeechSink.h"

#include <atomic>

class DeviceSink : public SpeechSink {
public:
    // No usable device: a failure, at once.
    HRESULT Open(const WAVEFORMATEX& format);
    HRESULT Write(const std::int16_t* samples, std::size_t count) override;
    HRESULT Finish() override;
    void Abort() override;
    // After a purge the device stays silent until it is opened anew.
    bool WasAborted() const { return aborted_; }

private:
    AudioOutput output_;
    std::atomic<bool> aborted_{false};
};
