#include "src/audiobook/CoverImage.h"

#include "src/audiobook/AvSupport.h"

extern "C" {
#include <libavutil/base64.h>
#include <libavutil/pixdesc.h>
}

namespace {

// Far beyond any cover's size; and an ID3 frame, an MP4 box and a FLAC
// picture block all take it.
constexpr std::size_t kLargestCover = 16 << 20;

// The media type names the image; a cover whose type is missing or vague
// is told by its first bytes.
AVCodecID ImageCodec(const std::string& bytes, const std::string& mediaType) {
    if (mediaType == "image/jpeg" || mediaType == "image/jpg")
        return AV_CODEC_ID_MJPEG;
    if (mediaType == "image/png")
        return AV_CODEC_ID_PNG;
    if (bytes.compare(0, 3, "\xFF\xD8\xFF") == 0)
        return AV_CODEC_ID_MJPEG;
    if (bytes.compare(0, 8, "\x89PNG\r\n\x1A\n") == 0)
        return AV_CODEC_ID_PNG;
    return AV_CODEC_ID_NONE;
}

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out += static_cast<char>(value >> shift & 0xFF);
}

} // namespace

std::string CheckCover(const std::string& bytes, const std::string& mediaType, CoverImage& cover) {
    const std::string name = "the cover (" + (mediaType.empty() ? "no type" : mediaType) + ", " +
                             std::to_string(bytes.size()) + " bytes)";
    if (bytes.size() > kLargestCover)
        return name + " is larger than the 16 MiB a cover may take";
    cover.codec = ImageCodec(bytes, mediaType);
    if (cover.codec == AV_CODEC_ID_NONE)
        return name + " is neither a JPEG nor a PNG image";
    const AVCodec* decoder = avcodec_find_decoder(cover.codec);
    AvCodecPtr context(decoder ? avcodec_alloc_context3(decoder) : nullptr);
    AvPacketPtr packet(av_packet_alloc());
    AvFramePtr frame(av_frame_alloc());
    if (!context || !packet || !frame || avcodec_open2(context.get(), decoder, nullptr) < 0 ||
        av_new_packet(packet.get(), static_cast<int>(bytes.size())) < 0)
        return name + " cannot be decoded: FFmpeg has no decoder for it";
    std::copy(bytes.begin(), bytes.end(), packet->data);
    int code = avcodec_send_packet(context.get(), packet.get());
    if (code >= 0)
        code = avcodec_send_packet(context.get(), nullptr);
    if (code >= 0)
        code = avcodec_receive_frame(context.get(), frame.get());
    if (code < 0 || frame->width <= 0 || frame->height <= 0)
        return name + " does not decode: " + (code < 0 ? AvError(code) : "no picture in it");
    cover.width = frame->width;
    cover.height = frame->height;
    const AVPixFmtDescriptor* pixels =
        av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
    // The colour depth as a picture block gives it: every component's bits
    // (24 for a JPEG, whatever its chroma subsampling).
    cover.bitsPerPixel = 0;
    for (int i = 0; pixels && i < pixels->nb_components; ++i)
        cover.bitsPerPixel += pixels->comp[i].depth;
    return {};
}

std::string FlacPictureComment(const std::string& bytes, const CoverImage& cover) {
    const std::string type = cover.codec == AV_CODEC_ID_PNG ? "image/png" : "image/jpeg";
    std::string block;
    PutBigEndian(block, 3); // the front cover
    PutBigEndian(block, static_cast<std::uint32_t>(type.size()));
    block += type;
    PutBigEndian(block, 0); // no description
    PutBigEndian(block, static_cast<std::uint32_t>(cover.width));
    PutBigEndian(block, static_cast<std::uint32_t>(cover.height));
    PutBigEndian(block, static_cast<std::uint32_t>(cover.bitsPerPixel));
    PutBigEndian(block, 0); // not an indexed-colour image
    PutBigEndian(block, static_cast<std::uint32_t>(bytes.size()));
    block += bytes;
    std::string text(AV_BASE64_SIZE(block.size()), '\0');
    av_base64_encode(text.data(), static_cast<int>(text.size()),
                     reinterpret_cast<const std::uint8_t*>(block.data()),
                     static_cast<int>(block.size()));
    text.resize(text.size() - 1); // the terminating zero
    return text;
}
