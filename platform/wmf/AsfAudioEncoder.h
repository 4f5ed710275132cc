#pragma once
// Encodes PCM audio to WMA and writes it as an ASF file, over FFmpeg: the
// input is resampled and remixed to the output format with libswresample,
// cut into the encoder's frames, encoded and muxed by the "asf" muxer.

#include "platform/audio/FrameAssembler.h"
#include "platform/audio/mmreg.h"
#include "platform/wmf/WmaCodecTable.h"

#include <cstdint>
#include <string>
#include <vector>

struct AVIOContext;
struct AVFormatContext;
struct AVCodecContext;
struct SwrContext;
struct AVAudioFifo;
struct AVFrame;
struct AVPacket;

class AsfAudioEncoder {
public:
    AsfAudioEncoder() = default;
    // Completes the file as Close() does; its errors can go nowhere here.
    ~AsfAudioEncoder();
    AsfAudioEncoder(const AsfAudioEncoder&) = delete;
    AsfAudioEncoder& operator=(const AsfAudioEncoder&) = delete;

    // Creates (or truncates) the output file.
    HRESULT Create(const std::string& path);
    bool Created() const { return m_io != nullptr; }

    // Opens the encoder and the resampler and writes the file header. `input`
    // must be 8- or 16-bit PCM, mono or stereo.
    HRESULT Begin(const WAVEFORMATEX& input, const WmaCodec& codec, const WmaOutputFormat& output);
    bool Begun() const { return m_mux != nullptr; }

    // Any number of bytes; an incomplete sample frame waits for the next call.
    HRESULT Write(const BYTE* data, std::size_t bytes);

    // Drains the resampler and the encoder, writes the trailer (so the header
    // carries the duration) and closes the file. Without Begin() it only
    // closes the file. The first error of the whole run is the result.
    HRESULT Close();

private:
    HRESULT ReserveConverted(int samples);
    HRESULT Convert(const BYTE* interleaved, int samples);
    HRESULT PadForDelay();
    HRESULT EncodeFrames(bool final);
    HRESULT Send(AVFrame* frame);
    HRESULT Fail(HRESULT hr);
    // The resampler, encoder and muxer; the file stays open.
    void FreeCodec();
    void FreeResources();

    AVIOContext* m_io = nullptr;
    AVFormatContext* m_mux = nullptr;
    AVCodecContext* m_encoder = nullptr;
    SwrContext* m_resampler = nullptr;
    AVAudioFifo* m_fifo = nullptr;
    AVFrame* m_frame = nullptr;
    AVPacket* m_packet = nullptr;
    std::uint8_t** m_converted = nullptr; // planar buffers for the resampler's output
    int m_convertedCapacity = 0;
    FrameAssembler m_frames;
    std::int64_t m_nextPts = 0;
    HRESULT m_failure = S_OK;
};
