#include "platform/audio/WavFileSink.h"

HRESULT WavFileSink::Create(const std::u16string& path, const WAVEFORMATEX& format) {
    m_failure = S_OK;
    return m_writer.Create(path, format);
}

HRESULT WavFileSink::Write(const void* data, std::size_t bytes) {
    if (!m_writer.IsOpen())
        return FAILED(m_failure) ? m_failure : E_UNEXPECTED;
    const HRESULT hr = m_writer.Write(data, bytes);
    return FAILED(hr) ? Fail(hr) : S_OK;
}

HRESULT WavFileSink::Finish() {
    if (!m_writer.IsOpen())
        return m_failure;
    // A file whose end or header did not reach the disk is not left to pass
    // for complete.
    const HRESULT hr = m_writer.Finish();
    return FAILED(hr) ? Fail(hr) : S_OK;
}

HRESULT WavFileSink::Fail(HRESULT hr) {
    m_writer.Discard();
    m_failure = hr;
    return hr;
}
