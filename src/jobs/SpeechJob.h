#pragma once
// The job record: what a Speak or Write command asked for, filled by StartJob
// before the worker runs; the worker adds the text before it speaks.

#include "platform/com/types.h"
#include "src/jobs/OutputFileChoice.h"

#include <cstdint>
#include <string>

// The output choice is embedded as a base, so that the job's fields keep
// their names (job.outputPath, job.outputKind, ...) and are declared once.
struct SpeechJob : OutputFileChoice {
    // The voice within its engine generation's list.
    std::int32_t voiceIndex = 0;
    // With the prosody markup of the job's engine generation.
    std::u16string text;
    // SAPI 5 stream-format value (4..39); SAPI 4 jobs leave it as it was.
    std::int32_t streamFormat = 22;
    BOOL speak = FALSE;
};
