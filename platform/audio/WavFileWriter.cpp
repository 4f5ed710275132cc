#include "platform/audio/WavFileWriter.h"

#include "platform/audio/PcmSink.h"
#include "platform/com/files.h"
#include "platform/com/strings.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kHeaderBytes = 44;
// Engines hand over audio in stretches of a few hundred bytes; gathering them
// saves a system call per stretch, which on a long text costs more than the
// synthesis of a fast voice.
constexpr std::size_t kBufferBytes = 64 * 1024;
// What the RIFF size counts besides the samples: "WAVE", the fmt chunk, the
// data chunk's tag and size.
constexpr std::uint64_t kRiffOverhead = kHeaderBytes - 8;

void PutU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutU32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void PutTag(std::uint8_t* p, const char (&tag)[5]) {
    std::copy(tag, tag + 4, p);
}

std::array<std::uint8_t, kHeaderBytes> MakeHeader(const WAVEFORMATEX& f, std::uint32_t dataBytes) {
    std::array<std::uint8_t, kHeaderBytes> h{};
    PutTag(&h[0], "RIFF");
    PutU32(&h[4], static_cast<std::uint32_t>(kRiffOverhead + dataBytes));
    PutTag(&h[8], "WAVE");
    PutTag(&h[12], "fmt ");
    PutU32(&h[16], 16);
    PutU16(&h[20], f.wFormatTag);
    PutU16(&h[22], f.nChannels);
    PutU32(&h[24], f.nSamplesPerSec);
    PutU32(&h[28], f.nAvgBytesPerSec);
    PutU16(&h[32], f.nBlockAlign);
    PutU16(&h[34], f.wBitsPerSample);
    PutTag(&h[36], "data");
    PutU32(&h[40], dataBytes);
    return h;
}

HRESULT OpenError(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
        return STG_E_FILENOTFOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
        return E_ACCESSDENIED;
    case ENOSPC:
    case EDQUOT:
        return STG_E_MEDIUMFULL;
    default:
        return STG_E_WRITEFAULT;
    }
}

HRESULT WriteError(int error) {
    return error == ENOSPC || error == EDQUOT || error == EFBIG ? STG_E_MEDIUMFULL
                                                                : STG_E_WRITEFAULT;
}

} // namespace

WavFileWriter::WavFileWriter() = default;

WavFileWriter::~WavFileWriter() {
    if (IsOpen())
        Finish();
}

std::uint64_t WavFileWriter::MaxDataBytes(const WAVEFORMATEX& format) {
    const std::uint64_t limit = 0xFFFFFFFFull - kRiffOverhead;
    const std::uint64_t align = std::max<std::uint64_t>(format.nBlockAlign, 1);
    return limit / align * align;
}

HRESULT WavFileWriter::Create(const std::u16string& path, const WAVEFORMATEX& format) {
    if (IsOpen())
        Finish();
    m_path.clear();
    m_format = format;
    m_dataBytes = 0;
    m_pending.clear();
    m_pending.reserve(kBufferBytes);

    const std::string name = ToUtf8(path);
    const int fd = OpenOutputFile(name);
    if (fd < 0)
        return OpenError(errno);
    m_fd = fd;
    // Only a file of our own is ever deleted, never a device the caller named.
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        m_path = name;

    const auto header = MakeHeader(format, 0);
    const HRESULT hr = WriteAt(0, header.data(), header.size());
    if (FAILED(hr)) {
        Discard();
        return hr;
    }
    return S_OK;
}

HRESULT WavFileWriter::WriteAt(std::uint64_t offset, const void* data, std::size_t bytes) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    while (bytes > 0) {
        const ssize_t n = ::pwrite(m_fd, p, bytes, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return WriteError(errno);
        }
        if (n == 0)
            return STG_E_WRITEFAULT;
        p += n;
        offset += static_cast<std::uint64_t>(n);
        bytes -= static_cast<std::size_t>(n);
    }
    return S_OK;
}

HRESULT WavFileWriter::Write(const void* data, std::size_t bytes) {
    if (const std::optional<HRESULT> shortcut = PcmWriteShortcut(IsOpen(), data, bytes))
        return *shortcut;

    const std::uint64_t room = MaxDataBytes(m_format) - DataBytes();
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(bytes, room));
    const auto* p = static_cast<const std::uint8_t*>(data);
    m_pending.insert(m_pending.end(), p, p + take);
    if (m_pending.size() >= kBufferBytes) {
        const HRESULT hr = WritePending();
        if (FAILED(hr))
            return hr;
    }
    return take < bytes ? STG_E_MEDIUMFULL : S_OK;
}

HRESULT WavFileWriter::WritePending() {
    const std::uint8_t* p = m_pending.data();
    std::size_t left = m_pending.size();
    HRESULT hr = S_OK;
    while (left > 0) {
        const ssize_t n = ::pwrite(m_fd, p, left, static_cast<off_t>(kHeaderBytes + m_dataBytes));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            hr = n == 0 ? STG_E_WRITEFAULT : WriteError(errno);
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
        m_dataBytes += static_cast<std::uint64_t>(n);
    }
    m_pending.clear();
    if (SUCCEEDED(hr))
        return S_OK;
    // Keep the file at the whole sample frames that reached the disk, so that
    // whatever the caller decides next, finishing it gives a consistent WAV.
    const std::uint64_t align = std::max<std::uint64_t>(m_format.nBlockAlign, 1);
    m_dataBytes -= m_dataBytes % align;
    const int trimmed = ::ftruncate(m_fd, static_cast<off_t>(kHeaderBytes + m_dataBytes));
    return trimmed == 0 ? hr : STG_E_WRITEFAULT;
}

HRESULT WavFileWriter::Finish() {
    if (!IsOpen())
        return S_OK;
    const HRESULT written = WritePending();
    const auto header = MakeHeader(m_format, static_cast<std::uint32_t>(m_dataBytes));
    HRESULT hr = WriteAt(4, &header[4], 4);
    if (SUCCEEDED(hr))
        hr = WriteAt(40, &header[40], 4);
    if (FAILED(written))
        hr = written;
    if (::close(m_fd) != 0 && SUCCEEDED(hr))
        hr = WriteError(errno);
    m_fd = -1;
    return hr;
}

void WavFileWriter::Discard() {
    if (IsOpen()) {
        ::close(m_fd);
        m_fd = -1;
    }
    if (!m_path.empty())
        ::unlink(m_path.c_str());
    m_path.clear();
    m_dataBytes = 0;
    m_pending.clear();
}

bool WavFileWriter::IsOpen() const {
    return m_fd >= 0;
}

const WAVEFORMATEX& WavFileWriter::Format() const {
    return m_format;
}

std::uint64_t WavFileWriter::DataBytes() const {
    return m_dataBytes + m_pending.size();
}
