// A piece's packets read as the assembly reads them: its length and where
// its WAV's audio starts in it.

#include "src/audiobook/AvSupport.h"
#include "src/audiobook/BookLayout.h"
#include "src/audiobook/PieceCodecs.h"

#include <cstdlib>

namespace {

bool Lossless(AudiobookFormat format) {
    return format == AudiobookFormat::Flac || format == AudiobookFormat::Wav;
}

AVCodecID PieceCodec(AudiobookFormat format) {
    switch (format) {
    case AudiobookFormat::M4b:
        return AV_CODEC_ID_AAC;
    case AudiobookFormat::Mp3:
        return AV_CODEC_ID_MP3;
    case AudiobookFormat::Opus:
        return AV_CODEC_ID_OPUS;
    case AudiobookFormat::Flac:
        return AV_CODEC_ID_FLAC;
    case AudiobookFormat::Wav:
        return AV_CODEC_ID_PCM_S16LE;
    }
    return AV_CODEC_ID_NONE;
}

// Where a piece's WAV would start in its decoded audio were nothing cut: the
// encoder's priming (and the decoder's lag).
std::int64_t Priming(AudiobookFormat format, const AVCodecParameters& parameters) {
    switch (format) {
    case AudiobookFormat::M4b:
        return kAacPriming;
    case AudiobookFormat::Mp3:
        return kMp3HeardDelay;
    case AudiobookFormat::Opus:
        return parameters.initial_padding;
    case AudiobookFormat::Flac:
    case AudiobookFormat::Wav:
        break;
    }
    return 0;
}

// The samples a piece's decoded audio holds before its WAV's first sample:
// the encoder's priming, less what was cut of the WAV's leading silence.
std::int64_t HeardDelay(AudiobookFormat format, const AVFormatContext& input) {
    const AVDictionaryEntry* skipped = av_dict_get(input.metadata, kSkipKey, nullptr, 0);
    if (!skipped)
        skipped = av_dict_get(input.streams[0]->metadata, kSkipKey, nullptr, 0);
    const std::int64_t skip = skipped ? std::strtoll(skipped->value, nullptr, 10) : 0;
    return Priming(format, *input.streams[0]->codecpar) - skip;
}

} // namespace

// A piece left from other settings (another format, voice or rate) cannot
// join the book's stream.
std::string MeasurePiece(const std::string& path, AudiobookFormat format, BookLayout& layout,
                         std::int64_t& samples, std::int64_t& delay, bool readPackets) {
    std::string error;
    AvInputPtr input = OpenAvInput(path, error);
    if (!input)
        return error;
    const AVStream& stream = *input->streams[0];
    const AVCodecParameters& parameters = *stream.codecpar;
    if (parameters.codec_id != PieceCodec(format))
        return "the piece " + path + " is not encoded for a " + (ExtensionOf(format) + 1) + " file";
    if (layout.rate == 0) {
        layout.rate = parameters.sample_rate;
        layout.channels = parameters.ch_layout.nb_channels;
        if (format == AudiobookFormat::Opus)
            layout.lead = parameters.initial_padding;
    }
    if (parameters.sample_rate != layout.rate ||
        parameters.ch_layout.nb_channels != layout.channels)
        return "the piece " + path +
               " differs from the book's first piece in its sample rate or channels";
    const int rate = layout.rate;
    delay = HeardDelay(format, *input);
    // A length guessed from the file's size (a WAV cut short) is not taken.
    if (Lossless(format) && !readPackets && stream.duration != AV_NOPTS_VALUE &&
        input->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
        samples = av_rescale_q(stream.duration, stream.time_base, AVRational{1, rate});
        return {};
    }
    AvPacketPtr packet(av_packet_alloc());
    samples = 0;
    int code;
    while ((code = av_read_frame(input.get(), packet.get())) >= 0) {
        samples += PacketSamples(*packet, stream, rate);
        av_packet_unref(packet.get());
    }
    if (code != AVERROR_EOF)
        return "the piece " + path + " is damaged: " + AvError(code);
    if (samples == 0)
        return "the piece " + path + " is damaged: it holds no audio";
    return {};
}

std::int64_t PacketSamples(const AVPacket& packet, const AVStream& stream, int rate) {
    if (packet.duration > 0)
        return av_rescale_q(packet.duration, stream.time_base, AVRational{1, rate});
    return stream.codecpar->frame_size;
}
