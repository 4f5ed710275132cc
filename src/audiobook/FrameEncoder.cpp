#include "src/audiobook/FrameEncoder.h"

#include <algorithm>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

// Frames of codecs that take any length (PCM, and FLAC's own blocking).
constexpr int kFreeFrame = 4608;

int NearestRate(const AVCodec* codec, int rate) {
    if (!codec->supported_samplerates)
        return rate;
    int best = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r) {
        if (*r == rate)
            return rate;
        if (*r > rate && (best == 0 || *r < best))
            best = *r;
    }
    return best ? best : codec->supported_samplerates[0];
}

} // namespace

FrameEncoder::~FrameEncoder() {
    swr_free(&m_resampler);
    if (m_fifo)
        av_audio_fifo_free(m_fifo);
}

std::string FrameEncoder::Open(AvOutput& output, const char* codecName, int inRate, int channels,
                               int outRate, int bitRate, AVDictionary** codecOptions) {
    m_output = &output;
    const AVCodec* codec = avcodec_find_encoder_by_name(codecName);
    if (!codec)
        return std::string("FFmpeg has no ") + codecName + " encoder";
    m_codec.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    if (!m_codec || !m_packet)
        return AvError(AVERROR(ENOMEM));
    m_codec->sample_rate = NearestRate(codec, outRate ? outRate : inRate);
    m_codec->sample_fmt = codec->sample_fmts ? codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&m_codec->ch_layout, channels);
    m_codec->time_base = AVRational{1, m_codec->sample_rate};
    m_codec->bit_rate = bitRate;
    if (output.Context()->oformat->flags & AVFMT_GLOBALHEADER)
        m_codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    m_codec->flags |= AV_CODEC_FLAG_BITEXACT;
    if (int code = avcodec_open2(m_codec.get(), codec, codecOptions); code < 0)
        return std::string("cannot open the ") + codecName + " encoder: " + AvError(code);

    m_stream = output.AddStream();
    if (!m_stream)
        return AvError(AVERROR(ENOMEM));
    if (int code = avcodec_parameters_from_context(m_stream->codecpar, m_codec.get()); code < 0)
        return AvError(code);
    m_stream->time_base = m_codec->time_base;

    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    int code =
        swr_alloc_set_opts2(&m_resampler, &m_codec->ch_layout, m_codec->sample_fmt,
                            m_codec->sample_rate, &layout, AV_SAMPLE_FMT_S16, inRate, 0, nullptr);
    if (code >= 0)
        code = swr_init(m_resampler);
    if (code < 0)
        return "cannot convert the piece's audio: " + AvError(code);
    m_fifo = av_audio_fifo_alloc(m_codec->sample_fmt, channels, kFreeFrame);
    return m_fifo ? std::string() : AvError(AVERROR(ENOMEM));
}

std::string FrameEncoder::Push(const std::int16_t* samples, int frames) {
    const int room = swr_get_out_samples(m_resampler, frames);
    std::uint8_t** converted = nullptr;
    if (av_samples_alloc_array_and_samples(&converted, nullptr, m_codec->ch_layout.nb_channels,
                                           std::max(room, 1), m_codec->sample_fmt, 0) < 0)
        return AvError(AVERROR(ENOMEM));
    const auto* in = reinterpret_cast<const std::uint8_t*>(samples);
    const int made = swr_convert(m_resampler, converted, room, samples ? &in : nullptr, frames);
    std::string error =
        made < 0 ? "cannot convert the piece's audio: " + AvError(made) : Queue(converted, made);
    av_freep(&converted[0]);
    av_freep(&converted);
    return error.empty() ? EncodeQueued(false) : error;
}

std::string FrameEncoder::Queue(std::uint8_t** data, int frames) {
    if (m_length >= 0)
        frames = static_cast<int>(std::min<std::int64_t>(frames, m_length - m_queued));
    if (frames <= 0)
        return {};
    if (av_audio_fifo_write(m_fifo, reinterpret_cast<void**>(data), frames) < frames)
        return AvError(AVERROR(ENOMEM));
    m_queued += frames;
    return {};
}

std::string FrameEncoder::EncodeQueued(bool last) {
    const int frameSize = m_codec->frame_size > 0 ? m_codec->frame_size : kFreeFrame;
    while (av_audio_fifo_size(m_fifo) >= frameSize || (last && av_audio_fifo_size(m_fifo) > 0)) {
        AvFramePtr frame(av_frame_alloc());
        if (!frame)
            return AvError(AVERROR(ENOMEM));
        frame->nb_samples = std::min(frameSize, av_audio_fifo_size(m_fifo));
        frame->format = m_codec->sample_fmt;
        frame->sample_rate = m_codec->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &m_codec->ch_layout);
        if (av_frame_get_buffer(frame.get(), 0) < 0)
            return AvError(AVERROR(ENOMEM));
        av_audio_fifo_read(m_fifo, reinterpret_cast<void**>(frame->data), frame->nb_samples);
        frame->pts = m_pts;
        m_pts += frame->nb_samples;
        if (std::string error = Send(frame.get()); !error.empty())
            return error;
    }
    return {};
}

std::string FrameEncoder::Send(AVFrame* frame) {
    if (int code = avcodec_send_frame(m_codec.get(), frame); code < 0)
        return "cannot encode the piece: " + AvError(code);
    for (;;) {
        const int code = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return {};
        if (code < 0)
            return "cannot encode the piece: " + AvError(code);
        m_packet->stream_index = m_stream->index;
        av_packet_rescale_ts(m_packet.get(), m_codec->time_base, m_stream->time_base);
        if (std::string error = m_output->Write(m_packet.get()); !error.empty())
            return error;
    }
}

std::string FrameEncoder::Finish() {
    if (std::string error = Push(nullptr, 0); !error.empty())
        return error;
    if (m_length > m_queued) {
        std::uint8_t** silence = nullptr;
        const int missing = static_cast<int>(m_length - m_queued);
        if (av_samples_alloc_array_and_samples(&silence, nullptr, m_codec->ch_layout.nb_channels,
                                               missing, m_codec->sample_fmt, 0) < 0)
            return AvError(AVERROR(ENOMEM));
        av_samples_set_silence(silence, 0, missing, m_codec->ch_layout.nb_channels,
                               m_codec->sample_fmt);
        std::string error = Queue(silence, missing);
        av_freep(&silence[0]);
        av_freep(&silence);
        if (!error.empty())
            return error;
    }
    if (std::string error = EncodeQueued(true); !error.empty())
        return error;
    return Send(nullptr);
}
