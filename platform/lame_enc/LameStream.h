#pragma once
// One encoding stream of liblame_enc.so: a libmp3lame encoder set up from the
// LHV1 configuration, taking interleaved 16-bit samples.

#include "platform/lame_enc/BladeMP3EncDLL.h"

#include <memory>

struct lame_global_struct;

class LameStream {
public:
    // Null, with the reason in `error`, when LAME refuses the configuration.
    static std::unique_ptr<LameStream> Create(const BE_CONFIG_LHV1& config, BE_ERR& error);
    ~LameStream();
    LameStream(const LameStream&) = delete;
    LameStream& operator=(const LameStream&) = delete;

    // 16-bit samples over all channels that one encode call takes: one frame.
    DWORD SamplesPerCall() const { return m_samplesPerCall; }
    // What the caller's output buffer holds, enough for a frame's worth of
    // samples and for the final flush.
    DWORD BufferSize() const { return m_bufferSize; }
    bool WritesTag() const;

    BE_ERR Encode(const short* samples, DWORD count, BYTE* output, DWORD& outputBytes);
    BE_ERR Flush(BYTE* output, DWORD& outputBytes);
    // Puts the Xing/LAME tag into the first frame of the finished file.
    BE_ERR WriteTag(const char* mp3Path);

private:
    LameStream() = default;

    lame_global_struct* m_lame = nullptr;
    int m_channels = 0;
    DWORD m_samplesPerCall = 0;
    DWORD m_bufferSize = 0;
};
