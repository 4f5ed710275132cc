#pragma once
// The conversion pass: the intermediate WAV file of a Write job becomes the
// MP3 or WMA output file. Each gives back the message of its failure, for the
// worker to show; neither deletes a file, that is the worker's part.

#include "src/resources/UserMessage.h"

#include <atomic>
#include <string>

// What a conversion and the worker running it tell each other.
struct ConversionControl {
    // Set from another thread when the worker is given up: the conversion
    // ends at its next chunk, with a message that shows no box.
    const std::atomic<bool>* abandon = nullptr;
    // Set by the conversion once it has created or opened the output file:
    // only then may a failure remove it.
    bool outputTouched = false;
};

Result<> convertWavToMp3(const std::u16string& wavPath, const std::u16string& mp3Path,
                         int bitrateKbps, int quality, bool vbr,
                         ConversionControl* control = nullptr);
Result<> convertWavToWma(const std::u16string& wavPath, const std::u16string& wmaPath,
                         int codecIndex, int formatIndex, ConversionControl* control = nullptr);
