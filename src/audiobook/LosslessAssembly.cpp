// FLAC and WAV: the pieces decoded and written as one stream; lossless, so
// nothing is lost by encoding again.

#include "src/audiobook/BookLayout.h"
#include "src/audiobook/FrameEncoder.h"

std::string DecodePiece(const std::string& path, const PieceSamples& take) {
    std::string error;
    AvInputPtr input = OpenAvInput(path, error);
    if (!input)
        return error;
    const AVCodecParameters* parameters = input->streams[0]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(parameters->codec_id);
    AvCodecPtr codec(decoder ? avcodec_alloc_context3(decoder) : nullptr);
    if (!codec || avcodec_parameters_to_context(codec.get(), parameters) < 0 ||
        avcodec_open2(codec.get(), decoder, nullptr) < 0)
        return "the piece " + path + " is damaged: FFmpeg cannot decode it";
    AvPacketPtr packet(av_packet_alloc());
    AvFramePtr frame(av_frame_alloc());
    const auto damaged = [&path](int code) {
        return "the piece " + path + " is damaged: " + AvError(code);
    };
    bool ended = false;
    while (!ended) {
        int code = av_read_frame(input.get(), packet.get());
        ended = code == AVERROR_EOF;
        if (code < 0 && !ended)
            return damaged(code);
        code = avcodec_send_packet(codec.get(), ended ? nullptr : packet.get());
        av_packet_unref(packet.get());
        if (code < 0)
            return damaged(code);
        while ((code = avcodec_receive_frame(codec.get(), frame.get())) >= 0) {
            if (frame->format != AV_SAMPLE_FMT_S16)
                return "the piece " + path + " is damaged: it is not 16-bit audio";
            error = take(reinterpret_cast<const std::int16_t*>(frame->data[0]), frame->nb_samples);
            av_frame_unref(frame.get());
            if (!error.empty())
                return error;
        }
        if (code != AVERROR(EAGAIN) && code != AVERROR_EOF)
            return damaged(code);
    }
    return {};
}

std::string WriteLossless(const std::vector<AudiobookChapter>& chapters, const AudiobookTags& tags,
                          const CoverImage& cover, const BookLayout& layout, AudiobookFormat format,
                          const std::string& path, std::vector<std::string>& warnings) {
    const bool flac = format == AudiobookFormat::Flac;
    std::string error;
    AvOutput output;
    if (error = output.Open(path, flac ? "flac" : "wav"); !error.empty())
        return error;
    FrameEncoder encoder;
    if (error = encoder.Open(output, flac ? "flac" : "pcm_s16le", layout.rate, layout.channels,
                             layout.rate, 0);
        !error.empty())
        return error;
    AVFormatContext* context = output.Context();
    SetBookTags(&context->metadata, tags);
    AVStream* picture = nullptr;
    AVDictionary* options = nullptr;
    if (flac) {
        SetChapterComments(&context->metadata, chapters, layout);
        if (chapters.size() > kChapterComments)
            warnings.push_back("more than 999 chapters: the FLAC comments mark the first 999");
        if (cover.codec != AV_CODEC_ID_NONE) {
            picture = output.AddStream();
            if (!picture)
                return AvError(AVERROR(ENOMEM));
            picture->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
            picture->codecpar->codec_id = cover.codec;
            picture->codecpar->width = cover.width;
            picture->codecpar->height = cover.height;
            picture->disposition = AV_DISPOSITION_ATTACHED_PIC;
            av_dict_set(&picture->metadata, "comment", "Cover (front)", 0);
        }
    } else {
        av_dict_set(&options, "rf64", "auto", 0); // RF64 past 4 GiB, plain RIFF below
    }
    error = output.WriteHeader(&options);
    av_dict_free(&options);
    if (error.empty() && picture) {
        AvPacketPtr packet(av_packet_alloc());
        if (!packet || av_new_packet(packet.get(), static_cast<int>(tags.coverBytes.size())) < 0)
            return AvError(AVERROR(ENOMEM));
        std::copy(tags.coverBytes.begin(), tags.coverBytes.end(), packet->data);
        packet->stream_index = picture->index;
        packet->pts = packet->dts = 0;
        error = output.Write(packet.get());
    }
    for (std::size_t c = 0; error.empty() && c < chapters.size(); ++c)
        for (std::size_t p = 0; error.empty() && p < chapters[c].piecePaths.size(); ++p)
            error = DecodePiece(chapters[c].piecePaths[p],
                                [&encoder](const std::int16_t* samples, int frames) {
                                    return encoder.Push(samples, frames);
                                });
    if (error.empty())
        error = encoder.Finish();
    return error.empty() ? output.Finish() : error;
}
