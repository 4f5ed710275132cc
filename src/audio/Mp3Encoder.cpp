#include "src/audio/Mp3Encoder.h"

#include "platform/com/PrivateLibrary.h"
#include "platform/com/files.h"
#include "platform/com/strings.h"
#include "src/audio/AudioError.h"
#include "src/audio/AudioFileException.h"
#include "src/resources/resource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <mutex>
#include <new>
#include <unistd.h>

namespace {

constexpr const char* kLibraryName = "liblame_enc.so";

// Never destroyed: a conversion given up at exit may still load the library.
std::mutex& g_pathMutex = *new std::mutex;
std::string& g_libraryPath = *new std::string; // set by tests only

bool BitrateAllowed(int kbps, int mpegVersion) {
    switch (kbps) {
    case 8:
    case 16:
    case 24:
    case 144:
        return mpegVersion == static_cast<int>(MPEG2);
    case 32:
    case 40:
    case 48:
    case 56:
    case 64:
    case 80:
    case 96:
    case 112:
    case 128:
    case 160:
        return true;
    case 192:
    case 224:
    case 256:
    case 320:
        return mpegVersion == static_cast<int>(MPEG1);
    default:
        return false;
    }
}

template <typename F> F LookUp(void* library, const char* name) {
    return reinterpret_cast<F>(::dlsym(library, name));
}

} // namespace

Mp3Encoder::Mp3Encoder() = default;

Mp3Encoder::~Mp3Encoder() {
    closeStream(false);
    unloadLibrary();
}

void Mp3Encoder::SetLibraryPath(const std::string& path) {
    std::lock_guard lock(g_pathMutex);
    g_libraryPath = path;
}

void* Mp3Encoder::OpenLibrary() const {
    {
        std::lock_guard lock(g_pathMutex);
        if (!g_libraryPath.empty())
            return ::dlopen(g_libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    }
    return OpenPrivateLibrary(kLibraryName);
}

bool Mp3Encoder::loadLibrary() {
    if (m_loaded)
        return true;
    if (!m_library)
        m_library = OpenLibrary();
    if (!m_library)
        return false;
    m_beInitStream = LookUp<BEINITSTREAM>(m_library, TEXT_BEINITSTREAM);
    m_beEncodeChunk = LookUp<BEENCODECHUNK>(m_library, TEXT_BEENCODECHUNK);
    m_beDeinitStream = LookUp<BEDEINITSTREAM>(m_library, TEXT_BEDEINITSTREAM);
    m_beCloseStream = LookUp<BECLOSESTREAM>(m_library, TEXT_BECLOSESTREAM);
    m_beVersion = LookUp<BEVERSION>(m_library, TEXT_BEVERSION);
    m_beWriteVBRHeader = LookUp<BEWRITEVBRHEADER>(m_library, TEXT_BEWRITEVBRHEADER);
    // beWriteInfoTag is neither required nor called: older libraries lack it.
    if (!m_beInitStream || !m_beEncodeChunk || !m_beDeinitStream || !m_beCloseStream ||
        !m_beVersion || !m_beWriteVBRHeader)
        return false;
    // The BladeEnc call sequence asks for the version once at load; nothing
    // here needs it.
    BE_VERSION version{};
    m_beVersion(&version);
    m_loaded = true;
    return true;
}

void Mp3Encoder::unloadLibrary() {
    closeStream(false);
    m_loaded = false;
    m_beInitStream = nullptr;
    m_beEncodeChunk = nullptr;
    m_beDeinitStream = nullptr;
    m_beCloseStream = nullptr;
    m_beVersion = nullptr;
    m_beWriteVBRHeader = nullptr;
    if (m_library)
        ::dlclose(m_library);
    m_library = nullptr;
}

bool Mp3Encoder::isLoaded() const {
    return m_loaded;
}

Result<> Mp3Encoder::openStream(const WAVEFORMATEX* format, int bitrateKbps, int quality, bool vbr,
                                const std::u16string& mp3Path) {
    if (Result<> closed = closeStream(); !closed)
        return closed;
    m_outputCreated = false;
    if (!format)
        return UserMessage{};
    try {
        m_inputFormat = *format;

        BE_CONFIG_LHV1& lhv1 = m_config.format.LHV1;
        m_config.dwConfig = BE_CONFIG_LAME;
        lhv1.dwStructVersion = CURRENT_STRUCT_VERSION;
        lhv1.dwStructSize = sizeof(BE_CONFIG);
        lhv1.dwSampleRate = m_inputFormat.nSamplesPerSec;
        lhv1.dwReSampleRate = 0;
        lhv1.nMode = m_inputFormat.nChannels == 1   ? BE_MP3_MODE_MONO
                     : m_inputFormat.nChannels == 2 ? BE_MP3_MODE_STEREO
                                                    : BE_MP3_MODE_JSTEREO;
        lhv1.nPreset = 0;

        const int mpegVersion = MpegVersionOfRate(m_inputFormat.nSamplesPerSec);
        if (mpegVersion < 0)
            return AudioError(IDS_MP3_SAMPLE_RATE);
        lhv1.dwMpegVersion = static_cast<DWORD>(mpegVersion);
        if (!BitrateAllowed(bitrateKbps, mpegVersion))
            return AudioError(IDS_MP3_BITRATE);
        lhv1.dwBitrate = static_cast<DWORD>(bitrateKbps);
        lhv1.bOriginal = TRUE;
        if (vbr) {
            lhv1.nVbrMethod = VBR_METHOD_DEFAULT;
            lhv1.bEnableVBR = TRUE;
            lhv1.nVBRQuality = quality;
            // Without the header frame players guess the length of a VBR
            // file from its first frame's bit rate and seek wrongly.
            lhv1.bWriteVBRHeader = TRUE;
        } else {
            const auto low = static_cast<BYTE>(quality);
            lhv1.nQuality = static_cast<WORD>(low | static_cast<BYTE>(255 - low) << 8);
        }

        const std::string path = ToUtf8(mp3Path);
        m_outputFile = OpenOutputFile(path);
        if (m_outputFile < 0)
            return AudioError(IDS_MP3_CREATE_FILE);
        m_outputCreated = true;
        if (vbr)
            m_outputPath = path;

        if (!m_loaded || m_beInitStream(&m_config, &m_samplesPerChunk, &m_outputBufferSize,
                                        &m_stream) != BE_ERR_SUCCESSFUL) {
            m_stream = 0;
            return AudioError(IDS_MP3_OPEN_STREAM);
        }
        // A library that takes no samples per call would end every file
        // empty, and call it a success.
        if (m_samplesPerChunk == 0) {
            // Nothing can be flushed into a buffer of no size: let it go here.
            m_beCloseStream(m_stream);
            m_stream = 0;
            return AudioError(IDS_MP3_OPEN_STREAM);
        }

        m_outputBuffer.assign(m_outputBufferSize, 0);
        if (m_inputFormat.wBitsPerSample == 8)
            m_widenBuffer.assign(m_samplesPerChunk, 0);
        return {};
    } catch (const std::bad_alloc&) {
        return AudioError(IDS_OUT_OF_MEMORY);
    } catch (const AudioFileException&) {
        return AudioError(IDS_MP3_WRITE);
    }
}

std::uint32_t Mp3Encoder::chunkBytes() const {
    return m_inputFormat.wBitsPerSample == 16 ? m_samplesPerChunk * 2 : m_samplesPerChunk;
}

Result<> Mp3Encoder::encodeChunk(const void* data, std::uint32_t byteCount) {
    if (!data || !m_stream)
        return UserMessage{};
    const auto* bytes = static_cast<const BYTE*>(data);
    const bool eightBit = m_inputFormat.wBitsPerSample == 8;
    if (eightBit && m_widenBuffer.empty())
        return UserMessage{};

    // The library's output buffer holds what one call's worth of samples
    // gives, so a longer chunk goes over in pieces of that size.
    const std::uint32_t piece = chunkBytes();
    do {
        const std::uint32_t n = std::min(byteCount, piece);
        Result<> encoded;
        if (eightBit) {
            for (std::uint32_t i = 0; i < n; ++i)
                m_widenBuffer[i] = static_cast<short>((bytes[i] - 128) * 256);
            encoded = EncodeSamples(m_widenBuffer.data(), n);
        } else if (reinterpret_cast<std::uintptr_t>(bytes) % alignof(short) == 0) {
            encoded = EncodeSamples(reinterpret_cast<const short*>(bytes), n / 2);
        } else {
            m_alignBuffer.resize(m_samplesPerChunk);
            std::memcpy(m_alignBuffer.data(), bytes, n / 2 * 2);
            encoded = EncodeSamples(m_alignBuffer.data(), n / 2);
        }
        if (!encoded)
            return encoded;
        bytes += n;
        byteCount -= n;
    } while (byteCount > 0);
    return {};
}

Result<> Mp3Encoder::EncodeSamples(const short* samples, std::uint32_t sampleCount) {
    DWORD outputBytes = 0;
    if (m_beEncodeChunk(m_stream, sampleCount, const_cast<short*>(samples), m_outputBuffer.data(),
                        &outputBytes) != BE_ERR_SUCCESSFUL ||
        outputBytes > m_outputBuffer.size())
        return AudioError(IDS_MP3_ENCODE);
    try {
        WriteOutput(outputBytes);
    } catch (const AudioFileException&) {
        return AudioError(IDS_MP3_WRITE);
    }
    return {};
}

Result<> Mp3Encoder::closeStream() {
    return closeStream(true);
}

// Not `complete` when the encoder is given up after a failure: the file gets
// no header then, it is about to go, and no message is wanted.
Result<> Mp3Encoder::closeStream(bool complete) {
    if (!complete)
        m_outputPath.clear();
    if (m_stream) {
        DWORD outputBytes = 0;
        if (m_beDeinitStream(m_stream, m_outputBuffer.data(), &outputBytes) != BE_ERR_SUCCESSFUL ||
            outputBytes > m_outputBuffer.size()) {
            m_beCloseStream(m_stream);
            m_stream = 0;
            m_outputPath.clear();
            return AudioError(IDS_MP3_CLOSE_STREAM);
        }
        try {
            if (outputBytes)
                WriteOutput(outputBytes);
        } catch (const AudioFileException&) {
            // The last frames are lost: the file must not pass for complete.
            m_beCloseStream(m_stream);
            m_stream = 0;
            m_outputPath.clear();
            return AudioError(IDS_MP3_WRITE);
        }
        m_beCloseStream(m_stream);
        m_stream = 0;
    }
    if (m_outputFile >= 0) {
        // close() is where a delayed write error (a full disk on some file
        // systems) surfaces.
        const bool closed = ::close(m_outputFile) == 0;
        m_outputFile = -1;
        if (!closed) {
            m_outputPath.clear();
            return AudioError(IDS_MP3_WRITE);
        }
        if (Result<> header = WriteVbrHeader(); !header)
            return header;
    }
    m_config = BE_CONFIG{};
    m_inputFormat = WAVEFORMATEX{};
    m_samplesPerChunk = 0;
    m_outputBufferSize = 0;
    m_widenBuffer = {};
    m_alignBuffer = {};
    m_outputBuffer = {};
    return {};
}

// The library fills in the header frame it reserved at the start of the
// stream it closed last.
Result<> Mp3Encoder::WriteVbrHeader() {
    if (m_outputPath.empty())
        return {};
    const std::string path = std::move(m_outputPath);
    m_outputPath.clear();
    if (m_beWriteVBRHeader(path.c_str()) == BE_ERR_SUCCESSFUL)
        return {};
    return AudioError(IDS_MP3_WRITE);
}

void Mp3Encoder::WriteOutput(DWORD byteCount) {
    if (m_outputFile < 0)
        throw AudioFileException("MP3 file not open", EBADF);
    const BYTE* at = m_outputBuffer.data();
    while (byteCount > 0) {
        const ssize_t n = ::write(m_outputFile, at, byteCount);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw AudioFileException("write failed");
        }
        at += n;
        byteCount -= static_cast<DWORD>(n);
    }
}
