#pragma once
// Where each sentence of a written job begins in its audio, as the engine
// told it while it spoke (the SAPI 5 voice's sentence boundaries, the SAPI 4
// engine's word positions): what subtitles are timed by.

#include <cstddef>
#include <vector>

struct SpokenSentence {
    // UTF-16 units into the text the job was given, before any markup the
    // job adds (the prosody prefix) or doubles (SAPI 4 backslashes).
    std::size_t position = 0;
    // From the first sample of the job's output file.
    double seconds = 0;
};

// In the order they were spoken.
using SpokenSentences = std::vector<SpokenSentence>;
