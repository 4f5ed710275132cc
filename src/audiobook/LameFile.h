#pragma once
// A constant bit rate MP3 file written through liblame_enc.so's BladeEnc
// entry points, with LAME's info frame first: the frame and byte counts a
// piece cut short is told by, and the encoder's delay and padding. Errors
// name the file ("cannot write ...: No space left on device").

#include "platform/lame_enc/BladeMP3EncDLL.h"

#include <cstdint>
#include <string>
#include <vector>

struct BladeEntries;

class LameFile {
public:
    LameFile() = default;
    ~LameFile(); // gives the stream up and closes the file, unfinished
    LameFile(const LameFile&) = delete;
    LameFile& operator=(const LameFile&) = delete;

    // The rate a file of input at `rate` is written at: below 16 kHz twice
    // the rate, whose frames (and LAME's delay and padding) last half as long.
    static int OutputRate(int rate);

    // Interleaved 16-bit input at `rate`, as MPEG-1 (32 kHz and up) or
    // MPEG-2 layer III at `kbps`, quality 0 (best) to 9; `tag` (an ID3v2
    // tag) is written before the frames.
    std::string Create(const std::string& path, int rate, int channels, int kbps, int quality,
                       const std::string& tag);
    // 16-bit samples over all channels one Encode call takes at most.
    std::uint32_t SamplesPerCall() const { return m_samplesPerCall; }
    std::string Encode(const std::int16_t* samples, std::uint32_t count);
    // The last frames, the file closed, then its info frame written.
    std::string Finish();

private:
    std::string Failed(const std::string& why) const;
    std::string WriteOutput(std::uint32_t bytes);

    const BladeEntries* m_entries = nullptr;
    HBE_STREAM m_stream = 0;
    int m_file = -1;
    std::string m_path;
    std::uint32_t m_samplesPerCall = 0;
    std::vector<BYTE> m_output;
};
