#pragma once
// Writes a PCM WAV file as its samples stream in: the header goes out first
// with provisional sizes, and Finish patches them once the length is known.

#include "platform/audio/mmreg.h"
#include "platform/com/types.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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
    // Appends sample bytes (gathered, and written in large blocks);
    // STG_E_MEDIUMFULL when the disk is full, STG_E_WRITEFAULT otherwise. After
    // a failure DataBytes() is what the file still holds: the whole sample
    // frames that reached the disk.
    HRESULT Write(const void* data, std::size_t bytes);
    // Patches the RIFF and data sizes, closes: the file is a complete WAV.
    HRESULT Finish();
    // Closes and deletes the file (a stopped or failed job leaves nothing behind).
    // The file last created is deleted even when it was already finished.
    void Discard();
    bool IsOpen() const;
    const WAVEFORMATEX& Format() const;
    std::uint64_t DataBytes() const;

    // The largest data chunk a RIFF file can describe, in whole sample frames.
    // Writes beyond it give STG_E_MEDIUMFULL: the sizes would no longer fit.
    static std::uint64_t MaxDataBytes(const WAVEFORMATEX& format);

private:
    HRESULT WriteAt(std::uint64_t offset, const void* data, std::size_t bytes);
    // Writes what Write gathered; a failure trims the file to the whole frames on disk.
    HRESULT WritePending();

    int m_fd = -1;
    std::string m_path;
    WAVEFORMATEX m_format{};
    std::uint64_t m_dataBytes = 0; // on disk
    std::vector<std::uint8_t> m_pending;
};
