#include "src/audiobook/AvSupport.h"

std::string AvError(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::string AvFileUrl(const std::string& path) {
    return "file:" + path;
}

AvInputPtr OpenAvInput(const std::string& path, std::string& error) {
    AVFormatContext* context = nullptr;
    if (int code = avformat_open_input(&context, AvFileUrl(path).c_str(), nullptr, nullptr);
        code < 0) {
        error = "cannot read the piece " + path + ": " + AvError(code);
        return nullptr;
    }
    AvInputPtr input(context);
    if (int code = avformat_find_stream_info(context, nullptr); code < 0) {
        error = "the piece " + path + " is damaged: " + AvError(code);
        return nullptr;
    }
    if (context->nb_streams != 1 ||
        context->streams[0]->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) {
        error = "the piece " + path + " is damaged: it holds no single audio stream";
        return nullptr;
    }
    return input;
}

AvOutput::~AvOutput() {
    if (!m_context)
        return;
    if (m_context->pb)
        avio_closep(&m_context->pb);
    avformat_free_context(m_context);
}

std::string AvOutput::Failed(int code) const {
    return "cannot write " + m_path + ": " + AvError(code);
}

std::string AvOutput::Open(const std::string& path, const char* muxer) {
    m_path = path;
    const std::string url = AvFileUrl(path);
    if (int code = avformat_alloc_output_context2(&m_context, nullptr, muxer, url.c_str());
        code < 0)
        return Failed(code);
    if (int code = avio_open(&m_context->pb, url.c_str(), AVIO_FLAG_WRITE); code < 0)
        return Failed(code);
    // Pieces and books are the same bytes from one run to the next.
    m_context->flags |= AVFMT_FLAG_BITEXACT;
    return {};
}

AVStream* AvOutput::AddStream() {
    return avformat_new_stream(m_context, nullptr);
}

std::string AvOutput::WriteHeader(AVDictionary** options) {
    if (int code = avformat_write_header(m_context, options); code < 0)
        return Failed(code);
    // An option the muxer left unread would be a promise (RF64, no Nero
    // list) silently not kept.
    if (options && av_dict_count(*options) > 0)
        return "cannot write " + m_path + ": the " + m_context->oformat->name +
               " muxer does not take the option " +
               av_dict_get(*options, "", nullptr, AV_DICT_IGNORE_SUFFIX)->key;
    return {};
}

std::string AvOutput::Write(AVPacket* packet) {
    if (int code = av_interleaved_write_frame(m_context, packet); code < 0)
        return Failed(code);
    if (m_context->pb->error < 0)
        return Failed(m_context->pb->error);
    return {};
}

std::string AvOutput::Finish() {
    if (int code = av_write_trailer(m_context); code < 0)
        return Failed(code);
    avio_flush(m_context->pb);
    if (m_context->pb->error < 0)
        return Failed(m_context->pb->error);
    if (int code = avio_closep(&m_context->pb); code < 0)
        return Failed(code);
    return {};
}
