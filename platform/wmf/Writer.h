#pragma once
// The writer: one audio input of PCM, one WMA stream out, written to an ASF
// file. Its encoders are CBR, so it offers no preprocessing passes.

#include "platform/com/unknown.h"
#include "platform/wmf/AsfAudioEncoder.h"
#include "platform/wmf/MediaType.h"
#include "platform/wmf/WmaCodecTable.h"
#include "platform/wmf/wmsdk.h"

#include <optional>
#include <string>

class WMWriter : public ComObject<WMWriter, IWMWriter, IWMWriterPreprocess> {
public:
    // A writer let go while writing completes its file on the way.
    ~WMWriter() override = default;

    HRESULT SetProfile(IWMProfile* profile) override;
    HRESULT SetOutputFilename(LPCWSTR fileName) override;
    HRESULT GetInputCount(DWORD* inputs) override;
    HRESULT GetInputProps(DWORD inputNumber, IWMInputMediaProps** props) override;
    HRESULT SetInputProps(DWORD inputNumber, IWMInputMediaProps* props) override;
    HRESULT BeginWriting() override;
    HRESULT EndWriting() override;
    HRESULT AllocateSample(DWORD size, INSSBuffer** sample) override;
    HRESULT WriteSample(DWORD inputNumber, QWORD sampleTime, DWORD flags,
                        INSSBuffer* sample) override;

    HRESULT GetMaxPreprocessingPasses(DWORD inputNumber, DWORD flags, DWORD* passes) override;
    HRESULT SetNumPreprocessingPasses(DWORD inputNumber, DWORD flags, DWORD passes) override;
    HRESULT BeginPreprocessingPass(DWORD inputNumber, DWORD flags) override;
    HRESULT PreprocessSample(DWORD inputNumber, QWORD sampleTime, DWORD flags,
                             INSSBuffer* sample) override;
    HRESULT EndPreprocessingPass(DWORD inputNumber, DWORD flags) override;

private:
    WmaFormatMatch m_output;
    std::optional<WAVEFORMATEX> m_input; // the PCM the input takes
    AsfAudioEncoder m_encoder;
};

// Whether the writer can take this input type: PCM, 8 or 16 bits, mono or
// stereo, 8 to 48 kHz, with consistent derived fields.
bool IsAcceptedPcmInput(const MediaType& type);
