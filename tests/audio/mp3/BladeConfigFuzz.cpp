// libFuzzer target for liblame_enc.so: any 331 bytes given to beInitStream as
// the configuration record either are refused with an error or give a stream
// that encodes, flushes, closes and tags its file within the sizes it
// reported. Bytes past the record are the first samples encoded.

#include "platform/lame_enc/BladeMP3EncDLL.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace {

// The longest call LAME can ask for: 1152 samples per channel, two channels.
constexpr DWORD kMostSamplesPerCall = 2 * 1152;

void Check(bool holds, const char* what) {
    if (!holds) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}
#define CHECK(condition) Check(condition, #condition)

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const int fd = ::memfd_create("mp3", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);

    BE_CONFIG config{};
    std::memcpy(&config, data, std::min(size, sizeof config));
    DWORD samplesPerCall = 0;
    DWORD bufferSize = 0;
    HBE_STREAM stream = 0;
    if (beInitStream(&config, &samplesPerCall, &bufferSize, &stream) != BE_ERR_SUCCESSFUL)
        return 0;
    CHECK(samplesPerCall > 0 && samplesPerCall <= kMostSamplesPerCall && bufferSize > 0);

    // Three calls: the caller's samples, then a tone, then a short last call.
    std::vector<short> samples(samplesPerCall);
    const std::size_t given = size > sizeof config ? size - sizeof config : 0;
    std::memcpy(samples.data(), data + sizeof config,
                std::min(given, samples.size() * sizeof(short)));
    std::vector<BYTE> output(bufferSize);
    std::vector<BYTE> file;
    for (DWORD call = 0; call < 3; ++call) {
        const DWORD count = call == 2 ? samplesPerCall / 3 : samplesPerCall;
        DWORD written = 0;
        const BE_ERR error = beEncodeChunk(stream, count, samples.data(), output.data(), &written);
        CHECK(error == BE_ERR_SUCCESSFUL && written <= bufferSize);
        file.insert(file.end(), output.begin(), output.begin() + written);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = static_cast<short>(8000 * std::sin(0.05 * static_cast<double>(i)));
    }
    DWORD written = 0;
    CHECK(beDeinitStream(stream, output.data(), &written) == BE_ERR_SUCCESSFUL &&
          written <= bufferSize);
    file.insert(file.end(), output.begin(), output.begin() + written);
    CHECK(beCloseStream(stream) == BE_ERR_SUCCESSFUL);
    CHECK(beCloseStream(stream) == BE_ERR_INVALID_HANDLE);

    // A stream closed with its VBR header asked for tags the file it wrote.
    if (config.format.LHV1.bWriteVBRHeader) {
        CHECK(::ftruncate(fd, 0) == 0 &&
              ::pwrite(fd, file.data(), file.size(), 0) == static_cast<ssize_t>(file.size()));
        beWriteVBRHeader(path.c_str());
    }
    return 0;
}
