#pragma once
// The WMA codecs this runtime offers and their CBR formats: those FFmpeg can
// encode, each format checked by opening the encoder with it.

#include "platform/audio/mmreg.h"

#include <string>
#include <vector>

struct WmaOutputFormat {
    DWORD bitsPerSecond;
    DWORD samplesPerSec;
    WORD channels;
    WORD blockAlign; // bytes per encoded packet, as the encoder chose it
    std::u16string description;
};

struct WmaCodec {
    std::u16string name;
    WORD formatTag; // WAVE_FORMAT_WMAUDIO2 or WAVE_FORMAT_WMAUDIO1
    std::vector<WmaOutputFormat> formats;
};

// Probed once per process, in the order V2, V1; a codec FFmpeg lacks is absent.
const std::vector<WmaCodec>& InstalledWmaCodecs();

// The stream's format block: the codec's tag, rate, channels and byte rate.
WAVEFORMATEX WaveFormatOf(const WmaCodec& codec, const WmaOutputFormat& format);

// The codec and format that a stream's format block names; nullptr for both
// when no installed format matches.
struct WmaFormatMatch {
    const WmaCodec* codec = nullptr;
    const WmaOutputFormat* format = nullptr;
};
WmaFormatMatch FindWmaFormat(const WAVEFORMATEX& format);
