#pragma once
// The book's cover, checked by decoding it with FFmpeg's image decoders
// before anything is written, and the forms the containers take it in.

#include <string>

extern "C" {
#include <libavcodec/codec_id.h>
}

struct CoverImage {
    AVCodecID codec = AV_CODEC_ID_NONE; // MJPEG or PNG
    int width = 0, height = 0;
    int bitsPerPixel = 0;
};

// Empty when the cover decodes, else why not, naming it.
std::string CheckCover(const std::string& bytes, const std::string& mediaType, CoverImage& cover);

// A FLAC picture block (front cover) in base64: the value of an Ogg
// METADATA_BLOCK_PICTURE comment.
std::string FlacPictureComment(const std::string& bytes, const CoverImage& cover);
