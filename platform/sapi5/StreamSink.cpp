#include "platform/sapi5/StreamSink.h"

#include "platform/com/com.h"

#include <limits>

StreamSink::StreamSink(ISpStream* stream) : stream_(stream) {
    stream_->AddRef();
}

StreamSink::~StreamSink() {
    SafeRelease(stream_);
}

HRESULT StreamSink::Open(const WAVEFORMATEX& synthesisFormat) {
    GUID formatId{};
    WAVEFORMATEX* format = nullptr;
    HRESULT hr = stream_->GetFormat(&formatId, &format);
    if (FAILED(hr))
        return hr;
    if (formatId == SPDFID_WaveFormatEx && format)
        hr = converter_.Open(synthesisFormat, *format);
    else
        hr = SPERR_UNSUPPORTED_FORMAT;
    CoTaskMemFree(format);
    return FAILED(hr) ? SPERR_UNSUPPORTED_FORMAT : S_OK;
}

HRESULT StreamSink::Write(const void* data, std::size_t bytes) {
    converted_.clear();
    HRESULT hr = converter_.Convert(data, bytes, converted_);
    return FAILED(hr) ? hr : WriteOut();
}

HRESULT StreamSink::Finish() {
    converted_.clear();
    HRESULT hr = converter_.Flush(converted_);
    return FAILED(hr) ? hr : WriteOut();
}

HRESULT StreamSink::WriteOut() {
    const std::uint8_t* p = converted_.data();
    std::size_t left = converted_.size();
    while (left > 0) {
        ULONG chunk =
            static_cast<ULONG>(std::min<std::size_t>(left, std::numeric_limits<ULONG>::max()));
        ULONG written = 0;
        HRESULT hr = stream_->Write(p, chunk, &written);
        if (FAILED(hr))
            return hr;
        if (written == 0)
            return STG_E_WRITEFAULT;
        p += written;
        left -= written;
    }
    return S_OK;
}
