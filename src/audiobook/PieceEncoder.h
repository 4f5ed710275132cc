#pragma once
// One synthesised piece of a book (a WAV file) encoded into the form the book
// is assembled from without encoding twice: AAC packets in MP4, MP3 frames,
// Opus packets in Ogg, and FLAC or WAV for the lossless formats. A piece
// decodes to whole codec frames, its encoder's priming and padding included,
// as near its WAV's length as whole frames come: what the encoder adds is
// taken from the piece's trailing silence (then its leading silence), so
// that pieces played one after another are spaced as their WAVs, within half
// a frame. Voices below 16 kHz are encoded at twice their rate (AAC, MP3),
// where the encoders' priming and frames take half as long. Lossless pieces
// keep all their samples: they are decoded again to assemble. The settings'
// pause is silence added after the sound where the WAV holds less of it.

#include "src/audiobook/AudiobookFormat.h"

#include <string>

// Writes `piecePath` (complete, or not at all); empty on success, else why
// not ("cannot write ...: No space left on device").
std::string EncodePiece(const std::string& wavPath, const EncodingSettings& settings,
                        const std::string& piecePath);
