#pragma once
// Where synthesised PCM goes: the default audio output or a WAV file. Both
// speech runtimes write through it. Written by one thread at a time; Abort
// may come from any thread.

#include "platform/com/types.h"

#include <cstddef>

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
