#include "src/audio/WmaWriter.h"

#include "src/audio/AudioError.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/resources/resource.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint64_t kUnitsPerSecond = 10'000'000;

} // namespace

WmaWriter::WmaWriter(const WmaCodecCatalogue& catalogue) : m_catalogue(catalogue) {}

WmaWriter::~WmaWriter() {
    resetWriter();
}

void WmaWriter::resetWriter() {
    if (m_writer) {
        m_writer->EndWriting();
        m_writer.Reset();
    }
    m_profile.Reset();
    m_preprocessor.Reset();
    m_inputNumber = 0;
    m_sampleTime = 0;
    m_passCount = 0;
    m_inputFormat = WAVEFORMATEX{};
    m_selectedFormat.mode = WmaEncodingMode{};
    m_selectedFormat.description.clear();
}

bool WmaWriter::buildProfile(int codecIndex, int formatIndex) {
    m_profile.Reset();
    const WmaFormatEntry* format = m_catalogue.format(codecIndex, formatIndex);
    if (!format)
        return false;
    m_selectedFormat = *format;
    m_profile = m_catalogue.CreateProfile(codecIndex, formatIndex);
    return m_profile.Get() != nullptr;
}

Result<> WmaWriter::openWriter(const WAVEFORMATEX* format, int codecIndex, int formatIndex,
                               const std::u16string& wmaPath) {
    resetWriter();
    if (!format)
        return UserMessage{};
    std::memcpy(&m_inputFormat, format, sizeof m_inputFormat);
    m_inputFormat.cbSize = 0;

    if (!buildProfile(codecIndex, formatIndex))
        return AudioError(IDS_WMA_PROFILE);
    if (FAILED(WMCreateWriter(nullptr, m_writer.Put())))
        return AudioError(IDS_WMA_CREATE_WRITER);
    if (FAILED(m_writer->SetProfile(m_profile.Get())))
        return AudioError(IDS_WMA_SET_PROFILE);
    if (Result<> configured = ConfigureInputs(); !configured)
        return configured;
    if (FAILED(m_writer->SetOutputFilename(wmaPath.c_str())))
        return AudioError(IDS_WMA_OUTPUT_FILE);
    m_outputOpened = true;

    const bool vbr = m_selectedFormat.mode != WmaEncodingMode::Cbr;
    if (vbr && FAILED(m_writer->QueryInterface(IID_IWMWriterPreprocess, m_preprocessor.PutVoid())))
        return AudioError(IDS_WMA_PREPROCESS);
    if (FAILED(m_writer->BeginWriting()))
        return AudioError(IDS_WMA_BEGIN_WRITING);
    if (vbr) {
        DWORD passes = 0;
        if (FAILED(m_preprocessor->GetMaxPreprocessingPasses(m_inputNumber, 0, &passes)))
            return AudioError(IDS_WMA_MAX_PASSES);
        m_passCount = passes;
        // Without preprocessing the file is still written, only less well.
        if (m_passCount > 0 &&
            FAILED(m_preprocessor->SetNumPreprocessingPasses(m_inputNumber, 0, m_passCount)))
            m_passCount = 0;
    }
    return {};
}

Result<> WmaWriter::ConfigureInputs() {
    DWORD inputCount = 0;
    if (FAILED(m_writer->GetInputCount(&inputCount)))
        return AudioError(IDS_WMA_INPUT_COUNT);
    for (DWORD i = 0; i < inputCount; ++i) {
        m_inputNumber = i;
        if (Result<> configured = ConfigureInput(i); !configured)
            return configured;
    }
    return {};
}

Result<> WmaWriter::ConfigureInput(DWORD input) {
    ComPtr<IWMInputMediaProps> props;
    if (FAILED(m_writer->GetInputProps(input, props.Put())))
        return AudioError(IDS_WMA_INPUT_PROPS);
    GUID type{};
    UINT failure = 0;
    if (FAILED(props->GetType(&type))) {
        failure = IDS_WMA_INPUT_TYPE;
    } else if (!(type == WMMEDIATYPE_Audio)) {
        failure = IDS_WMA_INVALID_INPUT;
    } else {
        WM_MEDIA_TYPE pcm{};
        pcm.majortype = WMMEDIATYPE_Audio;
        pcm.subtype = WMMEDIASUBTYPE_PCM;
        pcm.bFixedSizeSamples = TRUE;
        pcm.bTemporalCompression = FALSE;
        pcm.lSampleSize = m_inputFormat.nBlockAlign;
        pcm.formattype = WMFORMAT_WaveFormatEx;
        pcm.pUnk = nullptr;
        pcm.cbFormat = sizeof(WAVEFORMATEX) + m_inputFormat.cbSize;
        pcm.pbFormat = reinterpret_cast<BYTE*>(&m_inputFormat);
        if (FAILED(props->SetMediaType(&pcm)))
            failure = IDS_WMA_SET_MEDIA_TYPE;
        else if (FAILED(m_writer->SetInputProps(input, props.Get())))
            failure = IDS_WMA_INPUT_REFUSED;
    }
    if (failure)
        return AudioError(failure);
    return {};
}

Result<> WmaWriter::writeChunk(const void* data, std::uint32_t byteCount, bool preprocess) {
    if (!m_writer || (preprocess && !m_preprocessor))
        return UserMessage{};
    ComPtr<INSSBuffer> sample;
    if (FAILED(m_writer->AllocateSample(byteCount, sample.Put())))
        return AudioError(IDS_WMA_ALLOCATE_SAMPLE);
    return DeliverSample(sample.Get(), data, byteCount, preprocess);
}

Result<> WmaWriter::DeliverSample(INSSBuffer* sample, const void* data, std::uint32_t byteCount,
                                  bool preprocess) {
    BYTE* buffer = nullptr;
    DWORD length = 0;
    if (FAILED(sample->GetBufferAndLength(&buffer, &length)) || (!buffer && length))
        return AudioError(IDS_WMA_SAMPLE_BUFFER);
    // The chunk holds byteCount bytes and no more, whatever the sample offers.
    length = std::min<DWORD>(length, byteCount);
    if (length)
        std::memcpy(buffer, data, length);
    if (FAILED(sample->SetLength(length)))
        return AudioError(IDS_WMA_SAMPLE_LENGTH);
    if (m_inputFormat.nAvgBytesPerSec)
        m_sampleTime += std::uint64_t{length} * kUnitsPerSecond / m_inputFormat.nAvgBytesPerSec;
    if (preprocess) {
        if (FAILED(m_preprocessor->PreprocessSample(m_inputNumber, m_sampleTime, 0, sample)))
            return AudioError(IDS_WMA_PREPROCESS_SAMPLE);
    } else if (FAILED(m_writer->WriteSample(m_inputNumber, m_sampleTime, 0, sample))) {
        return AudioError(IDS_WMA_WRITE_SAMPLE);
    }
    return {};
}

HRESULT WmaWriter::beginPreprocessingPass() {
    if (!m_preprocessor)
        return E_POINTER;
    return m_preprocessor->BeginPreprocessingPass(m_inputNumber, 0);
}

HRESULT WmaWriter::endPreprocessingPass() {
    if (!m_preprocessor)
        return E_POINTER;
    return m_preprocessor->EndPreprocessingPass(m_inputNumber, 0);
}

HRESULT WmaWriter::EndWriting() {
    if (!m_writer)
        return E_POINTER;
    const HRESULT hr = m_writer->EndWriting();
    m_writer.Reset();
    return hr;
}
