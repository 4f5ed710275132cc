// An encoder library for tests that passes every call on to the real
// liblame_enc.so and makes one chosen call fail, as the library would when it
// runs out of memory or meets a stream it cannot finish. It can also make the
// encoding slow, or hold it at a chunk, as a long conversion would be.

#include "platform/lame_enc/BladeMP3EncDLL.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

#define FAILING_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct Plan {
    std::mutex mutex;
    std::map<std::string, int> counts;
    std::string failCall;
    int failIndex = -1;
    unsigned paceMs = 0;
    bool held = false;
    std::condition_variable released;
    pid_t encoderThread = 0;
};

Plan& SharedPlan() {
    static auto* p = new Plan;
    return *p;
}

void* RealLibrary() {
    static void* library = ::dlopen(REAL_LAME_ENC, RTLD_NOW | RTLD_LOCAL);
    return library;
}

template <typename F> F LookUp(const char* name) {
    return reinterpret_cast<F>(::dlsym(RealLibrary(), name));
}

bool Fails(const char* call) {
    std::lock_guard lock(SharedPlan().mutex);
    return SharedPlan().counts[call]++ == SharedPlan().failIndex && SharedPlan().failCall == call;
}

} // namespace

// Clears the counts; the `index`-th call (from 0) of `call` fails from now on.
FAILING_EXPORT void failingLameArm(const char* call, int index) {
    std::lock_guard lock(SharedPlan().mutex);
    SharedPlan().counts.clear();
    SharedPlan().failCall = call ? call : "";
    SharedPlan().failIndex = index;
}

FAILING_EXPORT int failingLameCount(const char* call) {
    std::lock_guard lock(SharedPlan().mutex);
    return SharedPlan().counts[call];
}

FAILING_EXPORT BE_ERR beInitStream(BE_CONFIG* config, DWORD* samples, DWORD* bufferSize,
                                   PHBE_STREAM stream) {
    if (Fails("beInitStream"))
        return BE_ERR_NO_MORE_HANDLES;
    return LookUp<BEINITSTREAM>("beInitStream")(config, samples, bufferSize, stream);
}

// Every encode call takes at least `paceMs` from now on.
FAILING_EXPORT void failingLamePace(unsigned paceMs) {
    std::lock_guard lock(SharedPlan().mutex);
    SharedPlan().paceMs = paceMs;
}

// While held, encode calls wait inside the library.
FAILING_EXPORT void failingLameHold(bool held) {
    std::lock_guard lock(SharedPlan().mutex);
    SharedPlan().held = held;
    SharedPlan().released.notify_all();
}

// The thread of the last encode call (0: none yet).
FAILING_EXPORT pid_t failingLameEncoderThread() {
    std::lock_guard lock(SharedPlan().mutex);
    return SharedPlan().encoderThread;
}

FAILING_EXPORT BE_ERR beEncodeChunk(HBE_STREAM stream, DWORD count, short* samples, BYTE* output,
                                    DWORD* outputBytes) {
    unsigned paceMs;
    {
        std::unique_lock lock(SharedPlan().mutex);
        SharedPlan().encoderThread = ::gettid();
        SharedPlan().released.wait(lock, [] { return !SharedPlan().held; });
        paceMs = SharedPlan().paceMs;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(paceMs));
    if (Fails("beEncodeChunk"))
        return BE_ERR_BUFFER_TOO_SMALL;
    return LookUp<BEENCODECHUNK>("beEncodeChunk")(stream, count, samples, output, outputBytes);
}

FAILING_EXPORT BE_ERR beDeinitStream(HBE_STREAM stream, BYTE* output, DWORD* outputBytes) {
    if (Fails("beDeinitStream"))
        return BE_ERR_BUFFER_TOO_SMALL;
    return LookUp<BEDEINITSTREAM>("beDeinitStream")(stream, output, outputBytes);
}

// A failed close still lets go of the stream, as a library must.
FAILING_EXPORT BE_ERR beCloseStream(HBE_STREAM stream) {
    const bool failing = Fails("beCloseStream");
    const BE_ERR result = LookUp<BECLOSESTREAM>("beCloseStream")(stream);
    return failing ? BE_ERR_INVALID_HANDLE : result;
}

FAILING_EXPORT void beVersion(BE_VERSION* version) {
    LookUp<BEVERSION>("beVersion")(version);
}

FAILING_EXPORT BE_ERR beWriteVBRHeader(const char* mp3Path) {
    if (Fails("beWriteVBRHeader"))
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return LookUp<BEWRITEVBRHEADER>("beWriteVBRHeader")(mp3Path);
}

FAILING_EXPORT BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* mp3Path) {
    return LookUp<BEWRITEINFOTAG>("beWriteInfoTag")(stream, mp3Path);
}
