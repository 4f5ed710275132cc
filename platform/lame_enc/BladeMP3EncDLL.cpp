// liblame_enc.so: the BladeEnc encoder interface over libmp3lame. A stream
// handle is the address of its LameStream; handles are checked against the
// streams this library made, so a stale one gets BE_ERR_INVALID_HANDLE.
//
// A C library: no exception leaves an entry point. Running out of memory
// gives BE_ERR_NO_MORE_HANDLES when a stream is being made and
// BE_ERR_BUFFER_TOO_SMALL elsewhere; anything else unexpected gives
// BE_ERR_INVALID_FORMAT_PARAMETERS.

#include "platform/lame_enc/BladeMP3EncDLL.h"

#include "platform/lame_enc/LameStream.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <lame/lame.h>
#include <memory>
#include <mutex>
#include <new>
#include <set>

#define LAME_ENC_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Never destroyed: a caller's thread may still be encoding while the process
// ends.
struct Streams {
    std::mutex mutex;
    std::set<LameStream*> open;
    // The last stream closed with a VBR header still to write (beWriteVBRHeader).
    std::unique_ptr<LameStream> pendingHeader;
};

Streams& StreamTable() {
    static auto* s = new Streams;
    return *s;
}

LameStream* FindStream(HBE_STREAM handle) {
    auto* stream = reinterpret_cast<LameStream*>(handle);
    std::lock_guard lock(StreamTable().mutex);
    return StreamTable().open.count(stream) ? stream : nullptr;
}

std::unique_ptr<LameStream> TakeStream(HBE_STREAM handle) {
    auto* stream = reinterpret_cast<LameStream*>(handle);
    std::lock_guard lock(StreamTable().mutex);
    if (!StreamTable().open.erase(stream))
        return nullptr;
    return std::unique_ptr<LameStream>(stream);
}

// Runs an entry point's body with exceptions turned into results.
template <typename Body> BE_ERR Guarded(BE_ERR outOfMemory, Body body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return outOfMemory;
    } catch (...) {
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
}

int MonthOf(const char* date) {
    static const char* names = "JanFebMarAprMayJunJulAugSepOctNovDec";
    for (int month = 0; month < 12; ++month)
        if (std::strncmp(names + 3 * month, date, 3) == 0)
            return month + 1;
    return 0;
}

} // namespace

LAME_ENC_EXPORT BE_ERR beInitStream(BE_CONFIG* config, DWORD* dwSamples, DWORD* dwBufferSize,
                                    PHBE_STREAM stream) {
    if (!config || !dwSamples || !dwBufferSize || !stream)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    if (config->dwConfig != BE_CONFIG_LAME || config->format.LHV1.dwStructVersion < 1)
        return BE_ERR_INVALID_FORMAT;
    return Guarded(BE_ERR_NO_MORE_HANDLES, [&] {
        BE_ERR error = BE_ERR_SUCCESSFUL;
        std::unique_ptr<LameStream> created = LameStream::Create(config->format.LHV1, error);
        if (!created)
            return error;
        std::lock_guard lock(StreamTable().mutex);
        // Listed before it is let go of: a failed insertion frees it.
        StreamTable().open.insert(created.get());
        *dwSamples = created->SamplesPerCall();
        *dwBufferSize = created->BufferSize();
        *stream = reinterpret_cast<HBE_STREAM>(created.release());
        return BE_ERR_SUCCESSFUL;
    });
}

LAME_ENC_EXPORT BE_ERR beEncodeChunk(HBE_STREAM handle, DWORD nSamples, short* samples,
                                     BYTE* output, DWORD* outputBytes) {
    LameStream* stream = FindStream(handle);
    if (!stream)
        return BE_ERR_INVALID_HANDLE;
    if ((!samples && nSamples) || !output || !outputBytes)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return Guarded(BE_ERR_BUFFER_TOO_SMALL,
                   [&] { return stream->Encode(samples, nSamples, output, *outputBytes); });
}

LAME_ENC_EXPORT BE_ERR beDeinitStream(HBE_STREAM handle, BYTE* output, DWORD* outputBytes) {
    LameStream* stream = FindStream(handle);
    if (!stream)
        return BE_ERR_INVALID_HANDLE;
    if (!output || !outputBytes)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    return Guarded(BE_ERR_BUFFER_TOO_SMALL, [&] { return stream->Flush(output, *outputBytes); });
}

LAME_ENC_EXPORT BE_ERR beCloseStream(HBE_STREAM handle) {
    std::unique_ptr<LameStream> stream = TakeStream(handle);
    if (!stream)
        return BE_ERR_INVALID_HANDLE;
    if (stream->WritesTag()) {
        std::lock_guard lock(StreamTable().mutex);
        StreamTable().pendingHeader = std::move(stream);
    }
    return BE_ERR_SUCCESSFUL;
}

LAME_ENC_EXPORT void beVersion(BE_VERSION* version) {
    if (!version)
        return;
    std::memset(version, 0, sizeof *version);
    version->byDLLMajorVersion = 1;
    version->byDLLMinorVersion = 4;
    lame_version_t lame{};
    get_lame_version_numerical(&lame);
    version->byMajorVersion = static_cast<BYTE>(lame.major);
    version->byMinorVersion = static_cast<BYTE>(lame.minor);
    version->byAlphaLevel = static_cast<BYTE>(lame.alpha);
    version->byBetaLevel = static_cast<BYTE>(lame.beta);
    // The release date is the day this library was built ("Mmm dd yyyy").
    const char* date = __DATE__;
    version->byMonth = static_cast<BYTE>(MonthOf(date));
    version->byDay = static_cast<BYTE>(std::atoi(date + 4));
    version->wYear = static_cast<WORD>(std::atoi(date + 7));
    std::snprintf(version->zHomepage, sizeof version->zHomepage, "%s", get_lame_url());
}

LAME_ENC_EXPORT BE_ERR beWriteVBRHeader(const char* mp3Path) {
    std::unique_ptr<LameStream> stream;
    {
        std::lock_guard lock(StreamTable().mutex);
        stream = std::move(StreamTable().pendingHeader);
    }
    if (!stream)
        return BE_ERR_INVALID_HANDLE;
    return Guarded(BE_ERR_BUFFER_TOO_SMALL, [&] { return stream->WriteTag(mp3Path); });
}

LAME_ENC_EXPORT BE_ERR beWriteInfoTag(HBE_STREAM handle, const char* mp3Path) {
    std::unique_ptr<LameStream> stream = TakeStream(handle);
    if (!stream)
        return BE_ERR_INVALID_HANDLE;
    return Guarded(BE_ERR_BUFFER_TOO_SMALL, [&] { return stream->WriteTag(mp3Path); });
}
