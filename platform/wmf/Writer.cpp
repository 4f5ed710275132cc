#include "platform/wmf/Writer.h"

#include "platform/com/ComPtr.h"
#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/wmf/InputMediaProps.h"
#include "platform/wmf/SampleBuffer.h"

namespace {

constexpr DWORD kMinInputRate = 8000;
constexpr DWORD kMaxInputRate = 48000;

// What the input takes until the caller says otherwise: 16-bit PCM at the
// stream's rate and channel count, which needs no conversion.
WAVEFORMATEX DefaultInput(const WmaOutputFormat& output) {
    return MakePcmFormat(output.samplesPerSec, 16, output.channels);
}

} // namespace

bool IsAcceptedPcmInput(const MediaType& type) {
    const WM_MEDIA_TYPE& t = type.Type();
    if (!(t.majortype == WMMEDIATYPE_Audio) || !(t.subtype == WMMEDIASUBTYPE_PCM))
        return false;
    auto wf = type.WaveFormat();
    if (!wf || wf->wFormatTag != WAVE_FORMAT_PCM)
        return false;
    if (wf->wBitsPerSample != 8 && wf->wBitsPerSample != 16)
        return false;
    if (wf->nChannels != 1 && wf->nChannels != 2)
        return false;
    if (wf->nSamplesPerSec < kMinInputRate || wf->nSamplesPerSec > kMaxInputRate)
        return false;
    return wf->nBlockAlign == wf->nChannels * wf->wBitsPerSample / 8 &&
           wf->nAvgBytesPerSec == wf->nSamplesPerSec * wf->nBlockAlign;
}

HRESULT WMWriter::SetProfile(IWMProfile* profile) {
    if (!profile)
        return E_POINTER;
    if (m_encoder.Begun())
        return NS_E_INVALID_REQUEST;
    DWORD count = 0;
    HRESULT hr = profile->GetStreamCount(&count);
    if (FAILED(hr))
        return hr;
    // One WMA audio stream is all this writer produces.
    if (count != 1)
        return NS_E_INVALID_OUTPUT_FORMAT;
    ComPtr<IWMStreamConfig> config;
    hr = profile->GetStream(0, config.Put());
    if (FAILED(hr))
        return hr;
    MediaType type;
    hr = MediaType::ReadFromStream(config.Get(), &type);
    if (FAILED(hr))
        return hr;
    auto wf = type.WaveFormat();
    WmaFormatMatch match;
    if (type.Type().majortype == WMMEDIATYPE_Audio && wf)
        match = FindWmaFormat(*wf);
    if (!match.format)
        return NS_E_INVALID_OUTPUT_FORMAT;
    m_output = match;
    m_input = DefaultInput(*match.format);
    return S_OK;
}

HRESULT WMWriter::SetOutputFilename(LPCWSTR fileName) {
    if (!fileName)
        return E_POINTER;
    if (m_encoder.Begun())
        return NS_E_INVALID_REQUEST;
    // A name given again replaces the file opened for the earlier one.
    if (m_encoder.Created())
        m_encoder.Close();
    return m_encoder.Create(ToUtf8(fileName));
}

HRESULT WMWriter::GetInputCount(DWORD* inputs) {
    if (!inputs)
        return E_POINTER;
    if (!m_output.format)
        return NS_E_INVALID_REQUEST;
    *inputs = 1;
    return S_OK;
}

HRESULT WMWriter::GetInputProps(DWORD inputNumber, IWMInputMediaProps** props) {
    if (!props)
        return E_POINTER;
    *props = nullptr;
    if (!m_output.format)
        return NS_E_INVALID_REQUEST;
    if (inputNumber != 0)
        return E_INVALIDARG;
    return CreateComInstance<WMInputMediaProps>(
        IID_IWMInputMediaProps, reinterpret_cast<void**>(props), MediaType::Audio(*m_input));
}

HRESULT WMWriter::SetInputProps(DWORD inputNumber, IWMInputMediaProps* props) {
    if (!props)
        return E_POINTER;
    if (!m_output.format || m_encoder.Begun())
        return NS_E_INVALID_REQUEST;
    if (inputNumber != 0)
        return E_INVALIDARG;
    MediaType type;
    HRESULT hr = MediaType::ReadFrom(props, &type);
    if (FAILED(hr))
        return hr;
    if (!IsAcceptedPcmInput(type))
        return NS_E_INVALID_INPUT_FORMAT;
    m_input = type.WaveFormat();
    m_input->cbSize = 0;
    return S_OK;
}

HRESULT WMWriter::BeginWriting() {
    if (!m_output.format || !m_encoder.Created() || m_encoder.Begun())
        return NS_E_INVALID_REQUEST;
    return m_encoder.Begin(*m_input, *m_output.codec, *m_output.format);
}

HRESULT WMWriter::EndWriting() {
    if (!m_encoder.Begun())
        return NS_E_INVALID_REQUEST;
    return m_encoder.Close();
}

HRESULT WMWriter::AllocateSample(DWORD size, INSSBuffer** sample) {
    if (!sample)
        return E_POINTER;
    return CreateComInstance<NSSBuffer>(IID_INSSBuffer, reinterpret_cast<void**>(sample), size);
}

// The audio is one continuous stream: its clock is the count of samples
// received, so the time stamps given with the samples are not needed.
HRESULT WMWriter::WriteSample(DWORD inputNumber, QWORD, DWORD, INSSBuffer* sample) {
    if (!sample)
        return E_POINTER;
    if (inputNumber != 0)
        return E_INVALIDARG;
    if (!m_encoder.Begun())
        return NS_E_INVALID_REQUEST;
    BYTE* data = nullptr;
    DWORD length = 0;
    HRESULT hr = sample->GetBufferAndLength(&data, &length);
    if (FAILED(hr))
        return hr;
    return m_encoder.Write(data, length);
}

// A CBR encoder gains nothing from looking at the audio first.
HRESULT WMWriter::GetMaxPreprocessingPasses(DWORD inputNumber, DWORD, DWORD* passes) {
    if (!passes)
        return E_POINTER;
    if (inputNumber != 0)
        return E_INVALIDARG;
    *passes = 0;
    return S_OK;
}

HRESULT WMWriter::SetNumPreprocessingPasses(DWORD inputNumber, DWORD, DWORD passes) {
    if (inputNumber != 0)
        return E_INVALIDARG;
    return passes == 0 ? S_OK : NS_E_INVALID_NUM_PASSES;
}

HRESULT WMWriter::BeginPreprocessingPass(DWORD, DWORD) {
    return NS_E_INVALID_REQUEST;
}

HRESULT WMWriter::PreprocessSample(DWORD, QWORD, DWORD, INSSBuffer*) {
    return NS_E_INVALID_REQUEST;
}

HRESULT WMWriter::EndPreprocessingPass(DWORD, DWORD) {
    return NS_E_INVALID_REQUEST;
}
