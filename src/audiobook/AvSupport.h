#pragma once
// What the audiobook layer's FFmpeg code shares: error text, owners of
// FFmpeg's objects, and an output file written through a muxer.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>
#include <string>

// FFmpeg's own wording of an error code ("No space left on device").
std::string AvError(int code);

struct AvPacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct AvFrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct AvCodecFree {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct AvInputClose {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
using AvPacketPtr = std::unique_ptr<AVPacket, AvPacketFree>;
using AvFramePtr = std::unique_ptr<AVFrame, AvFrameFree>;
using AvCodecPtr = std::unique_ptr<AVCodecContext, AvCodecFree>;
using AvInputPtr = std::unique_ptr<AVFormatContext, AvInputClose>;

// A file's name as FFmpeg's I/O takes it: a name such as "Part 2:1.m4b"
// would otherwise be taken for a URL of protocol "Part 2".
std::string AvFileUrl(const std::string& path);

// Opens a file FFmpeg reads and finds its streams; empty with `error` set if
// it cannot ("the piece ...: REASON").
AvInputPtr OpenAvInput(const std::string& path, std::string& error);

// One output file through one of FFmpeg's muxers. Errors name the file.
class AvOutput {
public:
    AvOutput() = default;
    ~AvOutput(); // closes the file without finishing it
    AvOutput(const AvOutput&) = delete;
    AvOutput& operator=(const AvOutput&) = delete;

    std::string Open(const std::string& path, const char* muxer);
    AVFormatContext* Context() const { return m_context; }
    AVStream* AddStream();
    // `options` are the muxer's private options ("movflags", "rf64").
    std::string WriteHeader(AVDictionary** options = nullptr);
    // Takes the packet's data (it is left blank).
    std::string Write(AVPacket* packet);
    std::string Finish();

private:
    std::string Failed(int code) const;

    AVFormatContext* m_context = nullptr;
    std::string m_path;
};
