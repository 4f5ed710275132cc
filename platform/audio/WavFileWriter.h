#pragma once
// Writes a PCM WAV file as its samples stream in: the header goes out first
// with provisional sizes, and Finish patches them once the length is known.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/audio/mmreg.h"
#include "platform/com/types.h"

class WavFileWriter {
public:
    WavFileWriter();
    ~WavFileWriter(); // finishes an open file (a released stream completes its WAV)
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates or truncates the file and writes a 44-byte RIFF/WAVE header
    // ("RIFF", size, "WAVE", "fmt " with 16 bytes, "data", size). Failure:
    // an HRESULT (STG_E_FILENOTFOUND / E_ACCESSDENIED / STG_E_WRITEFAULT ...).
    HRESULT Create(const std::u16string& path, const WAVEFORMATEX& format);
    // Appends sample bytes; STG_E_MEDIUMFULL when the disk is full, STG_E_WRITEFAULT otherwise.
    HRESULT Write(const void* data, std::size_t bytes);
    // Patches the RIFF and data sizes, closes: the file is a complete WAV.
    HRESULT Finish();
    // Closes and deletes the file (a stopped or failed job leaves nothing behind).
    void Discard();
    bool IsOpen() const;
    const WAVEFORMATEX& Format() const;
    std::uint64_t DataBytes() const;

    // The largest data chunk a RIFF file can describe, whole sample frames only.
    static std::uint64_t MaxDataBytes(const WAVEFORMATEX& format);

private:
    void CloseFile();

    std::FILE* m_file = nullptr;
    std::string m_path;
    WAVEFORMATEX m_format{};
    std::uint64_t m_dataBytes = 0;
};
