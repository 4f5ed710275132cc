#pragma once
// An encoder library with the BladeEnc entry points, for tests: it records the
// calls it is given and either answers them itself or passes them on to the
// real liblame_enc.so; either way it can make a chosen call fail, slow the
// encoding down or hold it at a chunk. Built as several shared libraries (one
// lacks beWriteInfoTag, one beWriteVBRHeader) that Mp3Encoder loads by path;
// tests link the full one to steer it. Its state is never destroyed: a worker
// given up at exit may still be encoding.

#include "platform/lame_enc/BladeMP3EncDLL.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace FakeLame {

struct Record {
    std::vector<std::string> calls;  // entry point names, in order
    BE_CONFIG config{};              // as beInitStream got it
    std::vector<DWORD> sampleCounts; // per beEncodeChunk
    std::vector<short> samples;      // all samples, in order (not when real)
};

inline constexpr int kEveryCall = -1;

struct Behaviour {
    // Every call goes on to the real library, which gives the answers and the
    // output; the failure and the pace below still apply.
    bool real = false;
    // What the fake answers when not `real`.
    DWORD samplesPerCall = 0;      // 0: 1152 per channel, as for MPEG-1
    bool noSamplesPerCall = false; // reports 0 samples per call
    DWORD bufferSize = 8000;
    std::string encodeOutput = "frame|"; // bytes each encode call gives
    std::string flushOutput = "tail";    // bytes the final flush gives
    // The `failIndex`-th call (from 0) of the entry point `failCall` fails,
    // or every call of it; none when empty.
    std::string failCall;
    int failIndex = kEveryCall;
    // Every encode call takes at least this long.
    unsigned paceMs = 0;
};

#define FAKE_LAME_API __attribute__((visibility("default")))

// Forgets what was recorded and sets the behaviour of the next calls.
FAKE_LAME_API void Reset(const Behaviour& behaviour = {});
// Read once the calls are done; Count may be asked while they go on.
FAKE_LAME_API const Record& Recorded();
FAKE_LAME_API int Count(const std::string& call);
// While held, encode calls wait inside the library.
FAKE_LAME_API void Hold(bool held);
// The thread of the last encode call (0: none yet).
FAKE_LAME_API pid_t EncoderThread();

#undef FAKE_LAME_API

} // namespace FakeLame
