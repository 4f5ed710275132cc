#pragma once
// The encoders of the pieces, one per codec family, over a piece's audio
// already opened and scanned (the caller writes to a temporary name).

#include "src/audiobook/AudiobookFormat.h"
#include "src/audiobook/PieceAudio.h"

#include <cstdint>
#include <string>

// AAC in MP4, Opus in Ogg, FLAC, WAV: through FFmpeg's encoders and muxers.
std::string EncodeAvPiece(PieceAudio& audio, std::int64_t frames, std::int64_t soundEnd,
                          const EncodingSettings& settings, const std::string& path);
// Bare MP3 frames through liblame_enc.so: no ID3 tag, no Xing/LAME frame.
std::string EncodeMp3Piece(PieceAudio& audio, std::int64_t frames, std::int64_t soundEnd, int kbps,
                           const std::string& path);

struct AVDictionary;

// FFmpeg's AAC encoder with the coder the audiobook uses.
void SetAacCoder(AVDictionary** options);
