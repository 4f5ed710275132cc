#include "platform/sapi4/AudioDestFile.h"

#include "platform/com/files.h"
#include "platform/com/strings.h"

#include <cerrno>
#include <unistd.h>

namespace {

// Creates the file (empty) so that a path that cannot be written is refused
// when it is named, not when the first audio arrives.
HRESULT CreateEmptyFile(const std::u16string& path) {
    const int fd = OpenOutputFile(ToUtf8(path));
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? STG_E_FILENOTFOUND : E_ACCESSDENIED;
    ::close(fd);
    return S_OK;
}

} // namespace

HRESULT AudioDestFile::Register(void*) {
    return E_NOTIMPL;
}

HRESULT AudioDestFile::Add(LPCWSTR, DWORD) {
    return E_NOTIMPL;
}

HRESULT AudioDestFile::Set(LPCWSTR path, DWORD) {
    if (!path || !*path)
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    if (m_file.IsOpen())
        m_file.Finish();
    m_createError = S_OK;
    m_pendingPath.clear();
    if (m_bound)
        return m_file.Create(path, m_format);
    HRESULT hr = CreateEmptyFile(path);
    if (SUCCEEDED(hr))
        m_pendingPath = path;
    return hr;
}

HRESULT AudioDestFile::Flush() {
    std::lock_guard lock(m_mutex);
    m_pendingPath.clear();
    return m_file.IsOpen() ? m_file.Finish() : LastError();
}

HRESULT AudioDestFile::RealTimeGet(WORD* realTime) {
    if (!realTime)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    *realTime = m_realTime;
    return S_OK;
}

HRESULT AudioDestFile::RealTimeSet(WORD realTime) {
    if (realTime == 0)
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    m_realTime = realTime;
    return S_OK;
}

void AudioDestFile::Bind(const WAVEFORMATEX& format) {
    std::lock_guard lock(m_mutex);
    m_format = format;
    m_bound = true;
    if (!m_pendingPath.empty()) {
        m_createError = m_file.Create(m_pendingPath, m_format);
        m_pendingPath.clear();
    }
}

HRESULT AudioDestFile::LastError() const {
    return FAILED(m_createError) ? m_createError : m_file.Failure();
}

HRESULT AudioDestFile::NotOpenError() const {
    const HRESULT hr = LastError();
    return FAILED(hr) ? hr : E_UNEXPECTED;
}

HRESULT AudioDestFile::Prepare(std::uint64_t* epoch) {
    std::lock_guard lock(m_mutex);
    if (!m_file.IsOpen())
        return NotOpenError();
    m_paceStart = std::chrono::steady_clock::now();
    m_pacedBytes = 0;
    *epoch = m_epoch;
    return S_OK;
}

HRESULT AudioDestFile::Write(std::uint64_t epoch, const void* data, std::size_t bytes) {
    std::unique_lock lock(m_mutex);
    if (epoch != m_epoch)
        return E_ABORT;
    if (!m_file.IsOpen())
        return NotOpenError();
    HRESULT hr = m_file.Write(data, bytes);
    if (FAILED(hr))
        return hr;
    if (m_realTime != kAsFastAsPossible && m_format.nAvgBytesPerSec) {
        m_pacedBytes += bytes;
        const double seconds = static_cast<double>(m_pacedBytes) / m_format.nAvgBytesPerSec *
                               kRealTimeUnit / m_realTime;
        const auto due = m_paceStart + std::chrono::duration_cast<std::chrono::nanoseconds>(
                                           std::chrono::duration<double>(seconds));
        m_wake.wait_until(lock, due, [&] { return epoch != m_epoch; });
    }
    return epoch == m_epoch ? S_OK : E_ABORT;
}

HRESULT AudioDestFile::Complete(std::uint64_t epoch) {
    std::lock_guard lock(m_mutex);
    return epoch == m_epoch ? S_OK : E_ABORT;
}

void AudioDestFile::Reset() {
    {
        std::lock_guard lock(m_mutex);
        ++m_epoch;
    }
    m_wake.notify_all();
}
