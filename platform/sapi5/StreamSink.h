#pragma once
// Speech into an ISpStream, converted to the stream's own format.

#include "platform/audio/PcmConverter.h"
#include "platform/audio/PcmSink.h"
#include "platform/com/ComPtr.h"
#include "platform/sapi5/sapi5.h"

#include <vector>

class StreamSink : public PcmSink {
public:
    // Holds its own reference to the stream while the speech runs.
    explicit StreamSink(ISpStream* stream) : m_stream(stream) {}
    StreamSink(const StreamSink&) = delete;
    StreamSink& operator=(const StreamSink&) = delete;

    // Reads the stream's format and prepares the conversion into it.
    HRESULT Open(const WAVEFORMATEX& synthesisFormat);
    HRESULT Write(const void* data, std::size_t bytes) override;
    HRESULT Finish() override;
    // Nothing waits on a stream.
    void Abort() override {}

private:
    HRESULT WriteOut();

    ComPtr<ISpStream> m_stream;
    PcmConverter m_converter;
    std::vector<std::uint8_t> m_converted;
};
