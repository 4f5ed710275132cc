#include "src/audiobook/BookLayout.h"

#include "src/audiobook/AvSupport.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

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

// The samples a piece's decoded audio holds before its WAV's first sample:
// the encoder's priming (and, for MP3, the 529 samples by which a layer III
// decoder's filter banks lag what they are given, after LAME's 576).
std::int64_t HeardDelay(AudiobookFormat format, const AVCodecParameters& parameters) {
    switch (format) {
    case AudiobookFormat::M4b:
        return 1024;
    case AudiobookFormat::Mp3:
        return 576 + 529;
    case AudiobookFormat::Opus:
        return parameters.initial_padding;
    case AudiobookFormat::Flac:
    case AudiobookFormat::Wav:
        break;
    }
    return 0;
}

// A piece left from other settings (another format, voice or rate) cannot
// join the book's stream.
std::string MeasurePiece(const std::string& path, AudiobookFormat format, BookLayout& layout,
                         std::int64_t& samples, std::int64_t& delay, bool readPackets = false) {
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
    delay = HeardDelay(format, parameters);
    if (Lossless(format) && !readPackets && stream.duration != AV_NOPTS_VALUE) {
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

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

std::string DamageOfPiece(const std::string& path, AudiobookFormat format) {
    // A file the system cannot open (no access, too many open files) is not damaged.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    ::close(fd);
    BookLayout layout;
    std::int64_t samples = 0, delay = 0;
    return MeasurePiece(path, format, layout, samples, delay, true);
}

std::int64_t PacketSamples(const AVPacket& packet, const AVStream& stream, int rate) {
    if (packet.duration > 0)
        return av_rescale_q(packet.duration, stream.time_base, AVRational{1, rate});
    return stream.codecpar->frame_size;
}

std::string MeasureBook(const std::vector<AudiobookChapter>& chapters, AudiobookFormat format,
                        BookLayout& layout) {
    layout = {};
    for (const AudiobookChapter& chapter : chapters) {
        layout.chapterStarts.push_back(std::max<std::int64_t>(layout.samples - layout.lead, 0));
        if (chapter.piecePaths.empty())
            return "the chapter \"" + chapter.title + "\" has no audio";
        for (const std::string& path : chapter.piecePaths) {
            std::int64_t samples = 0, delay = 0;
            if (std::string error = MeasurePiece(path, format, layout, samples, delay);
                !error.empty())
                return error;
            layout.pieceStarts.push_back(layout.samples + delay - layout.lead);
            layout.samples += samples;
        }
    }
    layout.samples -= layout.lead;
    return {};
}

void SetBookTags(AVDictionary** metadata, const AudiobookTags& tags) {
    const std::string& title = tags.trackTitle.empty() ? tags.title : tags.trackTitle;
    if (!title.empty())
        av_dict_set(metadata, "title", title.c_str(), 0);
    if (!tags.title.empty())
        av_dict_set(metadata, "album", tags.title.c_str(), 0);
    if (!tags.authors.empty())
        av_dict_set(metadata, "artist", Joined(tags.authors).c_str(), 0);
    if (tags.track > 0) {
        const std::string track =
            std::to_string(tags.track) +
            (tags.trackCount > 0 ? "/" + std::to_string(tags.trackCount) : "");
        av_dict_set(metadata, "track", track.c_str(), 0);
    }
}

void SetChapterComments(AVDictionary** metadata, const std::vector<AudiobookChapter>& chapters,
                        const BookLayout& layout) {
    for (std::size_t i = 0; i < chapters.size() && i < kChapterComments; ++i) {
        const std::int64_t ms = layout.chapterStarts[i] * 1000 / layout.rate;
        char key[32], time[32];
        std::snprintf(key, sizeof key, "CHAPTER%03zu", i + 1);
        std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld.%03lld",
                      static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                      static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
        av_dict_set(metadata, key, time, 0);
        av_dict_set(metadata, (std::string(key) + "NAME").c_str(), chapters[i].title.c_str(), 0);
    }
}

void SetChapters(AVFormatContext* context, const std::vector<AudiobookChapter>& chapters,
                 const BookLayout& layout) {
    const std::size_t count = chapters.size();
    context->chapters = static_cast<AVChapter**>(av_calloc(count, sizeof(AVChapter*)));
    if (!context->chapters)
        return;
    for (std::size_t i = 0; i < count; ++i) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!chapter)
            return;
        chapter->id = static_cast<std::int64_t>(i + 1);
        chapter->time_base = AVRational{1, layout.rate};
        chapter->start = layout.chapterStarts[i];
        chapter->end = i + 1 < chapters.size() ? layout.chapterStarts[i + 1] : layout.samples;
        av_dict_set(&chapter->metadata, "title", chapters[i].title.c_str(), 0);
        context->chapters[context->nb_chapters++] = chapter;
    }
}
