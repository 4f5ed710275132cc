#include "tests/fakes/FakeLameEnc.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <thread>
#include <unistd.h>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr HBE_STREAM kStream = 0x5157;

struct State {
    std::mutex mutex;
    FakeLame::Record record;
    FakeLame::Behaviour behaviour;
    bool held = false;
    std::condition_variable released;
    pid_t encoderThread = 0;
};

State& Shared() {
    static auto* state = new State;
    return *state;
}

struct Entered {
    FakeLame::Behaviour behaviour; // as it was when the call came
    bool fails = false;
};

// Notes the call; `note` records more of it under the same lock.
template <typename Note = void (*)(FakeLame::Record&)>
Entered Enter(
    const char* call, Note note = [](FakeLame::Record&) {}) {
    State& s = Shared();
    std::lock_guard lock(s.mutex);
    const auto before = std::count(s.record.calls.begin(), s.record.calls.end(), call);
    s.record.calls.push_back(call);
    note(s.record);
    const FakeLame::Behaviour& b = s.behaviour;
    return {b,
            b.failCall == call && (b.failIndex == FakeLame::kEveryCall || before == b.failIndex)};
}

template <typename F> F Real(const char* name) {
    static void* library = ::dlopen(REAL_LAME_ENC, RTLD_NOW | RTLD_LOCAL);
    return reinterpret_cast<F>(::dlsym(library, name));
}

DWORD Give(const std::string& bytes, DWORD bufferSize, BYTE* output) {
    // Touch the whole buffer the caller says it has, so that the sanitizers
    // catch one smaller than asked for.
    std::memset(output, 0xEE, bufferSize);
    std::memcpy(output, bytes.data(), bytes.size());
    return static_cast<DWORD>(bytes.size());
}

} // namespace

namespace FakeLame {
void Reset(const Behaviour& behaviour) {
    std::lock_guard lock(Shared().mutex);
    Shared().record = Record{};
    Shared().behaviour = behaviour;
}
const Record& Recorded() {
    return Shared().record;
}
int Count(const std::string& call) {
    std::lock_guard lock(Shared().mutex);
    const auto& calls = Shared().record.calls;
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}
void Hold(bool held) {
    std::lock_guard lock(Shared().mutex);
    Shared().held = held;
    Shared().released.notify_all();
}
pid_t EncoderThread() {
    std::lock_guard lock(Shared().mutex);
    return Shared().encoderThread;
}
} // namespace FakeLame

FAKE_EXPORT BE_ERR beInitStream(BE_CONFIG* config, DWORD* dwSamples, DWORD* dwBufferSize,
                                PHBE_STREAM stream) {
    const Entered e = Enter("beInitStream", [&](FakeLame::Record& r) {
        std::memcpy(&r.config, config, sizeof(BE_CONFIG));
    });
    if (e.fails)
        return BE_ERR_NO_MORE_HANDLES;
    if (e.behaviour.real)
        return Real<BEINITSTREAM>("beInitStream")(config, dwSamples, dwBufferSize, stream);
    const DWORD channels = config->format.LHV1.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    *dwSamples = e.behaviour.samplesPerCall ? e.behaviour.samplesPerCall : 1152 * channels;
    if (e.behaviour.noSamplesPerCall)
        *dwSamples = 0;
    *dwBufferSize = e.behaviour.bufferSize;
    *stream = kStream;
    return BE_ERR_SUCCESSFUL;
}

FAKE_EXPORT BE_ERR beEncodeChunk(HBE_STREAM stream, DWORD nSamples, short* samples, BYTE* output,
                                 DWORD* outputBytes) {
    {
        State& s = Shared();
        std::unique_lock lock(s.mutex);
        s.encoderThread = ::gettid();
        s.released.wait(lock, [&] { return !s.held; });
    }
    const Entered e = Enter("beEncodeChunk", [&](FakeLame::Record& r) {
        r.sampleCounts.push_back(nSamples);
        if (!Shared().behaviour.real) // the real encoder's input is the job's own affair
            r.samples.insert(r.samples.end(), samples, samples + nSamples);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(e.behaviour.paceMs));
    if (e.fails)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (e.behaviour.real)
        return Real<BEENCODECHUNK>("beEncodeChunk")(stream, nSamples, samples, output, outputBytes);
    if (stream != kStream)
        return BE_ERR_INVALID_HANDLE;
    *outputBytes = Give(e.behaviour.encodeOutput, e.behaviour.bufferSize, output);
    return BE_ERR_SUCCESSFUL;
}

FAKE_EXPORT BE_ERR beDeinitStream(HBE_STREAM stream, BYTE* output, DWORD* outputBytes) {
    const Entered e = Enter("beDeinitStream");
    if (e.fails)
        return BE_ERR_BUFFER_TOO_SMALL;
    if (e.behaviour.real)
        return Real<BEDEINITSTREAM>("beDeinitStream")(stream, output, outputBytes);
    if (stream != kStream)
        return BE_ERR_INVALID_HANDLE;
    *outputBytes = Give(e.behaviour.flushOutput, e.behaviour.bufferSize, output);
    return BE_ERR_SUCCESSFUL;
}

// A failed close still lets go of the stream, as a library must.
FAKE_EXPORT BE_ERR beCloseStream(HBE_STREAM stream) {
    const Entered e = Enter("beCloseStream");
    const BE_ERR result = e.behaviour.real    ? Real<BECLOSESTREAM>("beCloseStream")(stream)
                          : stream == kStream ? BE_ERR_SUCCESSFUL
                                              : BE_ERR_INVALID_HANDLE;
    return e.fails ? BE_ERR_INVALID_HANDLE : result;
}

FAKE_EXPORT void beVersion(BE_VERSION* version) {
    if (Enter("beVersion").behaviour.real)
        return Real<BEVERSION>("beVersion")(version);
    std::memset(version, 0, sizeof *version);
    version->byDLLMajorVersion = 1;
}

#ifndef FAKE_WITHOUT_VBR_HEADER
FAKE_EXPORT BE_ERR beWriteVBRHeader(const char* mp3Path) {
    const Entered e = Enter("beWriteVBRHeader");
    if (e.fails)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return e.behaviour.real ? Real<BEWRITEVBRHEADER>("beWriteVBRHeader")(mp3Path)
                            : BE_ERR_SUCCESSFUL;
}
#endif

#ifndef FAKE_WITHOUT_INFO_TAG
FAKE_EXPORT BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* mp3Path) {
    const Entered e = Enter("beWriteInfoTag");
    if (e.fails)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return e.behaviour.real ? Real<BEWRITEINFOTAG>("beWriteInfoTag")(stream, mp3Path)
                            : BE_ERR_SUCCESSFUL;
}
#endif
