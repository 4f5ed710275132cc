#include "platform/sapi4/MMAudioDest.h"

HRESULT MMAudioDest::CustomMessage(UINT, SDATA) {
    return E_NOTIMPL;
}

HRESULT MMAudioDest::DeviceNumGet(DWORD* deviceId) {
    if (!deviceId)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    *deviceId = m_deviceId;
    return S_OK;
}

HRESULT MMAudioDest::DeviceNumSet(DWORD deviceId) {
    // The default output is the only device there is: it answers both to the
    // wave mapper and to the first device number.
    if (deviceId != WAVE_MAPPER && deviceId != 0)
        return E_INVALIDARG;
    std::lock_guard lock(m_mutex);
    m_deviceId = deviceId;
    return S_OK;
}

void MMAudioDest::Bind(const WAVEFORMATEX& format) {
    std::lock_guard lock(m_mutex);
    m_format = format;
    m_bound = true;
    m_reopen = true;
}

HRESULT MMAudioDest::Prepare(std::uint64_t* epoch) {
    std::lock_guard lock(m_mutex);
    if (!m_bound)
        return E_UNEXPECTED;
    if (m_reopen.exchange(false) || !m_output.IsOpen()) {
        m_output.Close();
        HRESULT hr = m_output.Open(m_format);
        if (FAILED(hr))
            return hr;
    }
    *epoch = m_epoch;
    return S_OK;
}

HRESULT MMAudioDest::Write(std::uint64_t epoch, const void* data, std::size_t bytes) {
    std::lock_guard lock(m_mutex);
    if (epoch != m_epoch)
        return E_ABORT;
    return m_output.Write(data, bytes);
}

HRESULT MMAudioDest::Complete(std::uint64_t epoch) {
    std::lock_guard lock(m_mutex);
    if (epoch != m_epoch)
        return E_ABORT;
    return m_output.Finish();
}

void MMAudioDest::Reset() {
    ++m_epoch;
    m_reopen = true;
    m_output.Abort();
}
