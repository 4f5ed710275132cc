#pragma once
// Encodes PCM audio to one format of a WMA codec catalogue through the
// Windows Media Format writer: builds the format's profile, takes the WAV's
// PCM as time-stamped samples and sets up the VBR preprocessing passes. A
// failure gives back the message it would show (with the error icon). Used
// on one thread only.

#include "platform/audio/mmreg.h"
#include "platform/com/ComPtr.h"
#include "platform/wmf/wmsdk.h"
#include "src/audio/WmaCodecEntry.h"
#include "src/resources/UserMessage.h"

#include <cstdint>
#include <string>

class WmaCodecCatalogue;

class WmaWriter {
public:
    // The catalogue must outlive the writer.
    explicit WmaWriter(const WmaCodecCatalogue& catalogue);
    ~WmaWriter(); // resetWriter()
    WmaWriter(const WmaWriter&) = delete;
    WmaWriter& operator=(const WmaWriter&) = delete;

    // Ends writing (EndWriting, result ignored) and forgets the selected format.
    void resetWriter();
    bool buildProfile(int codecIndex, int formatIndex);
    // IDS_WMA_PROFILE to IDS_WMA_MAX_PASSES.
    Result<> openWriter(const WAVEFORMATEX* format, int codecIndex, int formatIndex,
                        const std::u16string& wmaPath);
    // One chunk as one sample. A sample the runtime refuses gives its message
    // (IDS_WMA_ALLOCATE_SAMPLE to IDS_WMA_WRITE_SAMPLE); without a writer the
    // message shows no box.
    Result<> writeChunk(const void* data, std::uint32_t byteCount, bool preprocess);
    HRESULT beginPreprocessingPass();
    HRESULT endPreprocessingPass();
    // The next pass reads the same audio again: its time stamps start anew.
    void RestartPass() { m_sampleTime = 0; }
    // Completes the file and lets the writer go; the runtime's verdict on the
    // last samples it had buffered is the result.
    HRESULT EndWriting();

    // The preprocessing passes to run before the writing pass; 0 for CBR.
    std::uint32_t passCount() const { return m_passCount; }
    // Mode 0 (no enumerator) when none is selected.
    const WmaFormatEntry& selectedFormat() const { return m_selectedFormat; }
    // 100 ns units: the end of the last chunk of this pass.
    std::uint64_t sampleTime() const { return m_sampleTime; }
    // Whether openWriter got as far as opening the output file.
    bool OutputOpened() const { return m_outputOpened; }

private:
    // Every input takes the WAV's PCM; the audio goes to the last one.
    Result<> ConfigureInputs();
    Result<> ConfigureInput(DWORD input);
    Result<> DeliverSample(INSSBuffer* sample, const void* data, std::uint32_t byteCount,
                           bool preprocess);

    const WmaCodecCatalogue& m_catalogue;
    ComPtr<IWMProfile> m_profile;
    ComPtr<IWMWriterPreprocess> m_preprocessor;
    ComPtr<IWMWriter> m_writer;
    DWORD m_inputNumber = 0;
    WAVEFORMATEX m_inputFormat{};
    std::uint64_t m_sampleTime = 0;
    std::uint32_t m_passCount = 0;
    WmaFormatEntry m_selectedFormat;
    bool m_outputOpened = false;
};
