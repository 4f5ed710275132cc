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

std::string EncodeAvPiece(PieceAudio& audio, const PieceSound& sound,
                          const EncodingSettings& settings, const std::string& path) {
    PieceCodec codec = CodecOf(settings.format);
    // AAC's frame and priming, 1024 samples, last 128 ms at 8 kHz, more than
    // a piece's silence can make up for: such voices are encoded at twice
    // their rate.
    if (settings.format == AudiobookFormat::M4b && audio.Rate() < 16000)
        codec.rate = 2 * audio.Rate();
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
    const int in = audio.Rate(), rate = encoder.OutRate();
    // At the codec's rate; a little more than the sound at its end, for what
    // the resampler spreads past it.
    const PieceSound soundOut{AtRate(sound.frames, in, rate), sound.start * rate / in,
                              sound.end ? AtRate(sound.end, in, rate) + 32 : 0};
    // The lossless pieces are decoded again at assembly: they keep all they hold.
    const bool lossless =
        settings.format == AudiobookFormat::Flac || settings.format == AudiobookFormat::Wav;
    const PieceSpan span =
        PieceCut(soundOut, lossless ? 0 : encoder.FrameSize(), encoder.Delay(), encoder.Delay());
    const std::int64_t skip = span.skip * in / rate;
    encoder.SetLength(span.length);
    if (skip > 0) {
        // MP4 keeps a tag of its own only as one of its "mdta" keys.
        const std::string skipped = std::to_string(av_rescale(skip, rate, in));
        av_dict_set(&output.Context()->metadata, kSkipKey, skipped.c_str(), 0);
        av_dict_set(&output.Context()->streams[0]->metadata, kSkipKey, skipped.c_str(), 0);
        if (settings.format == AudiobookFormat::M4b)
            av_dict_set(&options, "movflags", "use_metadata_tags", 0);
    }
    error = output.WriteHeader(&options);
    av_dict_free(&options);
    if (error.empty())
        error = audio.Skip(skip);
    if (!error.empty())
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
