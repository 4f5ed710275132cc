#pragma once
// One synthesised piece of a book (a WAV file) encoded into the form the book
// is assembled from without encoding twice: AAC packets in MP4, MP3 frames,
// Opus packets in Ogg, and FLAC or WAV for the lossless formats. A piece's
// audio is cut to whole codec frames at its trailing silence (or made up with
// silence), so that pieces played one after another leave no gap longer than
// a frame: the encoder's priming is the only gap. LAME pads any piece by 1152
// samples at least, which at its MPEG-2 rates (below 32 kHz) is two frames.
// Lossless pieces keep all their samples: they are decoded again to assemble.

#include "src/audiobook/AudiobookFormat.h"

#include <string>

// Writes `piecePath` (complete, or not at all); empty on success, else why
// not ("cannot write ...: No space left on device").
std::string EncodePiece(const std::string& wavPath, const EncodingSettings& settings,
                        const std::string& piecePath);
