#include "tests/audio/mp3/Mp3Probe.h"

#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

namespace {

double sampleAt(const AVFrame* frame, int channel, int i) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const int channels = frame->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(format);
    const int plane = planar ? channel : 0;
    const int index = planar ? i : i * channels + channel;
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_FLT:
        return reinterpret_cast<const float*>(frame->extended_data[plane])[index];
    case AV_SAMPLE_FMT_S16:
        return reinterpret_cast<const std::int16_t*>(frame->extended_data[plane])[index] / 32768.0;
    case AV_SAMPLE_FMT_S32:
        return reinterpret_cast<const std::int32_t*>(frame->extended_data[plane])[index] /
               2147483648.0;
    default:
        return 0;
    }
}

} // namespace

DecodedAudio decodeAudioFile(const std::filesystem::path& path) {
    DecodedAudio out;
    av_log_set_level(AV_LOG_ERROR); // a raw MP3 has no duration to read, and that is fine
    AVFormatContext* format = nullptr;
    if (avformat_open_input(&format, path.c_str(), nullptr, nullptr) < 0) {
        out.error = "cannot open";
        return out;
    }
    AVCodecContext* codec = nullptr;
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    std::vector<double> squares;
    const AVCodec* decoder = nullptr;
    int stream = -1;
    if (avformat_find_stream_info(format, nullptr) < 0 ||
        (stream = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0)) < 0) {
        out.error = "no audio stream";
    } else {
        if (format->duration != AV_NOPTS_VALUE)
            out.reportedSeconds = static_cast<double>(format->duration) / AV_TIME_BASE;
        codec = avcodec_alloc_context3(decoder);
        avcodec_parameters_to_context(codec, format->streams[stream]->codecpar);
        if (avcodec_open2(codec, decoder, nullptr) < 0) {
            out.error = "cannot open decoder";
        } else {
            out.ok = true;
            auto drain = [&] {
                while (avcodec_receive_frame(codec, frame) == 0) {
                    out.sampleRate = frame->sample_rate;
                    out.channels = frame->ch_layout.nb_channels;
                    squares.resize(static_cast<std::size_t>(out.channels));
                    for (int c = 0; c < out.channels; ++c)
                        for (int i = 0; i < frame->nb_samples; ++i) {
                            const double v = sampleAt(frame, c, i);
                            squares[static_cast<std::size_t>(c)] += v * v;
                        }
                    out.frames += frame->nb_samples;
                }
            };
            while (av_read_frame(format, packet) >= 0) {
                if (packet->stream_index == stream && avcodec_send_packet(codec, packet) < 0)
                    out.ok = false, out.error = "decode error";
                av_packet_unref(packet);
                drain();
            }
            avcodec_send_packet(codec, nullptr);
            drain();
        }
    }
    for (double s : squares)
        out.rms.push_back(out.frames ? std::sqrt(s / static_cast<double>(out.frames)) : 0.0);
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&codec);
    avformat_close_input(&format);
    return out;
}

std::vector<Mp3FrameHeader> parseMp3Frames(const std::string& bytes, bool* complete) {
    static const int kBitrates[2][16] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}, // MPEG-1
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};    // MPEG-2, 2.5
    static const int kRates[3] = {44100, 48000, 32000};

    std::vector<Mp3FrameHeader> frames;
    std::size_t at = 0;
    bool ok = true;
    while (at < bytes.size()) {
        if (at + 4 > bytes.size()) {
            ok = false;
            break;
        }
        const auto* h = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        const int versionBits = (h[1] >> 3) & 3; // 0: 2.5, 2: 2, 3: 1
        const int layerBits = (h[1] >> 1) & 3;   // 1: layer III
        const int bitrateIndex = h[2] >> 4;
        const int rateIndex = (h[2] >> 2) & 3;
        if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || versionBits == 1 || layerBits != 1 ||
            bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3) {
            ok = false;
            break;
        }
        Mp3FrameHeader f;
        f.mpegVersion = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
        f.bitrateKbps = kBitrates[f.mpegVersion == 1 ? 0 : 1][bitrateIndex];
        f.sampleRate = kRates[rateIndex] / (f.mpegVersion == 1 ? 1 : f.mpegVersion == 2 ? 2 : 4);
        f.channels = (h[3] >> 6) == 3 ? 1 : 2;
        f.samples = f.mpegVersion == 1 ? 1152 : 576;
        const int padding = (h[2] >> 1) & 1;
        f.length = static_cast<std::size_t>((f.samples / 8) * f.bitrateKbps * 1000 / f.sampleRate +
                                            padding);
        f.offset = at;
        if (at + f.length > bytes.size()) {
            ok = false;
            break;
        }
        frames.push_back(f);
        at += f.length;
    }
    if (complete)
        *complete = ok;
    return frames;
}

bool hasVbrTag(const std::string& bytes) {
    const auto frames = parseMp3Frames(bytes);
    if (frames.empty())
        return false;
    const std::string first = bytes.substr(frames[0].offset, frames[0].length);
    return first.find("Xing") != std::string::npos || first.find("Info") != std::string::npos;
}
