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
    std::lock_guard lock(mutex_);
    if (state_ != State::Unbound)
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
    HRESULT hr = file_.Create(path, *waveFormat);
    if (FAILED(hr))
        return hr;
    format_ = *waveFormat;
    format_.cbSize = 0;
    state_ = State::Open;
    return S_OK;
}

HRESULT SpStream::GetFormat(GUID* formatId, WAVEFORMATEX** coMemWaveFormat) {
    if (!formatId || !coMemWaveFormat)
        return E_POINTER;
    *coMemWaveFormat = nullptr;
    std::lock_guard lock(mutex_);
    if (state_ == State::Unbound)
        return SPERR_UNINITIALIZED;
    auto* copy = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (!copy)
        return E_OUTOFMEMORY;
    *copy = format_;
    *formatId = SPDFID_WaveFormatEx;
    *coMemWaveFormat = copy;
    return S_OK;
}

HRESULT SpStream::Write(const void* data, ULONG bytes, ULONG* written) {
    if (written)
        *written = 0;
    std::lock_guard lock(mutex_);
    switch (state_) {
    case State::Unbound:
        return SPERR_UNINITIALIZED;
    case State::Closed:
        return SPERR_STREAM_CLOSED;
    case State::Failed:
        return file_.Failure();
    case State::Open:
        break;
    }
    HRESULT hr = file_.Write(data, bytes);
    if (FAILED(hr)) {
        state_ = State::Failed;
        return hr;
    }
    if (written)
        *written = bytes;
    return S_OK;
}

HRESULT SpStream::Close() {
    std::lock_guard lock(mutex_);
    if (state_ != State::Open) {
        if (state_ != State::Unbound)
            state_ = State::Closed;
        return S_OK;
    }
    state_ = State::Closed;
    return file_.Finish();
}
