#include "src/audiobook/FrameEncoder.h"
#include "src/audiobook/PieceCodecs.h"

#include <vector>

namespace {

struct PieceCodec {
    const char* codec;
    const char* muxer;
    int rate; // 0: the voice's own
};

PieceCodec CodecOf(AudiobookFormat format) {
    switch (format) {
    case AudiobookFormat::M4b:
        return {"aac", "mp4", 0};
    case AudiobookFormat::Opus:
        return {"libopus", "ogg", 48000}; // the one rate Opus is decoded at
    case AudiobookFormat::Flac:
        return {"flac", "flac", 0};
    default:
        return {"pcm_s16le", "wav", 0};
    }
}

// Rescales a count of samples, rounding up: a sound's end must not be cut.
std::int64_t AtRate(std::int64_t samples, int from, int to) {
    return av_rescale_rnd(samples, to, from, AV_ROUND_UP);
}

} // namespace

void SetAacCoder(AVDictionary** options) {
    av_dict_set(options, "aac_coder", "fast", 0);
}

std::string EncodeAvPiece(PieceAudio& audio, std::int64_t frames, std::int64_t soundEnd,
                          const EncodingSettings& settings, const std::string& path) {
    const PieceCodec codec = CodecOf(settings.format);
    const int kbps = settings.kbps ? settings.kbps : DefaultKbps(settings.format);
    AvOutput output;
    if (std::string error = output.Open(path, codec.muxer); !error.empty())
        return error;
    AVDictionary* options = nullptr;
    if (settings.format == AudiobookFormat::M4b)
        SetAacCoder(&options);
    FrameEncoder encoder;
    std::string error = encoder.Open(output, codec.codec, audio.Rate(), audio.Channels(),
                                     codec.rate, kbps * 1000, &options);
    av_dict_free(&options);
    if (!error.empty())
        return error;
    const int rate = encoder.OutRate();
    // A little more than the sound, for what the resampler spreads past it.
    const std::int64_t soundOut = soundEnd ? AtRate(soundEnd, audio.Rate(), rate) + 32 : 0;
    // The lossless pieces are decoded again at assembly: they keep all they hold.
    const bool lossless =
        settings.format == AudiobookFormat::Flac || settings.format == AudiobookFormat::Wav;
    encoder.SetLength(PieceLength(AtRate(frames, audio.Rate(), rate), soundOut,
                                  lossless ? 0 : encoder.FrameSize(), encoder.Delay()));
    if (error = output.WriteHeader(); !error.empty())
        return error;
    std::vector<std::int16_t> samples;
    for (;;) {
        if (error = audio.Read(samples, 8192); !error.empty())
            return error;
        if (samples.empty())
            break;
        const int count = static_cast<int>(samples.size()) / audio.Channels();
        if (error = encoder.Push(samples.data(), count); !error.empty())
            return error;
    }
    if (error = encoder.Finish(); !error.empty())
        return error;
    return output.Finish();
}
