#include "src/audiobook/LameFile.h"

#include "platform/com/PrivateLibrary.h"
#include "platform/com/files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <span>
#include <unistd.h>

struct BladeEntries {
    BEINITSTREAM initStream = nullptr;
    BEENCODECHUNK encodeChunk = nullptr;
    BEDEINITSTREAM deinitStream = nullptr;
    BECLOSESTREAM closeStream = nullptr;
    BEWRITEINFOTAG writeInfoTag = nullptr;
};

namespace {

template <typename F> F LookUp(void* library, const char* name) {
    return reinterpret_cast<F>(::dlsym(library, name));
}

// Loaded once and never let go: its streams outlive no call of ours, but the
// library keeps its stream table for the life of the process.
const BladeEntries* Entries() {
    static const BladeEntries* const entries = []() -> const BladeEntries* {
        void* library = OpenPrivateLibrary("liblame_enc.so");
        if (!library)
            return nullptr;
        static BladeEntries loaded{LookUp<BEINITSTREAM>(library, TEXT_BEINITSTREAM),
                                   LookUp<BEENCODECHUNK>(library, TEXT_BEENCODECHUNK),
                                   LookUp<BEDEINITSTREAM>(library, TEXT_BEDEINITSTREAM),
                                   LookUp<BECLOSESTREAM>(library, TEXT_BECLOSESTREAM),
                                   LookUp<BEWRITEINFOTAG>(library, TEXT_BEWRITEINFOTAG)};
        if (!loaded.initStream || !loaded.encodeChunk || !loaded.deinitStream ||
            !loaded.closeStream || !loaded.writeInfoTag)
            return nullptr;
        return &loaded;
    }();
    return entries;
}

// Layer III's bit rates: MPEG-1's, and those of MPEG-2 and 2.5 below 32 kHz.
bool BitrateAllowed(int kbps, bool mpeg1) {
    static constexpr int kMpeg1[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static constexpr int kMpeg2[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    for (int allowed : mpeg1 ? std::span<const int>(kMpeg1) : std::span<const int>(kMpeg2))
        if (kbps == allowed)
            return true;
    return false;
}

} // namespace

int LameFile::OutputRate(int rate) {
    return rate < 16000 ? 2 * rate : rate;
}

LameFile::~LameFile() {
    if (m_stream)
        m_entries->closeStream(m_stream);
    if (m_file >= 0)
        ::close(m_file);
}

std::string LameFile::Failed(const std::string& why) const {
    return "cannot write " + m_path + ": " + why;
}

std::string LameFile::Create(const std::string& path, int rate, int channels, int kbps, int quality,
                             const std::string& tag) {
    m_path = path;
    m_entries = Entries();
    if (!m_entries)
        return Failed("the MP3 encoder library liblame_enc.so is missing");
    const int mpegVersion = MpegVersionOfRate(static_cast<DWORD>(rate));
    if (mpegVersion < 0)
        return Failed("MP3 cannot carry a sample rate of " + std::to_string(rate) + " Hz");
    if (!BitrateAllowed(kbps, mpegVersion == static_cast<int>(MPEG1)))
        return Failed("MP3 has no bit rate of " + std::to_string(kbps) + " kbit/s at " +
                      std::to_string(rate) + " Hz");

    BE_CONFIG config{};
    config.dwConfig = BE_CONFIG_LAME;
    BE_CONFIG_LHV1& lhv1 = config.format.LHV1;
    lhv1.dwStructVersion = CURRENT_STRUCT_VERSION;
    lhv1.dwStructSize = sizeof(BE_CONFIG);
    lhv1.dwSampleRate = static_cast<DWORD>(rate);
    lhv1.dwReSampleRate = static_cast<DWORD>(OutputRate(rate));
    lhv1.nMode = channels == 1 ? BE_MP3_MODE_MONO : BE_MP3_MODE_STEREO;
    lhv1.dwMpegVersion = static_cast<DWORD>(mpegVersion);
    lhv1.dwBitrate = static_cast<DWORD>(kbps);
    lhv1.bOriginal = TRUE;
    lhv1.bWriteVBRHeader = TRUE; // LAME's info frame, for constant bit rates too
    const auto low = static_cast<BYTE>(quality);
    lhv1.nQuality = static_cast<WORD>(low | static_cast<BYTE>(255 - low) << 8);

    m_file = OpenOutputFile(path);
    if (m_file < 0)
        return Failed(std::strerror(errno));
    DWORD samples = 0, bufferSize = 0;
    if (m_entries->initStream(&config, &samples, &bufferSize, &m_stream) != BE_ERR_SUCCESSFUL) {
        m_stream = 0;
        return Failed("the MP3 encoder refuses its settings");
    }
    if (samples == 0)
        return Failed("the MP3 encoder takes no samples");
    m_samplesPerCall = samples;
    m_output.assign(std::max<std::size_t>(bufferSize, tag.size()), 0);
    std::copy(tag.begin(), tag.end(), m_output.begin());
    return WriteOutput(static_cast<std::uint32_t>(tag.size()));
}

std::string LameFile::WriteOutput(std::uint32_t bytes) {
    if (bytes > m_output.size())
        return Failed("the MP3 encoder overran its buffer");
    const BYTE* at = m_output.data();
    while (bytes > 0) {
        const ssize_t written = ::write(m_file, at, bytes);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return Failed(std::strerror(errno));
        at += written;
        bytes -= static_cast<std::uint32_t>(written);
    }
    return {};
}

std::string LameFile::Encode(const std::int16_t* samples, std::uint32_t count) {
    while (count > 0) {
        const std::uint32_t take = std::min(count, m_samplesPerCall);
        DWORD bytes = 0;
        if (m_entries->encodeChunk(m_stream, take, const_cast<short*>(samples), m_output.data(),
                                   &bytes) != BE_ERR_SUCCESSFUL)
            return Failed("the MP3 encoder failed");
        if (std::string error = WriteOutput(bytes); !error.empty())
            return error;
        samples += take;
        count -= take;
    }
    return {};
}

std::string LameFile::Finish() {
    DWORD bytes = 0;
    if (m_entries->deinitStream(m_stream, m_output.data(), &bytes) != BE_ERR_SUCCESSFUL)
        return Failed("the MP3 encoder failed");
    if (std::string error = WriteOutput(bytes); !error.empty())
        return error;
    // close() is where a delayed write error (a full disk on some file
    // systems) surfaces.
    const int file = m_file;
    m_file = -1;
    if (::close(file) != 0)
        return Failed(std::strerror(errno));
    const HBE_STREAM stream = m_stream;
    m_stream = 0;
    errno = 0;
    if (m_entries->writeInfoTag(stream, m_path.c_str()) != BE_ERR_SUCCESSFUL)
        return Failed(errno ? std::strerror(errno) : "its info frame cannot be written");
    return {};
}
