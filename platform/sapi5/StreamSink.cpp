#include "platform/sapi5/StreamSink.h"

#include "platform/com/com.h"

#include <limits>

HRESULT StreamSink::Open(const WAVEFORMATEX& synthesisFormat) {
    GUID formatId{};
    WAVEFORMATEX* format = nullptr;
    HRESULT hr = m_stream->GetFormat(&formatId, &format);
    if (FAILED(hr))
        return hr;
    if (formatId == SPDFID_WaveFormatEx && format)
        hr = m_converter.Open(synthesisFormat, *format);
    else
        hr = SPERR_UNSUPPORTED_FORMAT;
    CoTaskMemFree(format);
    return FAILED(hr) ? SPERR_UNSUPPORTED_FORMAT : S_OK;
}

HRESULT StreamSink::Write(const void* data, std::size_t bytes) {
    m_converted.clear();
    HRESULT hr = m_converter.Convert(data, bytes, m_converted);
    return FAILED(hr) ? hr : WriteOut();
}

HRESULT StreamSink::Finish() {
    m_converted.clear();
    HRESULT hr = m_converter.Flush(m_converted);
    return FAILED(hr) ? hr : WriteOut();
}

HRESULT StreamSink::WriteOut() {
    const std::uint8_t* p = m_converted.data();
    std::size_t left = m_converted.size();
    while (left > 0) {
        ULONG chunk =
            static_cast<ULONG>(std::min<std::size_t>(left, std::numeric_limits<ULONG>::max()));
        ULONG written = 0;
        HRESULT hr = m_stream->Write(p, chunk, &written);
        if (FAILED(hr))
            return hr;
        if (written == 0)
            return STG_E_WRITEFAULT;
        p += written;
        left -= written;
    }
    return S_OK;
}
