#include "platform/sapi5/SpStream.h"

#include "platform/audio/PcmConverter.h"
#include "platform/com/com.h"

#include <filesystem>
#include <system_error>

SpStream::~SpStream() {
    Close();
}

HRESULT SpStream::BindToFile(LPCWSTR fileName, SPFILEMODE mode, const GUID* formatId,
                             const WAVEFORMATEX* waveFormat, ULONGLONG /*eventInterest*/) {
    if (!fileName)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    if (m_state != State::Unbound)
        return SPERR_ALREADY_INITIALIZED;
    // The runtime writes files; reading one back is not something it offers.
    if (mode != SPFM_CREATE_ALWAYS && mode != SPFM_CREATE)
        return E_NOTIMPL;
    if (!formatId || !waveFormat || *formatId != SPDFID_WaveFormatEx)
        return E_INVALIDARG;
    if (!PcmConverter::IsSupported(*waveFormat))
        return SPERR_UNSUPPORTED_FORMAT;

    std::u16string path(fileName);
    if (mode == SPFM_CREATE) {
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::path(path), error))
            return E_ACCESSDENIED;
    }
    HRESULT hr = m_file.Create(path, *waveFormat);
    if (FAILED(hr))
        return hr;
    m_format = *waveFormat;
    m_format.cbSize = 0;
    m_state = State::Open;
    return S_OK;
}

HRESULT SpStream::GetFormat(GUID* formatId, WAVEFORMATEX** coMemWaveFormat) {
    if (!formatId || !coMemWaveFormat)
        return E_POINTER;
    *coMemWaveFormat = nullptr;
    std::lock_guard lock(m_mutex);
    if (m_state == State::Unbound)
        return SPERR_UNINITIALIZED;
    auto* copy = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (!copy)
        return E_OUTOFMEMORY;
    *copy = m_format;
    *formatId = SPDFID_WaveFormatEx;
    *coMemWaveFormat = copy;
    return S_OK;
}

HRESULT SpStream::Write(const void* data, ULONG bytes, ULONG* written) {
    if (written)
        *written = 0;
    std::lock_guard lock(m_mutex);
    switch (m_state) {
    case State::Unbound:
        return SPERR_UNINITIALIZED;
    case State::Closed:
        return SPERR_STREAM_CLOSED;
    case State::Failed:
        return m_file.Failure();
    case State::Open:
        break;
    }
    HRESULT hr = m_file.Write(data, bytes);
    if (FAILED(hr)) {
        m_state = State::Failed;
        return hr;
    }
    if (written)
        *written = bytes;
    return S_OK;
}

HRESULT SpStream::Close() {
    std::lock_guard lock(m_mutex);
    if (m_state != State::Open) {
        if (m_state != State::Unbound)
            m_state = State::Closed;
        return S_OK;
    }
    m_state = State::Closed;
    return m_file.Finish();
}
