#include "tests/support/DecodedAudio.h"

#include "tests/support/FileBytes.h"
#include "tests/support/WavBytes.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
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

DecodedAudio DecodeAudioFile(const std::filesystem::path& path) {
    DecodedAudio result;
    Decoder d;
    av_log_set_level(AV_LOG_ERROR); // a raw MP3 has no duration to read, and that is fine
    if (avformat_open_input(&d.format, path.c_str(), nullptr, nullptr) < 0) {
        result.error = "cannot open";
        return result;
    }
    int index = -1;
    const AVCodec* decoder = nullptr;
    if (avformat_find_stream_info(d.format, nullptr) < 0 ||
        (index = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0)) < 0) {
        result.error = "no audio stream";
        return result;
    }
    d.codec = avcodec_alloc_context3(decoder);
    avcodec_parameters_to_context(d.codec, d.format->streams[index]->codecpar);
    if (avcodec_open2(d.codec, decoder, nullptr) < 0) {
        result.error = "cannot open decoder";
        return result;
    }
    result.opened = true;
    result.codec = decoder->name;
    result.container = d.format->iformat->name;
    result.sampleRate = d.codec->sample_rate;
    result.channels = d.codec->ch_layout.nb_channels;
    if (d.format->duration != AV_NOPTS_VALUE)
        result.headerSeconds = static_cast<double>(d.format->duration) / AV_TIME_BASE;

    std::vector<double> squares(static_cast<std::size_t>(result.channels));
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
                squares[static_cast<std::size_t>(i % result.channels)] +=
                    static_cast<double>(converted[i]) * converted[i];
            result.frames += d.frame->nb_samples;
        }
    };
    while (av_read_frame(d.format, d.packet) >= 0) {
        if (d.packet->stream_index == index && avcodec_send_packet(d.codec, d.packet) < 0 &&
            result.decodeErrors++ == 0)
            result.error = "decode error";
        av_packet_unref(d.packet);
        drain();
    }
    avcodec_send_packet(d.codec, nullptr);
    drain();
    result.seconds = static_cast<double>(result.frames) / result.sampleRate;
    double sum = 0;
    for (double s : squares) {
        sum += s;
        result.channelRms.push_back(
            result.frames > 0 ? std::sqrt(s / static_cast<double>(result.frames)) : 0.0);
    }
    if (result.frames > 0)
        result.rms = std::sqrt(sum / static_cast<double>(result.frames * result.channels));
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
    using WavBytes::Chunk, WavBytes::Le16, WavBytes::Le32;
    const std::string fmt = Le16(format.wFormatTag) + Le16(format.nChannels) +
                            Le32(format.nSamplesPerSec) + Le32(format.nAvgBytesPerSec) +
                            Le16(format.nBlockAlign) + Le16(format.wBitsPerSample);
    WriteAll(path, WavBytes::Riff(Chunk("fmt ", fmt) + Chunk("data", {data.begin(), data.end()})));
}
