#include "tests/support/DecodedAudio.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

struct Decoder {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    ~Decoder() {
        av_frame_free(&frame);
        av_packet_free(&packet);
        swr_free(&swr);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

} // namespace

DecodedAudio DecodeAudioFile(const std::string& path) {
    DecodedAudio result;
    Decoder d;
    if (avformat_open_input(&d.format, path.c_str(), nullptr, nullptr) < 0)
        return result;
    if (avformat_find_stream_info(d.format, nullptr) < 0)
        return result;
    int index = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return result;
    AVStream* stream = d.format->streams[index];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!decoder)
        return result;
    d.codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(d.codec, stream->codecpar);
    if (avcodec_open2(d.codec, decoder, nullptr) < 0)
        return result;
    result.opened = true;
    result.codec = decoder->name;
    result.container = d.format->iformat->name;
    result.sampleRate = d.codec->sample_rate;
    result.channels = d.codec->ch_layout.nb_channels;
    if (d.format->duration != AV_NOPTS_VALUE)
        result.headerSeconds = static_cast<double>(d.format->duration) / AV_TIME_BASE;

    double sumSquares = 0;
    std::int64_t samples = 0; // per channel
    std::vector<float> converted;
    auto drain = [&] {
        while (avcodec_receive_frame(d.codec, d.frame) == 0) {
            if (!d.swr) {
                swr_alloc_set_opts2(&d.swr, &d.frame->ch_layout, AV_SAMPLE_FMT_FLT,
                                    d.frame->sample_rate, &d.frame->ch_layout,
                                    static_cast<AVSampleFormat>(d.frame->format),
                                    d.frame->sample_rate, 0, nullptr);
                swr_init(d.swr);
            }
            converted.resize(static_cast<std::size_t>(d.frame->nb_samples) * result.channels);
            auto* out = reinterpret_cast<std::uint8_t*>(converted.data());
            int got = swr_convert(d.swr, &out, d.frame->nb_samples,
                                  const_cast<const std::uint8_t**>(d.frame->extended_data),
                                  d.frame->nb_samples);
            for (int i = 0; i < got * result.channels; ++i)
                sumSquares += static_cast<double>(converted[i]) * converted[i];
            samples += d.frame->nb_samples;
        }
    };
    while (av_read_frame(d.format, d.packet) >= 0) {
        if (d.packet->stream_index == index && avcodec_send_packet(d.codec, d.packet) < 0)
            ++result.decodeErrors;
        av_packet_unref(d.packet);
        drain();
    }
    avcodec_send_packet(d.codec, nullptr);
    drain();
    result.seconds = static_cast<double>(samples) / result.sampleRate;
    if (samples > 0)
        result.rms = std::sqrt(sumSquares / static_cast<double>(samples * result.channels));
    return result;
}

std::vector<std::uint8_t> MakeTestSignal(const WAVEFORMATEX& format, double seconds) {
    const std::size_t frames = static_cast<std::size_t>(seconds * format.nSamplesPerSec);
    std::vector<std::uint8_t> bytes(frames * format.nBlockAlign);
    std::mt19937 random(42);
    std::uniform_real_distribution<double> noise(-0.05, 0.05);
    const double rate = format.nSamplesPerSec;
    constexpr double kPi = 3.14159265358979323846;
    std::size_t at = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        double t = static_cast<double>(i) / rate;
        // A pitch that wanders like a voice, with two formant-ish partials.
        double f0 = 140 + 30 * std::sin(2 * kPi * 1.5 * t);
        double v = 0.3 * std::sin(2 * kPi * f0 * t) + 0.15 * std::sin(2 * kPi * 3 * f0 * t) +
                   0.08 * std::sin(2 * kPi * 900 * t) + noise(random);
        for (int c = 0; c < format.nChannels; ++c) {
            double s = c == 0 ? v : 0.8 * v;
            if (format.wBitsPerSample == 8) {
                bytes[at++] = static_cast<std::uint8_t>(std::lround(128 + 127 * s));
            } else {
                auto x = static_cast<std::int16_t>(std::lround(32767 * s));
                bytes[at++] = static_cast<std::uint8_t>(x & 0xFF);
                bytes[at++] = static_cast<std::uint8_t>((x >> 8) & 0xFF);
            }
        }
    }
    return bytes;
}

void WriteWavFile(const std::string& path, const WAVEFORMATEX& format,
                  const std::vector<std::uint8_t>& data) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return;
    auto u32 = [&](std::uint32_t v) {
        std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                             static_cast<std::uint8_t>(v >> 16),
                             static_cast<std::uint8_t>(v >> 24)};
        std::fwrite(b, 1, 4, f);
    };
    auto u16 = [&](std::uint16_t v) {
        std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
        std::fwrite(b, 1, 2, f);
    };
    std::fwrite("RIFF", 1, 4, f);
    u32(static_cast<std::uint32_t>(36 + data.size()));
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(format.wFormatTag);
    u16(format.nChannels);
    u32(format.nSamplesPerSec);
    u32(format.nAvgBytesPerSec);
    u16(format.nBlockAlign);
    u16(format.wBitsPerSample);
    std::fwrite("data", 1, 4, f);
    u32(static_cast<std::uint32_t>(data.size()));
    if (!data.empty())
        std::fwrite(data.data(), 1, data.size(), f);
    std::fclose(f);
}
