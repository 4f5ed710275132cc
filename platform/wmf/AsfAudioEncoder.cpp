#include "platform/wmf/AsfAudioEncoder.h"

#include "platform/wmf/wmsdk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace {

// FFmpeg reports system errors as negated errno values.
HRESULT FromAverror(int err, HRESULT fallback) {
    switch (err) {
    case AVERROR(ENOSPC):
    case AVERROR(EFBIG):
    case AVERROR(EDQUOT):
        return HRESULT_DISK_FULL;
    case AVERROR(EACCES):
    case AVERROR(EPERM):
    case AVERROR(EROFS):
        return E_ACCESSDENIED;
    case AVERROR(ENOENT):
    case AVERROR(ENOTDIR):
        return STG_E_FILENOTFOUND;
    case AVERROR(ENOMEM):
        return E_OUTOFMEMORY;
    default:
        return fallback;
    }
}

} // namespace

AsfAudioEncoder::~AsfAudioEncoder() {
    Close();
}

HRESULT AsfAudioEncoder::Fail(HRESULT hr) {
    if (SUCCEEDED(m_failure))
        m_failure = hr;
    return m_failure;
}

HRESULT AsfAudioEncoder::Create(const std::string& path) {
    if (m_io)
        return NS_E_INVALID_REQUEST;
    int err = avio_open(&m_io, path.c_str(), AVIO_FLAG_WRITE);
    if (err < 0) {
        m_io = nullptr;
        return FromAverror(err, NS_E_FILE_OPEN_FAILED);
    }
    m_failure = S_OK;
    return S_OK;
}

HRESULT AsfAudioEncoder::Begin(const WAVEFORMATEX& input, const WmaCodec& codec,
                               const WmaOutputFormat& output) {
    if (!m_io || m_mux)
        return NS_E_INVALID_REQUEST;
    if ((input.wBitsPerSample != 8 && input.wBitsPerSample != 16) || input.nChannels < 1 ||
        input.nChannels > 2 || input.nBlockAlign != input.nChannels * input.wBitsPerSample / 8)
        return NS_E_INVALID_INPUT_FORMAT;

    const AVCodec* encoder = avcodec_find_encoder(
        codec.formatTag == WAVE_FORMAT_WMAUDIO1 ? AV_CODEC_ID_WMAV1 : AV_CODEC_ID_WMAV2);
    if (!encoder)
        return NS_E_AUDIO_CODEC_ERROR;

    int err = avformat_alloc_output_context2(&m_mux, nullptr, "asf", nullptr);
    if (err < 0 || !m_mux) {
        m_mux = nullptr;
        return FromAverror(err, E_OUTOFMEMORY);
    }
    m_mux->pb = m_io;

    HRESULT hr = S_OK;
    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, input.nChannels);
    do {
        m_encoder = avcodec_alloc_context3(encoder);
        m_frame = av_frame_alloc();
        m_packet = av_packet_alloc();
        if (!m_encoder || !m_frame || !m_packet) {
            hr = E_OUTOFMEMORY;
            break;
        }
        m_encoder->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        m_encoder->sample_rate = static_cast<int>(output.samplesPerSec);
        av_channel_layout_default(&m_encoder->ch_layout, output.channels);
        m_encoder->bit_rate = output.bitsPerSecond;
        m_encoder->time_base = AVRational{1, m_encoder->sample_rate};
        m_encoder->thread_count = 1;
        if (m_mux->oformat->flags & AVFMT_GLOBALHEADER)
            m_encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((err = avcodec_open2(m_encoder, encoder, nullptr)) < 0) {
            hr = FromAverror(err, NS_E_AUDIO_CODEC_ERROR);
            break;
        }

        AVStream* stream = avformat_new_stream(m_mux, nullptr);
        if (!stream) {
            hr = E_OUTOFMEMORY;
            break;
        }
        stream->time_base = m_encoder->time_base;
        if ((err = avcodec_parameters_from_context(stream->codecpar, m_encoder)) < 0) {
            hr = FromAverror(err, E_FAIL);
            break;
        }

        const AVSampleFormat inFormat =
            input.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
        err = swr_alloc_set_opts2(&m_resampler, &m_encoder->ch_layout, m_encoder->sample_fmt,
                                  m_encoder->sample_rate, &inLayout, inFormat,
                                  static_cast<int>(input.nSamplesPerSec), 0, nullptr);
        if (err < 0 || (err = swr_init(m_resampler)) < 0) {
            hr = FromAverror(err, NS_E_INVALID_INPUT_FORMAT);
            break;
        }
        m_fifo = av_audio_fifo_alloc(m_encoder->sample_fmt, output.channels, m_encoder->frame_size);
        if (!m_fifo) {
            hr = E_OUTOFMEMORY;
            break;
        }
        m_frame->format = m_encoder->sample_fmt;
        m_frame->sample_rate = m_encoder->sample_rate;
        m_frame->nb_samples = m_encoder->frame_size;
        if ((err = av_channel_layout_copy(&m_frame->ch_layout, &m_encoder->ch_layout)) < 0 ||
            (err = av_frame_get_buffer(m_frame, 0)) < 0) {
            hr = FromAverror(err, E_OUTOFMEMORY);
            break;
        }
        if ((err = avformat_write_header(m_mux, nullptr)) < 0) {
            hr = FromAverror(err, NS_E_FILE_WRITE);
            break;
        }
    } while (false);
    av_channel_layout_uninit(&inLayout);

    if (FAILED(hr)) {
        // Nothing usable was written: the file stays open and empty of audio,
        // and Close() will not try to finish it.
        FreeCodec();
        return hr;
    }
    m_frames.Start(input.nBlockAlign);
    m_nextPts = 0;
    return S_OK;
}

HRESULT AsfAudioEncoder::Write(const BYTE* data, std::size_t bytes) {
    if (!m_mux)
        return NS_E_INVALID_REQUEST;
    if (FAILED(m_failure))
        return m_failure;
    const std::size_t block = m_frames.FrameBytes();
    const HRESULT hr = m_frames.Feed(data, bytes, [&](const BYTE* whole, std::size_t count) {
        // Whole frames in bounded pieces, so the resampler's buffer stays small.
        constexpr std::size_t kMaxSamplesPerCall = 1 << 16;
        for (std::size_t done = 0; done < count;) {
            const std::size_t samples = std::min(count - done, kMaxSamplesPerCall);
            const HRESULT converted = Convert(whole + done * block, static_cast<int>(samples));
            if (FAILED(converted))
                return converted;
            done += samples;
        }
        return S_OK;
    });
    return FAILED(hr) ? hr : EncodeFrames(false);
}

HRESULT AsfAudioEncoder::ReserveConverted(int samples) {
    if (m_converted)
        av_freep(&m_converted[0]);
    av_freep(&m_converted);
    m_convertedCapacity = 0;
    if (av_samples_alloc_array_and_samples(&m_converted, nullptr, m_encoder->ch_layout.nb_channels,
                                           samples, m_encoder->sample_fmt, 0) < 0)
        return Fail(E_OUTOFMEMORY);
    m_convertedCapacity = samples;
    return S_OK;
}

// Resamples `samples` interleaved input frames (none: drains the resampler)
// into the FIFO of encoder input.
HRESULT AsfAudioEncoder::Convert(const BYTE* interleaved, int samples) {
    int room = swr_get_out_samples(m_resampler, samples);
    if (room < 0)
        return Fail(NS_E_AUDIO_CODEC_ERROR);
    if (room > m_convertedCapacity) {
        HRESULT hr = ReserveConverted(room);
        if (FAILED(hr))
            return hr;
    }
    const std::uint8_t* in[] = {interleaved};
    int got = swr_convert(m_resampler, m_converted, room, interleaved ? in : nullptr, samples);
    if (got < 0)
        return Fail(NS_E_AUDIO_CODEC_ERROR);
    if (got > 0 && av_audio_fifo_write(m_fifo, reinterpret_cast<void**>(m_converted), got) < got)
        return Fail(E_OUTOFMEMORY);
    return interleaved ? EncodeFrames(false) : S_OK;
}

// The decoder drops the encoder's delay from the start of the stream, and the
// encoder keeps that much of the end in its overlap; silence after the audio
// carries the last of it out.
HRESULT AsfAudioEncoder::PadForDelay() {
    const int delay = m_encoder->initial_padding;
    if (delay <= 0)
        return S_OK;
    if (delay > m_convertedCapacity) {
        HRESULT hr = ReserveConverted(delay);
        if (FAILED(hr))
            return hr;
    }
    av_samples_set_silence(m_converted, 0, delay, m_encoder->ch_layout.nb_channels,
                           m_encoder->sample_fmt);
    if (av_audio_fifo_write(m_fifo, reinterpret_cast<void**>(m_converted), delay) < delay)
        return Fail(E_OUTOFMEMORY);
    return S_OK;
}

// Encodes every whole frame in the FIFO; with `final`, the short rest too
// (the encoder pads it with silence).
HRESULT AsfAudioEncoder::EncodeFrames(bool final) {
    const int frameSize = m_encoder->frame_size;
    while (av_audio_fifo_size(m_fifo) >= frameSize || (final && av_audio_fifo_size(m_fifo) > 0)) {
        int n = std::min(av_audio_fifo_size(m_fifo), frameSize);
        // The encoder may still hold the previous frame's buffers.
        m_frame->nb_samples = frameSize;
        if (av_frame_make_writable(m_frame) < 0)
            return Fail(E_OUTOFMEMORY);
        if (av_audio_fifo_read(m_fifo, reinterpret_cast<void**>(m_frame->data), n) < n)
            return Fail(E_UNEXPECTED);
        m_frame->nb_samples = n;
        m_frame->pts = m_nextPts;
        m_nextPts += n;
        HRESULT hr = Send(m_frame);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

// Hands a frame (none: the end) to the encoder and writes what it gives back.
HRESULT AsfAudioEncoder::Send(AVFrame* frame) {
    int err = avcodec_send_frame(m_encoder, frame);
    if (err < 0)
        return Fail(FromAverror(err, NS_E_AUDIO_CODEC_ERROR));
    AVStream* stream = m_mux->streams[0];
    for (;;) {
        err = avcodec_receive_packet(m_encoder, m_packet);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return S_OK;
        if (err < 0)
            return Fail(FromAverror(err, NS_E_AUDIO_CODEC_ERROR));
        av_packet_rescale_ts(m_packet, m_encoder->time_base, stream->time_base);
        m_packet->stream_index = stream->index;
        err = av_interleaved_write_frame(m_mux, m_packet);
        if (err < 0)
            return Fail(FromAverror(err, NS_E_FILE_WRITE));
    }
}

HRESULT AsfAudioEncoder::Close() {
    if (!m_io)
        return S_OK;
    if (m_mux && SUCCEEDED(m_failure)) {
        if (SUCCEEDED(Convert(nullptr, 0)) && SUCCEEDED(PadForDelay()) &&
            SUCCEEDED(EncodeFrames(true)) && SUCCEEDED(Send(nullptr))) {
            int err = av_write_trailer(m_mux);
            if (err < 0)
                Fail(FromAverror(err, NS_E_FILE_WRITE));
        }
    }
    avio_flush(m_io);
    if (m_io->error < 0)
        Fail(FromAverror(m_io->error, NS_E_FILE_WRITE));
    int err = avio_closep(&m_io);
    if (err < 0)
        Fail(FromAverror(err, NS_E_FILE_WRITE));
    HRESULT result = m_failure;
    FreeResources();
    return result;
}

void AsfAudioEncoder::FreeCodec() {
    swr_free(&m_resampler);
    av_audio_fifo_free(m_fifo);
    m_fifo = nullptr;
    av_frame_free(&m_frame);
    av_packet_free(&m_packet);
    avcodec_free_context(&m_encoder);
    avformat_free_context(m_mux);
    m_mux = nullptr;
}

void AsfAudioEncoder::FreeResources() {
    if (m_converted)
        av_freep(&m_converted[0]);
    av_freep(&m_converted);
    m_convertedCapacity = 0;
    FreeCodec();
    avio_closep(&m_io);
    m_frames.Clear();
    m_nextPts = 0;
    m_failure = S_OK;
}
