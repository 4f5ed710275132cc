#pragma once
// Where synthesised PCM goes: the default audio output or a WAV file. Both
// speech runtimes write through it. Written by one thread at a time; Abort
// may come from any thread.

#include "platform/com/types.h"

#include <cstddef>
#include <optional>

class PcmSink {
public:
    virtual ~PcmSink() = default;
    // Sample bytes in the sink's format, split anywhere.
    virtual HRESULT Write(const void* data, std::size_t bytes) = 0;
    // The end of one speech: what is still buffered goes out, and speakers
    // play it to the end.
    virtual HRESULT Finish() = 0;
    // A purge: a Write or Finish that waits returns at once.
    virtual void Abort() = 0;
};

// What a PCM write gives before it writes anything: E_UNEXPECTED with nothing
// open, S_OK for no bytes, E_POINTER for bytes without a buffer; nothing when
// the bytes are to be written. The output and the WAV writer share it.
inline std::optional<HRESULT> PcmWriteShortcut(bool open, const void* data, std::size_t bytes) {
    if (!open)
        return E_UNEXPECTED;
    if (bytes == 0)
        return S_OK;
    if (data == nullptr)
        return E_POINTER;
    return std::nullopt;
}
