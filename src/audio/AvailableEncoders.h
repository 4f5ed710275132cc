#pragma once
// What the output file dialog may offer, taken from the frame's encoder and
// catalogue at start-up: MP3 when the encoder library loaded, WMA when the
// codec catalogue was enumerated, with its codecs in catalogue order (the
// dialog's codec and format positions are positions in this list).

#include "src/audio/WmaCodecEntry.h"

#include <vector>

class Mp3Encoder;
class WmaCodecCatalogue;

struct AvailableEncoders {
    bool mp3 = false;
    bool wma = false;
    std::vector<WmaCodecEntry> wmaCodecs; // empty unless wma

    static AvailableEncoders Of(const Mp3Encoder& mp3, const WmaCodecCatalogue& wma);
};
