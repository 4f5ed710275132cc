#pragma once
// Reads back the PCM WAV file a speech engine wrote: checks the RIFF/WAVE
// header, keeps the format of its "fmt " chunk and hands out the sample bytes
// in chunks of the caller's size. Failures show their message box here; the
// caller only sees false or 0.

#include "platform/audio/mmreg.h"

#include <cstdint>
#include <string>

class WavFileReader {
public:
    WavFileReader();
    ~WavFileReader(); // close()
    WavFileReader(const WavFileReader&) = delete;
    WavFileReader& operator=(const WavFileReader&) = delete;

    // IDS_WAV_OPEN, IDS_WAV_CORRUPT, IDS_WAV_FILE_EXCEPTION.
    bool open(const std::u16string& path);
    // 0 at the end of the data; a file error shows IDS_WAV_FILE_EXCEPTION
    // and gives 0.
    std::uint32_t read(void* buffer, std::uint32_t count);
    // A file error shows IDS_WAV_FILE_EXCEPTION.
    void rewindToData();
    void close();
    // A read error happened since open: the data ended early, not at its end.
    bool failed() const;

    WAVEFORMATEX format{}; // filled by open; cbSize always 0

private:
    bool parseHeader();
    void readExactly(void* buffer, std::uint32_t count);
    void seekTo(std::uint64_t position);
    std::uint64_t position() const;

    int m_fd = -1;
    std::uint64_t m_dataStart = 0;
    // Where sample bytes stop: the declared end of "data", or no limit when
    // the declared size cannot be trusted.
    std::uint64_t m_dataEnd = 0;
    bool m_failed = false;
};
