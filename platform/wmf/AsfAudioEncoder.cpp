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
    close();
}

HRESULT AsfAudioEncoder::fail(HRESULT hr) {
    if (SUCCEEDED(failure_))
        failure_ = hr;
    return failure_;
}

HRESULT AsfAudioEncoder::create(const std::string& path) {
    if (io_)
        return NS_E_INVALID_REQUEST;
    int err = avio_open(&io_, path.c_str(), AVIO_FLAG_WRITE);
    if (err < 0) {
        io_ = nullptr;
        return FromAverror(err, NS_E_FILE_OPEN_FAILED);
    }
    failure_ = S_OK;
    return S_OK;
}

HRESULT AsfAudioEncoder::begin(const WAVEFORMATEX& input, const WmaCodec& codec,
                               const WmaOutputFormat& output) {
    if (!io_ || mux_)
        return NS_E_INVALID_REQUEST;
    if ((input.wBitsPerSample != 8 && input.wBitsPerSample != 16) || input.nChannels < 1 ||
        input.nChannels > 2 || input.nBlockAlign != input.nChannels * input.wBitsPerSample / 8)
        return NS_E_INVALID_INPUT_FORMAT;

    const AVCodec* encoder = avcodec_find_encoder(
        codec.formatTag == WAVE_FORMAT_WMAUDIO1 ? AV_CODEC_ID_WMAV1 : AV_CODEC_ID_WMAV2);
    if (!encoder)
        return NS_E_AUDIO_CODEC_ERROR;

    int err = avformat_alloc_output_context2(&mux_, nullptr, "asf", nullptr);
    if (err < 0 || !mux_) {
        mux_ = nullptr;
        return FromAverror(err, E_OUTOFMEMORY);
    }
    mux_->pb = io_;

    HRESULT hr = S_OK;
    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, input.nChannels);
    do {
        encoder_ = avcodec_alloc_context3(encoder);
        frame_ = av_frame_alloc();
        packet_ = av_packet_alloc();
        if (!encoder_ || !frame_ || !packet_) {
            hr = E_OUTOFMEMORY;
            break;
        }
        encoder_->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        encoder_->sample_rate = static_cast<int>(output.samplesPerSec);
        av_channel_layout_default(&encoder_->ch_layout, output.channels);
        encoder_->bit_rate = output.bitsPerSecond;
        encoder_->time_base = AVRational{1, encoder_->sample_rate};
        encoder_->thread_count = 1;
        if (mux_->oformat->flags & AVFMT_GLOBALHEADER)
            encoder_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((err = avcodec_open2(encoder_, encoder, nullptr)) < 0) {
            hr = FromAverror(err, NS_E_AUDIO_CODEC_ERROR);
            break;
        }

        AVStream* stream = avformat_new_stream(mux_, nullptr);
        if (!stream) {
            hr = E_OUTOFMEMORY;
            break;
        }
        stream->time_base = encoder_->time_base;
        if ((err = avcodec_parameters_from_context(stream->codecpar, encoder_)) < 0) {
            hr = FromAverror(err, E_FAIL);
            break;
        }

        const AVSampleFormat inFormat =
            input.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
        err = swr_alloc_set_opts2(&resampler_, &encoder_->ch_layout, encoder_->sample_fmt,
                                  encoder_->sample_rate, &inLayout, inFormat,
                                  static_cast<int>(input.nSamplesPerSec), 0, nullptr);
        if (err < 0 || (err = swr_init(resampler_)) < 0) {
            hr = FromAverror(err, NS_E_INVALID_INPUT_FORMAT);
            break;
        }
        fifo_ = av_audio_fifo_alloc(encoder_->sample_fmt, output.channels, encoder_->frame_size);
        if (!fifo_) {
            hr = E_OUTOFMEMORY;
            break;
        }
        frame_->format = encoder_->sample_fmt;
        frame_->sample_rate = encoder_->sample_rate;
        frame_->nb_samples = encoder_->frame_size;
        if ((err = av_channel_layout_copy(&frame_->ch_layout, &encoder_->ch_layout)) < 0 ||
            (err = av_frame_get_buffer(frame_, 0)) < 0) {
            hr = FromAverror(err, E_OUTOFMEMORY);
            break;
        }
        if ((err = avformat_write_header(mux_, nullptr)) < 0) {
            hr = FromAverror(err, NS_E_FILE_WRITE);
            break;
        }
    } while (false);
    av_channel_layout_uninit(&inLayout);

    if (FAILED(hr)) {
        // Nothing usable was written: the file stays open and empty of audio,
        // and close() will not try to finish it.
        swr_free(&resampler_);
        av_audio_fifo_free(fifo_);
        fifo_ = nullptr;
        av_frame_free(&frame_);
        av_packet_free(&packet_);
        avcodec_free_context(&encoder_);
        avformat_free_context(mux_);
        mux_ = nullptr;
        return hr;
    }
    frames_.Start(input.nBlockAlign);
    nextPts_ = 0;
    return S_OK;
}

HRESULT AsfAudioEncoder::write(const BYTE* data, std::size_t bytes) {
    if (!mux_)
        return NS_E_INVALID_REQUEST;
    if (FAILED(failure_))
        return failure_;
    const std::size_t block = frames_.FrameBytes();
    const HRESULT hr = frames_.Feed(data, bytes, [&](const BYTE* whole, std::size_t count) {
        // Whole frames in bounded pieces, so the resampler's buffer stays small.
        constexpr std::size_t kMaxSamplesPerCall = 1 << 16;
        for (std::size_t done = 0; done < count;) {
            const std::size_t samples = std::min(count - done, kMaxSamplesPerCall);
            const HRESULT converted = convert(whole + done * block, static_cast<int>(samples));
            if (FAILED(converted))
                return converted;
            done += samples;
        }
        return S_OK;
    });
    return FAILED(hr) ? hr : encodeFrames(false);
}

HRESULT AsfAudioEncoder::reserveConverted(int samples) {
    if (converted_)
        av_freep(&converted_[0]);
    av_freep(&converted_);
    convertedCapacity_ = 0;
    if (av_samples_alloc_array_and_samples(&converted_, nullptr, encoder_->ch_layout.nb_channels,
                                           samples, encoder_->sample_fmt, 0) < 0)
        return fail(E_OUTOFMEMORY);
    convertedCapacity_ = samples;
    return S_OK;
}

// Resamples `samples` interleaved input frames (none: drains the resampler)
// into the FIFO of encoder input.
HRESULT AsfAudioEncoder::convert(const BYTE* interleaved, int samples) {
    int room = swr_get_out_samples(resampler_, samples);
    if (room < 0)
        return fail(NS_E_AUDIO_CODEC_ERROR);
    if (room > convertedCapacity_) {
        HRESULT hr = reserveConverted(room);
        if (FAILED(hr))
            return hr;
    }
    const std::uint8_t* in[] = {interleaved};
    int got = swr_convert(resampler_, converted_, room, interleaved ? in : nullptr, samples);
    if (got < 0)
        return fail(NS_E_AUDIO_CODEC_ERROR);
    if (got > 0 && av_audio_fifo_write(fifo_, reinterpret_cast<void**>(converted_), got) < got)
        return fail(E_OUTOFMEMORY);
    return interleaved ? encodeFrames(false) : S_OK;
}

// The decoder drops the encoder's delay from the start of the stream, and the
// encoder keeps that much of the end in its overlap; silence after the audio
// carries the last of it out.
HRESULT AsfAudioEncoder::padForDelay() {
    const int delay = encoder_->initial_padding;
    if (delay <= 0)
        return S_OK;
    if (delay > convertedCapacity_) {
        HRESULT hr = reserveConverted(delay);
        if (FAILED(hr))
            return hr;
    }
    av_samples_set_silence(converted_, 0, delay, encoder_->ch_layout.nb_channels,
                           encoder_->sample_fmt);
    if (av_audio_fifo_write(fifo_, reinterpret_cast<void**>(converted_), delay) < delay)
        return fail(E_OUTOFMEMORY);
    return S_OK;
}

// Encodes every whole frame in the FIFO; with `final`, the short rest too
// (the encoder pads it with silence).
HRESULT AsfAudioEncoder::encodeFrames(bool final) {
    const int frameSize = encoder_->frame_size;
    while (av_audio_fifo_size(fifo_) >= frameSize || (final && av_audio_fifo_size(fifo_) > 0)) {
        int n = std::min(av_audio_fifo_size(fifo_), frameSize);
        // The encoder may still hold the previous frame's buffers.
        frame_->nb_samples = frameSize;
        if (av_frame_make_writable(frame_) < 0)
            return fail(E_OUTOFMEMORY);
        if (av_audio_fifo_read(fifo_, reinterpret_cast<void**>(frame_->data), n) < n)
            return fail(E_UNEXPECTED);
        frame_->nb_samples = n;
        frame_->pts = nextPts_;
        nextPts_ += n;
        HRESULT hr = send(frame_);
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

// Hands a frame (none: the end) to the encoder and writes what it gives back.
HRESULT AsfAudioEncoder::send(AVFrame* frame) {
    int err = avcodec_send_frame(encoder_, frame);
    if (err < 0)
        return fail(FromAverror(err, NS_E_AUDIO_CODEC_ERROR));
    AVStream* stream = mux_->streams[0];
    for (;;) {
        err = avcodec_receive_packet(encoder_, packet_);
        if (err == AVERROR(EAGAIN) || err == AVERROR_EOF)
            return S_OK;
        if (err < 0)
            return fail(FromAverror(err, NS_E_AUDIO_CODEC_ERROR));
        av_packet_rescale_ts(packet_, encoder_->time_base, stream->time_base);
        packet_->stream_index = stream->index;
        err = av_interleaved_write_frame(mux_, packet_);
        if (err < 0)
            return fail(FromAverror(err, NS_E_FILE_WRITE));
    }
}

HRESULT AsfAudioEncoder::close() {
    if (!io_)
        return S_OK;
    if (mux_ && SUCCEEDED(failure_)) {
        if (SUCCEEDED(convert(nullptr, 0)) && SUCCEEDED(padForDelay()) &&
            SUCCEEDED(encodeFrames(true)) && SUCCEEDED(send(nullptr))) {
            int err = av_write_trailer(mux_);
            if (err < 0)
                fail(FromAverror(err, NS_E_FILE_WRITE));
        }
    }
    avio_flush(io_);
    if (io_->error < 0)
        fail(FromAverror(io_->error, NS_E_FILE_WRITE));
    int err = avio_closep(&io_);
    if (err < 0)
        fail(FromAverror(err, NS_E_FILE_WRITE));
    HRESULT result = failure_;
    release();
    return result;
}

void AsfAudioEncoder::release() {
    if (converted_)
        av_freep(&converted_[0]);
    av_freep(&converted_);
    convertedCapacity_ = 0;
    swr_free(&resampler_);
    av_audio_fifo_free(fifo_);
    fifo_ = nullptr;
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&encoder_);
    avformat_free_context(mux_);
    mux_ = nullptr;
    avio_closep(&io_);
    frames_.Clear();
    nextPts_ = 0;
    failure_ = S_OK;
}
