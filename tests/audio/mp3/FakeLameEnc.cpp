#include "tests/audio/mp3/FakeLameEnc.h"

#include <cstring>

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
FakeLame::Record g_record;
FakeLame::Behaviour g_behaviour;
constexpr HBE_STREAM kStream = 0x5157;

DWORD Give(const std::string& bytes, BYTE* output) {
    // Touch the whole buffer the caller says it has, so that the sanitizers
    // catch one smaller than asked for.
    std::memset(output, 0xEE, g_behaviour.bufferSize);
    std::memcpy(output, bytes.data(), bytes.size());
    return static_cast<DWORD>(bytes.size());
}
} // namespace

namespace FakeLame {
void Reset(const Behaviour& behaviour) {
    g_record = Record{};
    g_behaviour = behaviour;
}
const Record& Recorded() {
    return g_record;
}
} // namespace FakeLame

FAKE_EXPORT BE_ERR beInitStream(BE_CONFIG* config, DWORD* dwSamples, DWORD* dwBufferSize,
                                PHBE_STREAM stream) {
    g_record.calls.push_back("beInitStream");
    std::memcpy(&g_record.config, config, sizeof(BE_CONFIG));
    if (g_behaviour.failInit)
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const DWORD channels = config->format.LHV1.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    *dwSamples = g_behaviour.samplesPerCall ? g_behaviour.samplesPerCall : 1152 * channels;
    if (g_behaviour.noSamplesPerCall)
        *dwSamples = 0;
    *dwBufferSize = g_behaviour.bufferSize;
    *stream = kStream;
    return BE_ERR_SUCCESSFUL;
}

FAKE_EXPORT BE_ERR beEncodeChunk(HBE_STREAM stream, DWORD nSamples, short* samples, BYTE* output,
                                 DWORD* outputBytes) {
    g_record.calls.push_back("beEncodeChunk");
    g_record.sampleCounts.push_back(nSamples);
    g_record.samples.insert(g_record.samples.end(), samples, samples + nSamples);
    if (stream != kStream || g_behaviour.failEncode)
        return BE_ERR_INVALID_HANDLE;
    *outputBytes = Give(g_behaviour.encodeOutput, output);
    return BE_ERR_SUCCESSFUL;
}

FAKE_EXPORT BE_ERR beDeinitStream(HBE_STREAM stream, BYTE* output, DWORD* outputBytes) {
    g_record.calls.push_back("beDeinitStream");
    if (stream != kStream || g_behaviour.failDeinit)
        return BE_ERR_INVALID_HANDLE;
    *outputBytes = Give(g_behaviour.flushOutput, output);
    return BE_ERR_SUCCESSFUL;
}

FAKE_EXPORT BE_ERR beCloseStream(HBE_STREAM stream) {
    g_record.calls.push_back("beCloseStream");
    return stream == kStream ? BE_ERR_SUCCESSFUL : BE_ERR_INVALID_HANDLE;
}

FAKE_EXPORT void beVersion(BE_VERSION* version) {
    g_record.calls.push_back("beVersion");
    std::memset(version, 0, sizeof *version);
    version->byDLLMajorVersion = 1;
}

#ifndef FAKE_WITHOUT_VBR_HEADER
FAKE_EXPORT BE_ERR beWriteVBRHeader(const char*) {
    g_record.calls.push_back("beWriteVBRHeader");
    return BE_ERR_SUCCESSFUL;
}
#endif

#ifndef FAKE_WITHOUT_INFO_TAG
FAKE_EXPORT BE_ERR beWriteInfoTag(HBE_STREAM, const char*) {
    g_record.calls.push_back("beWriteInfoTag");
    return BE_ERR_SUCCESSFUL;
}
#endif
