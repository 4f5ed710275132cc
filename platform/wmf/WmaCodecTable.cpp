#include "platform/wmf/WmaCodecTable.h"

#include "platform/wmf/wmsdk.h"

#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/channel_layout.h>
}

namespace {

struct Candidate {
    DWORD kbps;
    DWORD samplesPerSec;
    WORD channels;
};

// The usual CBR choices of a WMA encoder, best first. FFmpeg's WMA encoders
// need 24 kbps at least, so the speech-sized low rates stop there.
constexpr Candidate kCandidates[] = {
    {320, 48000, 2}, {256, 48000, 2}, {192, 48000, 2}, {160, 48000, 2}, {128, 48000, 2},
    {320, 44100, 2}, {256, 44100, 2}, {192, 44100, 2}, {160, 44100, 2}, {128, 44100, 2},
    {96, 44100, 2},  {80, 44100, 2},  {64, 44100, 2},  {48, 44100, 2},  {48, 44100, 1},
    {40, 32000, 2},  {32, 32000, 2},  {32, 22050, 2},  {32, 22050, 1},  {24, 22050, 1},
    {24, 16000, 1},  {24, 11025, 1},  {24, 8000, 1},
};

std::u16string Describe(const Candidate& c) {
    std::string text = std::to_string(c.kbps) + " kbps, " + std::to_string(c.samplesPerSec / 1000) +
                       " kHz, " + (c.channels == 1 ? "mono" : "stereo") + " CBR";
    return std::u16string(text.begin(), text.end());
}

// Opens the encoder with the candidate's settings; gives the packet size it
// chose, or 0 when it refuses them.
int ProbeBlockAlign(const AVCodec* encoder, const Candidate& c) {
    AVCodecContext* ctx = avcodec_alloc_context3(encoder);
    if (!ctx)
        return 0;
    ctx->sample_fmt = encoder->sample_fmts ? encoder->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    ctx->sample_rate = static_cast<int>(c.samplesPerSec);
    av_channel_layout_default(&ctx->ch_layout, c.channels);
    ctx->bit_rate = static_cast<std::int64_t>(c.kbps) * 1000;
    ctx->time_base = AVRational{1, ctx->sample_rate};
    int blockAlign = avcodec_open2(ctx, encoder, nullptr) == 0 ? ctx->block_align : 0;
    avcodec_free_context(&ctx);
    return blockAlign;
}

WmaCodec Probe(const AVCodec* encoder, std::u16string name, WORD tag) {
    WmaCodec codec{std::move(name), tag, {}};
    for (const Candidate& c : kCandidates) {
        int blockAlign = ProbeBlockAlign(encoder, c);
        if (blockAlign > 0 && blockAlign <= 0xFFFF)
            codec.formats.push_back({c.kbps * 1000, c.samplesPerSec, c.channels,
                                     static_cast<WORD>(blockAlign), Describe(c)});
    }
    return codec;
}

std::vector<WmaCodec> ProbeAll() {
    std::vector<WmaCodec> codecs;
    if (const AVCodec* v2 = avcodec_find_encoder(AV_CODEC_ID_WMAV2))
        codecs.push_back(Probe(v2, u"Windows Media Audio V2", WAVE_FORMAT_WMAUDIO2));
    if (const AVCodec* v1 = avcodec_find_encoder(AV_CODEC_ID_WMAV1))
        codecs.push_back(Probe(v1, u"Windows Media Audio V1", WAVE_FORMAT_WMAUDIO1));
    return codecs;
}

} // namespace

const std::vector<WmaCodec>& InstalledWmaCodecs() {
    // Never destroyed: a conversion given up at exit may still read it.
    static const auto* codecs = new std::vector<WmaCodec>(ProbeAll());
    return *codecs;
}

WAVEFORMATEX WaveFormatOf(const WmaCodec& codec, const WmaOutputFormat& format) {
    return WAVEFORMATEX{codec.formatTag,
                        format.channels,
                        format.samplesPerSec,
                        format.bitsPerSecond / 8,
                        format.blockAlign,
                        16,
                        0};
}

WmaFormatMatch FindWmaFormat(const WAVEFORMATEX& wf) {
    for (const WmaCodec& codec : InstalledWmaCodecs()) {
        if (codec.formatTag != wf.wFormatTag)
            continue;
        for (const WmaOutputFormat& format : codec.formats)
            if (format.samplesPerSec == wf.nSamplesPerSec && format.channels == wf.nChannels &&
                format.bitsPerSecond / 8 == wf.nAvgBytesPerSec)
                return {&codec, &format};
    }
    return {};
}
