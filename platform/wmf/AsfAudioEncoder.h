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
    // Completes the file as close() does; its errors can go nowhere here.
    ~AsfAudioEncoder();
    AsfAudioEncoder(const AsfAudioEncoder&) = delete;
    AsfAudioEncoder& operator=(const AsfAudioEncoder&) = delete;

    // Creates (or truncates) the output file.
    HRESULT create(const std::string& path);
    bool created() const { return io_ != nullptr; }

    // Opens the encoder and the resampler and writes the file header. `input`
    // must be 8- or 16-bit PCM, mono or stereo.
    HRESULT begin(const WAVEFORMATEX& input, const WmaCodec& codec, const WmaOutputFormat& output);
    bool begun() const { return mux_ != nullptr; }

    // Any number of bytes; an incomplete sample frame waits for the next call.
    HRESULT write(const BYTE* data, std::size_t bytes);

    // Drains the resampler and the encoder, writes the trailer (so the header
    // carries the duration) and closes the file. Without begin() it only
    // closes the file. The first error of the whole run is the result.
    HRESULT close();

private:
    HRESULT reserveConverted(int samples);
    HRESULT convert(const BYTE* interleaved, int samples);
    HRESULT padForDelay();
    HRESULT encodeFrames(bool final);
    HRESULT send(AVFrame* frame);
    HRESULT fail(HRESULT hr);
    void release();

    AVIOContext* io_ = nullptr;
    AVFormatContext* mux_ = nullptr;
    AVCodecContext* encoder_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVAudioFifo* fifo_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    std::uint8_t** converted_ = nullptr; // planar buffers for the resampler's output
    int convertedCapacity_ = 0;
    FrameAssembler frames_;
    std::int64_t nextPts_ = 0;
    HRESULT failure_ = S_OK;
};
