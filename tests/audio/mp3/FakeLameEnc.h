#pragma once
// A fake encoder library with the BladeEnc entry points: it records what it
// is given and answers as told. Built as several shared libraries (one lacks
// beWriteInfoTag, one beWriteVBRHeader) that Mp3Encoder loads by path; tests
// link the full one to steer it.

#include "platform/lame_enc/BladeMP3EncDLL.h"

#include <string>
#include <vector>

namespace FakeLame {

struct Record {
    std::vector<std::string> calls;  // entry point names, in order
    BE_CONFIG config{};              // as beInitStream got it
    std::vector<DWORD> sampleCounts; // per beEncodeChunk
    std::vector<short> samples;      // all samples, in order
};

struct Behaviour {
    DWORD samplesPerCall = 0;      // 0: 1152 per channel, as for MPEG-1
    bool noSamplesPerCall = false; // reports 0 samples per call
    DWORD bufferSize = 8000;
    bool failInit = false;
    bool failEncode = false;
    bool failDeinit = false;
    std::string encodeOutput = "frame|"; // bytes each encode call gives
    std::string flushOutput = "tail";    // bytes the final flush gives
};

// Forgets what was recorded and sets the behaviour of the next calls.
__attribute__((visibility("default"))) void Reset(const Behaviour& behaviour = {});
__attribute__((visibility("default"))) const Record& Recorded();

} // namespace FakeLame
