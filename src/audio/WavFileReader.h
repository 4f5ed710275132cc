#pragma once
// Reads back the PCM WAV file a speech engine wrote: checks the RIFF/WAVE
// header, keeps the format of its "fmt " chunk and hands out the sample bytes
// in chunks of the caller's size. A failure gives back the message it would
// show (with the error icon).

#include "platform/audio/mmreg.h"
#include "src/resources/UserMessage.h"

#include <cstdint>
#include <string>

class WavFileReader {
public:
    WavFileReader();
    ~WavFileReader(); // close()
    WavFileReader(const WavFileReader&) = delete;
    WavFileReader& operator=(const WavFileReader&) = delete;

    // IDS_WAV_OPEN, IDS_WAV_CORRUPT, IDS_WAV_FILE_EXCEPTION.
    Result<> open(const std::u16string& path);
    // The bytes read, 0 at the end of the data; IDS_WAV_FILE_EXCEPTION for a
    // file error, which leaves the data cut short.
    Result<std::uint32_t> read(void* buffer, std::uint32_t count);
    // IDS_WAV_FILE_EXCEPTION for a file error.
    Result<> rewindToData();
    void close();

    WAVEFORMATEX format{}; // filled by open; cbSize always 0

private:
    bool ParseHeader();
    void ReadExactly(void* buffer, std::uint32_t count);
    void SeekTo(std::uint64_t position);
    std::uint64_t Position() const;

    int m_fd = -1;
    std::uint64_t m_dataStart = 0;
    // Where sample bytes stop: the declared end of "data", or no limit when
    // the declared size cannot be trusted.
    std::uint64_t m_dataEnd = 0;
};
