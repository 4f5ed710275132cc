#pragma once
// The encoders and the assembly of libvocalith_audiobook.so, as the command
// line reaches them. The module is loaded on first use: FFmpeg's encoders and
// muxers map some 130 libraries, which every run that writes no audiobook,
// and every piece's process until it encodes, would otherwise pay for at
// start-up. EncodePiece, AssembleAudiobook and DamageOfPiece (PieceEncoder.h,
// Assembler.h)
// are the module's own inside it, and go through it in the program.

#include "src/audiobook/Assembler.h"
#include "src/audiobook/PieceEncoder.h"

struct AudiobookCodecs {
    std::string (*encodePiece)(const std::string& wavPath, const EncodingSettings& settings,
                               const std::string& piecePath);
    AssemblyResult (*assembleAudiobook)(const std::vector<AudiobookChapter>& chapters,
                                        const AudiobookTags& tags, const EncodingSettings& settings,
                                        const std::string& path);
    std::string (*damageOfPiece)(const std::string& path, AudiobookFormat format);
};

inline constexpr const char* kAudiobookModule = "libvocalith_audiobook.so";
// extern "C" const AudiobookCodecs* VocalithAudiobookCodecs(): the module's
// one export.
inline constexpr const char* kAudiobookCodecsEntry = "VocalithAudiobookCodecs";
