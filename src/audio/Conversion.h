#pragma once
// The conversion pass: the intermediate WAV file of a Write job becomes the
// MP3 or WMA output file. Each gives 1 for success and 0 for failure (having
// shown its own message); neither deletes a file, that is the worker's part.

#include <string>

int convertWavToMp3(const std::u16string& wavPath, const std::u16string& mp3Path, int bitrateKbps,
                    int quality, bool vbr);
int convertWavToWma(const std::u16string& wavPath, const std::u16string& wmaPath, int codecIndex,
                    int formatIndex);
