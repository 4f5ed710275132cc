#pragma once
// Where a voice's synthesised samples go: a bound stream or the default audio
// output. Written by the runtime's synthesis thread only; Abort may come from
// any thread.

#include "platform/com/types.h"

#include <cstddef>
#include <cstdint>

class SpeechSink {
public:
    virtual ~SpeechSink() = default;
    // Samples in the runtime's format (espeak-ng's rate, 16-bit mono).
    virtual HRESULT Write(const std::int16_t* samples, std::size_t count) = 0;
    // The end of one speech: what is still buffered goes out, and speakers
    // play it to the end.
    virtual HRESULT Finish() = 0;
    // A purge: a Write or Finish that waits returns at once.
    virtual void Abort() = 0;
};
