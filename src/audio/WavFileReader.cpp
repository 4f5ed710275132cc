#include "src/audio/WavFileReader.h"

#include "platform/com/strings.h"
#include "src/audio/AudioError.h"
#include "src/audio/AudioFileException.h"
#include "src/resources/resource.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A short read while parsing the header: the file is not a WAV file we take.
struct CorruptHeader {};

bool TagIs(const char (&tag)[4], const char* expected) {
    return std::memcmp(tag, expected, 4) == 0;
}

std::uint16_t Le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Reads until `count` bytes or the end of the file; a failed read() raises.
std::uint32_t ReadFully(int fd, void* buffer, std::uint32_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::uint32_t done = 0;
    while (done < count) {
        ssize_t n = ::read(fd, out + done, count - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw AudioFileException("read failed");
        }
        if (n == 0)
            break;
        done += static_cast<std::uint32_t>(n);
    }
    return done;
}

} // namespace

WavFileReader::WavFileReader() = default;

WavFileReader::~WavFileReader() {
    close();
}

Result<> WavFileReader::open(const std::u16string& path) {
    close();
    int fd = ::open(ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))) {
        ::close(fd);
        fd = -1;
    }
    if (fd < 0)
        return AudioError(IDS_WAV_OPEN);
    m_fd = fd;
    try {
        if (ParseHeader())
            return {};
    } catch (const CorruptHeader&) {
    } catch (const AudioFileException&) {
        return AudioError(IDS_WAV_FILE_EXCEPTION);
    }
    return AudioError(IDS_WAV_CORRUPT);
}

bool WavFileReader::ParseHeader() {
    char tag[4];
    unsigned char field[4];

    ReadExactly(tag, 4);
    if (!TagIs(tag, "RIFF"))
        return false;
    SeekTo(8); // the RIFF size says nothing we rely on
    ReadExactly(tag, 4);
    if (!TagIs(tag, "WAVE"))
        return false;
    ReadExactly(tag, 4);
    if (!TagIs(tag, "fmt "))
        return false;
    ReadExactly(field, 4);
    const std::uint32_t formatSize = Le32(field);
    if (formatSize < 16)
        return false;

    unsigned char fmt[16];
    ReadExactly(fmt, 16);
    format.wFormatTag = Le16(fmt);
    format.nChannels = Le16(fmt + 2);
    format.nSamplesPerSec = Le32(fmt + 4);
    format.nAvgBytesPerSec = Le32(fmt + 8);
    format.nBlockAlign = Le16(fmt + 12);
    format.wBitsPerSample = Le16(fmt + 14);
    format.cbSize = 0;
    if (formatSize > 16)
        SeekTo(Position() + (formatSize - 16));

    // The engines' files put "data" a multiple of four bytes after the format
    // chunk, so stepping in fours finds it without trusting any chunk size.
    for (;;) {
        if (ReadFully(m_fd, tag, 4) < 4)
            return false;
        if (TagIs(tag, "data"))
            break;
    }
    ReadExactly(field, 4);
    const std::uint32_t dataSize = Le32(field);
    m_dataStart = Position();

    // A plausible declared size bounds the samples, so a chunk written after
    // the data is not played as noise. Writers that never went back to fill
    // the size in leave 0 or 0xFFFFFFFF; then the data runs to the end.
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        throw AudioFileException("fstat failed");
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    m_dataEnd = UINT64_MAX;
    if (dataSize != 0 && dataSize != 0xFFFFFFFFu && m_dataStart + dataSize <= fileSize)
        m_dataEnd = m_dataStart + dataSize;
    return true;
}

Result<std::uint32_t> WavFileReader::read(void* buffer, std::uint32_t count) {
    if (m_fd < 0 || !buffer)
        return 0u;
    try {
        const std::uint64_t at = Position();
        if (at >= m_dataEnd)
            return 0u;
        if (m_dataEnd - at < count)
            count = static_cast<std::uint32_t>(m_dataEnd - at);
        return ReadFully(m_fd, buffer, count);
    } catch (const AudioFileException&) {
        return AudioError(IDS_WAV_FILE_EXCEPTION);
    }
}

Result<> WavFileReader::rewindToData() {
    if (m_fd < 0)
        return {};
    try {
        SeekTo(m_dataStart);
    } catch (const AudioFileException&) {
        return AudioError(IDS_WAV_FILE_EXCEPTION);
    }
    return {};
}

void WavFileReader::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_dataStart = 0;
    m_dataEnd = 0;
    format = WAVEFORMATEX{};
}

void WavFileReader::ReadExactly(void* buffer, std::uint32_t count) {
    if (ReadFully(m_fd, buffer, count) != count)
        throw CorruptHeader{};
}

void WavFileReader::SeekTo(std::uint64_t target) {
    if (::lseek(m_fd, static_cast<off_t>(target), SEEK_SET) < 0)
        throw AudioFileException("seek failed");
}

std::uint64_t WavFileReader::Position() const {
    off_t at = ::lseek(m_fd, 0, SEEK_CUR);
    if (at < 0)
        throw AudioFileException("seek failed");
    return static_cast<std::uint64_t>(at);
}
