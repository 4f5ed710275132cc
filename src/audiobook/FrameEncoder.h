#pragma once
// 16-bit PCM into one of FFmpeg's audio encoders and out through a muxer:
// converted to the codec's sample format and rate, handed over in whole codec
// frames, and cut or padded with silence to a set length, so that a piece
// ends exactly on a frame.

#include "src/audiobook/AvSupport.h"

#include <cstdint>
#include <string>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

class FrameEncoder {
public:
    FrameEncoder() = default;
    ~FrameEncoder();
    FrameEncoder(const FrameEncoder&) = delete;
    FrameEncoder& operator=(const FrameEncoder&) = delete;

    // Adds the stream to `output` (before its header is written). `outRate`
    // 0 keeps the input's rate, or the nearest the codec takes.
    std::string Open(AvOutput& output, const char* codecName, int inRate, int channels, int outRate,
                     int bitRate, AVDictionary** codecOptions = nullptr);
    int OutRate() const { return m_codec->sample_rate; }
    // The samples of one codec frame, or 0 when frames may be of any length.
    int FrameSize() const { return m_codec->frame_size; }
    // The samples the codec puts before the audio (its priming).
    int Delay() const { return m_codec->initial_padding; }
    // The samples the codec receives in all: what comes beyond is dropped,
    // what is missing is made up with silence. -1 (the default): all of it.
    void SetLength(std::int64_t samples) { m_length = samples; }

    // Interleaved 16-bit samples at the input rate.
    std::string Push(const std::int16_t* samples, int frames);
    // Encodes what is left and the codec's delay; the muxer is not finished.
    std::string Finish();
    std::int64_t SamplesEncoded() const { return m_pts; }

private:
    std::string Queue(std::uint8_t** data, int frames);
    std::string EncodeQueued(bool last);
    std::string Send(AVFrame* frame);

    AvOutput* m_output = nullptr;
    AVStream* m_stream = nullptr;
    AvCodecPtr m_codec;
    SwrContext* m_resampler = nullptr;
    AVAudioFifo* m_fifo = nullptr;
    AvPacketPtr m_packet;
    std::int64_t m_length = -1;
    std::int64_t m_queued = 0; // samples put in the queue so far
    std::int64_t m_pts = 0;    // samples handed to the codec so far
};
