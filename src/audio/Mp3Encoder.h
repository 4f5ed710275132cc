#pragma once
// The program's object around the MP3 encoder library, liblame_enc.so, which
// is loaded at run time through its BladeEnc interface: when the library is
// absent, MP3 output is simply not offered. One instance encodes one file at
// a time on one thread. A failure gives back the message it would show (with
// the error icon).

#include "platform/audio/mmreg.h"
#include "platform/lame_enc/BladeMP3EncDLL.h"
#include "src/resources/UserMessage.h"

#include <cstdint>
#include <string>
#include <vector>

class Mp3Encoder {
public:
    Mp3Encoder();
    ~Mp3Encoder();
    Mp3Encoder(const Mp3Encoder&) = delete;
    Mp3Encoder& operator=(const Mp3Encoder&) = delete;

    // Silent: false when the library or one of its required entry points is
    // missing.
    bool loadLibrary();
    void unloadLibrary();
    bool isLoaded() const;

    // IDS_MP3_SAMPLE_RATE, IDS_MP3_BITRATE, IDS_MP3_CREATE_FILE,
    // IDS_MP3_OPEN_STREAM, IDS_OUT_OF_MEMORY, IDS_MP3_WRITE.
    Result<> openStream(const WAVEFORMATEX* format, int bitrateKbps, int quality, bool vbr,
                        const std::u16string& mp3Path);
    // WAV bytes to read for one encodeChunk: what the library takes per call.
    std::uint32_t chunkBytes() const;
    // IDS_MP3_ENCODE, IDS_MP3_WRITE.
    Result<> encodeChunk(const void* data, std::uint32_t byteCount);
    // IDS_MP3_CLOSE_STREAM, IDS_MP3_WRITE. Harmless when no stream is open. A VBR
    // file gets its VBR header frame here, once the file is closed, so that
    // players know its true length.
    Result<> closeStream();
    // Whether openStream got as far as creating (or truncating) its file.
    bool OutputCreated() const { return m_outputCreated; }

    // The library to load instead of liblame_enc.so; for tests only. An empty
    // path restores the normal search.
    static void SetLibraryPath(const std::string& path);

private:
    Result<> closeStream(bool complete);
    Result<> WriteVbrHeader();
    Result<> EncodeSamples(const short* samples, std::uint32_t sampleCount);
    void WriteOutput(DWORD byteCount);
    void* OpenLibrary() const;

    bool m_loaded = false;
    void* m_library = nullptr;
    BEINITSTREAM m_beInitStream = nullptr;
    BEENCODECHUNK m_beEncodeChunk = nullptr;
    BEDEINITSTREAM m_beDeinitStream = nullptr;
    BECLOSESTREAM m_beCloseStream = nullptr;
    BEVERSION m_beVersion = nullptr;
    BEWRITEVBRHEADER m_beWriteVBRHeader = nullptr;

    BE_CONFIG m_config{};
    WAVEFORMATEX m_inputFormat{};
    DWORD m_samplesPerChunk = 0;
    DWORD m_outputBufferSize = 0;
    HBE_STREAM m_stream = 0;
    std::vector<BYTE> m_outputBuffer;
    std::vector<short> m_widenBuffer; // 8-bit input, widened to 16 bits
    std::vector<short> m_alignBuffer; // 16-bit input handed over at an odd address
    int m_outputFile = -1;
    std::string m_outputPath; // set while a VBR file awaits its header
    bool m_outputCreated = false;
};
