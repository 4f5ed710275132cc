#pragma once
// Speech to the default audio output, streamed as it is synthesised.

#include "platform/audio/AudioOutput.h"
#include "platform/audio/PcmSink.h"

#include <atomic>

class DeviceSink : public PcmSink {
public:
    // No usable device: a failure, at once. Opening again starts a new stream.
    HRESULT Open(const WAVEFORMATEX& format);
    HRESULT Write(const void* data, std::size_t bytes) override;
    HRESULT Finish() override;
    void Abort() override;
    void Close();
    bool IsOpen() const { return m_output.IsOpen(); }
    // After a purge the device stays silent until it is opened anew.
    bool WasAborted() const { return m_aborted; }

private:
    AudioOutput m_output;
    std::atomic<bool> m_aborted{false};
};
