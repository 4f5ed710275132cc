// libvocalith_audiobook.so: the encoders and the assembly, with FFmpeg's
// codecs and muxers and TagLib behind them, exported as one table.

#include "src/audiobook/AudiobookCodecs.h"

extern "C" __attribute__((visibility("default"))) const AudiobookCodecs* VocalithAudiobookCodecs() {
    static const AudiobookCodecs codecs{&EncodePiece, &AssembleAudiobook, &DamageOfPiece};
    return &codecs;
}
