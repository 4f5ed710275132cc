#pragma once
// The encoders of the pieces, one per codec family, over a piece's audio
// already opened and scanned (the caller writes to a temporary name).

#include "src/audiobook/AudiobookFormat.h"
#include "src/audiobook/PieceAudio.h"

#include <cstdint>
#include <string>

// AAC in MP4, Opus in Ogg, FLAC, WAV: through FFmpeg's encoders and muxers.
std::string EncodeAvPiece(PieceAudio& audio, const PieceSound& sound,
                          const EncodingSettings& settings, const std::string& path);
// MP3 frames through liblame_enc.so after LAME's info frame, and an ID3v2
// tag in front when the piece's leading silence was cut.
std::string EncodeMp3Piece(PieceAudio& audio, const PieceSound& sound, int kbps,
                           const std::string& path);

// Where an MP3 piece's first sample is heard: after LAME's 576 samples of
// delay and the 529 by which a layer III decoder's filter banks lag.
inline constexpr int kMp3HeardDelay = 576 + 529;
// FFmpeg's AAC encoder primes every stream with one frame.
inline constexpr int kAacPriming = 1024;

struct AVDictionary;

// FFmpeg's AAC encoder with the coder the audiobook uses.
void SetAacCoder(AVDictionary** options);
