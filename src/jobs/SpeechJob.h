#pragma once
// The one job record of the frame: what a Speak or Write command asked for,
// filled by StartJob before the worker runs and only read while it runs.

#include "platform/com/types.h"

#include <cstdint>
#include <string>

// As the output file dialog returns it. Speaking is not an output kind but the
// job's speak flag.
enum class OutputKind : std::int32_t { Wav = 0, Mp3 = 1, Wma = 2 };

struct SpeechJob {
    // The voice within its engine generation's list.
    std::int32_t voiceIndex = 0;
    // Already carries the prosody markup of the job's engine generation.
    std::u16string text;
    std::u16string outputPath;
    // SAPI 5 stream-format value (4..39); SAPI 4 jobs leave it as it was.
    std::int32_t streamFormat = 22;
    BOOL speak = FALSE;
    OutputKind outputKind = OutputKind::Wav;
    std::int32_t mp3Kbps = 0, mp3Quality = 0;
    BOOL mp3Vbr = FALSE;
    std::int32_t wmaCodecIndex = 0, wmaFormatIndex = 0;
};
