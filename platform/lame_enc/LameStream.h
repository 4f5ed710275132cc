#pragma once
// One encoding stream of liblame_enc.so: a libmp3lame encoder set up from the
// LHV1 configuration, taking interleaved 16-bit samples.

#include "platform/lame_enc/BladeMP3EncDLL.h"

#include <memory>

struct lame_global_struct;

class LameStream {
public:
    // Null, with the reason in `error`, when LAME refuses the configuration.
    static std::unique_ptr<LameStream> create(const BE_CONFIG_LHV1& config, BE_ERR& error);
    ~LameStream();
    LameStream(const LameStream&) = delete;
    LameStream& operator=(const LameStream&) = delete;

    // 16-bit samples over all channels that one encode call takes: one frame.
    DWORD samplesPerCall() const { return m_samplesPerCall; }
    // What the caller's output buffer holds, enough for a frame's worth of
    // samples and for the final flush.
    DWORD bufferSize() const { return m_bufferSize; }
    bool writesTag() const;

    BE_ERR encode(const short* samples, DWORD count, BYTE* output, DWORD& outputBytes);
    BE_ERR flush(BYTE* output, DWORD& outputBytes);
    // Puts the Xing/LAME tag into the first frame of the finished file.
    BE_ERR writeTag(const char* mp3Path);

private:
    LameStream() = default;

    lame_global_struct* m_lame = nullptr;
    int m_channels = 0;
    DWORD m_samplesPerCall = 0;
    DWORD m_bufferSize = 0;
};
