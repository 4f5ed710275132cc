// M4B and Ogg Opus: the pieces' packets copied into one stream, their
// timestamps rewritten to run on from piece to piece.

#include "src/audiobook/AvSupport.h"
#include "src/audiobook/BookLayout.h"

namespace {

// Chapters a Nero chapter list can hold.
constexpr std::size_t kNeroChapters = 255;

// The stream the pieces are copied into, with the first piece's parameters.
std::string AddAudioStream(AvOutput& output, const std::string& firstPiece,
                           const BookLayout& layout, AVStream*& stream) {
    std::string error;
    AvInputPtr input = OpenAvInput(firstPiece, error);
    if (!input)
        return error;
    stream = output.AddStream();
    if (!stream)
        return AvError(AVERROR(ENOMEM));
    if (int code = avcodec_parameters_copy(stream->codecpar, input->streams[0]->codecpar); code < 0)
        return AvError(code);
    stream->codecpar->codec_tag = 0;
    stream->time_base = AVRational{1, layout.rate};
    return {};
}

std::string AddCover(AvOutput& output, const CoverImage& cover, AVStream*& stream) {
    stream = output.AddStream();
    if (!stream)
        return AvError(AVERROR(ENOMEM));
    stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    stream->codecpar->codec_id = cover.codec;
    stream->codecpar->width = cover.width;
    stream->codecpar->height = cover.height;
    stream->disposition = AV_DISPOSITION_ATTACHED_PIC;
    return {};
}

std::string WriteCover(AvOutput& output, const std::string& bytes, AVStream* stream) {
    AvPacketPtr packet(av_packet_alloc());
    if (!packet || av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0)
        return AvError(AVERROR(ENOMEM));
    std::copy(bytes.begin(), bytes.end(), packet->data);
    packet->stream_index = stream->index;
    packet->pts = packet->dts = 0;
    packet->flags |= AV_PKT_FLAG_KEY;
    return output.Write(packet.get());
}

std::string CopyPackets(AvOutput& output, AVStream* stream,
                        const std::vector<AudiobookChapter>& chapters, const BookLayout& layout) {
    AvPacketPtr packet(av_packet_alloc());
    // Packets before the lead are heard only in part: the first starts there.
    std::int64_t position = -layout.lead;
    for (const AudiobookChapter& chapter : chapters) {
        for (const std::string& path : chapter.piecePaths) {
            std::string error;
            AvInputPtr input = OpenAvInput(path, error);
            if (!input)
                return error;
            int code;
            while ((code = av_read_frame(input.get(), packet.get())) >= 0) {
                const std::int64_t samples =
                    PacketSamples(*packet, *input->streams[0], layout.rate);
                av_packet_free_side_data(packet.get());
                packet->stream_index = stream->index;
                const AVRational samplesBase{1, layout.rate};
                packet->pts = packet->dts = av_rescale_q(position, samplesBase, stream->time_base);
                packet->duration = av_rescale_q(samples, samplesBase, stream->time_base);
                position += samples;
                if (error = output.Write(packet.get()); !error.empty())
                    return error;
            }
            if (code != AVERROR_EOF)
                return "the piece " + path + " is damaged: " + AvError(code);
        }
    }
    return {};
}

} // namespace

std::string WriteM4b(const std::vector<AudiobookChapter>& chapters, const AudiobookTags& tags,
                     const CoverImage& cover, const BookLayout& layout, const std::string& path,
                     std::vector<std::string>& warnings) {
    AvOutput output;
    AVStream* audio = nullptr;
    AVStream* picture = nullptr;
    std::string error = output.Open(path, "ipod");
    if (error.empty())
        error = AddAudioStream(output, chapters.front().piecePaths.front(), layout, audio);
    if (error.empty() && cover.codec != AV_CODEC_ID_NONE)
        error = AddCover(output, cover, picture);
    if (!error.empty())
        return error;
    // The copied packets start with the first piece's priming, played as
    // the silence it is: no edit list, so the file's length is its packets'.
    audio->codecpar->initial_padding = 0;
    AVFormatContext* context = output.Context();
    SetBookTags(&context->metadata, tags);
    av_dict_set(&context->metadata, "media_type", "2", 0); // iTunes' "audiobook" (stik)
    // movenc writes the chapters it is given as a QuickTime chapter track and
    // as a Nero list, which it would silently cut at 255 entries.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "movflags", "+faststart", 0);
    if (chapters.size() > kNeroChapters) {
        av_dict_set(&options, "movflags", "+faststart+disable_chpl", 0);
        warnings.push_back("more than 255 chapters: the chapters are in the QuickTime chapter "
                           "track only, not in a Nero chapter list");
    }
    SetChapters(context, chapters, layout);
    error = output.WriteHeader(&options);
    av_dict_free(&options);
    if (error.empty() && picture)
        error = WriteCover(output, tags.coverBytes, picture);
    if (error.empty())
        error = CopyPackets(output, audio, chapters, layout);
    return error.empty() ? output.Finish() : error;
}

std::string WriteOpus(const std::vector<AudiobookChapter>& chapters, const AudiobookTags& tags,
                      const CoverImage& cover, const BookLayout& layout, const std::string& path,
                      std::vector<std::string>& warnings) {
    AvOutput output;
    AVStream* audio = nullptr;
    std::string error = output.Open(path, "ogg");
    if (error.empty())
        error = AddAudioStream(output, chapters.front().piecePaths.front(), layout, audio);
    if (!error.empty())
        return error;
    // The Ogg muxer writes the stream's tags as the Opus comments.
    SetBookTags(&audio->metadata, tags);
    if (!tags.language.empty())
        av_dict_set(&audio->metadata, "language", tags.language.c_str(), 0);
    if (cover.codec != AV_CODEC_ID_NONE)
        av_dict_set(&audio->metadata, "METADATA_BLOCK_PICTURE",
                    FlacPictureComment(tags.coverBytes, cover).c_str(), 0);
    SetChapterComments(&audio->metadata, chapters, layout);
    if (chapters.size() > kChapterComments)
        warnings.push_back("more than 999 chapters: the Opus comments mark the first 999");
    if (error = output.WriteHeader(); error.empty())
        error = CopyPackets(output, audio, chapters, layout);
    return error.empty() ? output.Finish() : error;
}
