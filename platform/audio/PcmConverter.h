#pragma once
// Converts between PCM formats with libswresample: 8-bit unsigned or 16-bit
// signed samples, one or two channels, any rate from 8000 to 48000 Hz.

#include "platform/audio/FrameAssembler.h"
#include "platform/audio/mmreg.h"
#include "platform/com/types.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct SwrContext;

class PcmConverter {
public:
    PcmConverter();
    ~PcmConverter();
    PcmConverter(const PcmConverter&) = delete;
    PcmConverter& operator=(const PcmConverter&) = delete;

    HRESULT Open(const WAVEFORMATEX& from,
                 const WAVEFORMATEX& to); // E_INVALIDARG for what it cannot convert
    // Appends the converted bytes of one block of input to `out`.
    HRESULT Convert(const void* in, std::size_t inBytes, std::vector<std::uint8_t>& out);
    // Appends what the resampler still holds at the end of the stream.
    HRESULT Flush(std::vector<std::uint8_t>& out);
    void Close();

    // Whether a format is one the converter takes, as input or output.
    static bool IsSupported(const WAVEFORMATEX& format);

private:
    HRESULT Run(const std::uint8_t* in, int inFrames, std::vector<std::uint8_t>& out);

    SwrContext* m_swr = nullptr;
    WAVEFORMATEX m_from{};
    WAVEFORMATEX m_to{};
    FrameAssembler m_frames;
};
