#pragma once
// The output file of a Write job and how it is encoded: what the output file
// dialog returns on OK and the job carries to its conversion. Only the fields
// of the chosen kind mean anything; the others keep their defaults.

#include <cstdint>
#include <string>

// Speaking is not an output kind but the job's speak flag.
enum class OutputKind : std::int32_t { Wav = 0, Mp3 = 1, Wma = 2 };

struct OutputFileChoice {
    std::u16string outputPath;
    OutputKind outputKind = OutputKind::Wav;
    // Mp3: kbit/s, quality 0 (highest) to 9 (lowest), variable bit rate.
    std::int32_t mp3Kbps = 0, mp3Quality = 0;
    bool mp3Vbr = false;
    // Wma: positions in the codec catalogue and in that codec's formats.
    std::int32_t wmaCodecIndex = 0, wmaFormatIndex = 0;

    bool operator==(const OutputFileChoice&) const = default;
};
