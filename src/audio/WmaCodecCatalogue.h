#pragma once
// The WMA codecs and formats the Windows Media Format runtime offers, in the
// runtime's order, and the writer that encodes PCM audio to one of them. The
// main frame keeps one for the output dialog to read; every conversion builds
// its own, enumerates it again and writes with it. Used on one thread only.

#include "platform/audio/mmreg.h"
#include "platform/wmf/wmsdk.h"
#include "src/audio/WmaCodecEntry.h"

#include <cstdint>
#include <string>
#include <vector>

class WmaCodecCatalogue {
public:
    WmaCodecCatalogue() = default;
    // Ends any writing in progress and releases every runtime object.
    ~WmaCodecCatalogue();
    WmaCodecCatalogue(const WmaCodecCatalogue&) = delete;
    WmaCodecCatalogue& operator=(const WmaCodecCatalogue&) = delete;

    // Builds the list once; shows no message. A second call gives true.
    bool enumerate();
    // Ends writing, releases the runtime objects, clears enumerated; the list stays.
    void close();

    // Ends writing (EndWriting, result ignored) and forgets the selected format.
    void resetWriter();
    bool buildProfile(int codecIndex, int formatIndex);
    // Messages 159 to 171.
    bool openWriter(const WAVEFORMATEX* format, int codecIndex, int formatIndex,
                    const std::u16string& wmaPath);
    // One chunk as one sample. A sample the runtime refuses shows its message
    // (172 to 176) and its failure is the result; E_POINTER without a writer.
    HRESULT writeChunk(const void* data, std::uint32_t byteCount, bool preprocess);
    HRESULT beginPreprocessingPass();
    HRESULT endPreprocessingPass();
    // Completes the file and lets the writer go; the runtime's verdict on the
    // last samples it had buffered is the result.
    HRESULT endWriting();

    bool enumerated = false;
    std::vector<WmaCodecEntry> codecs;

    // Writer state the conversion pass reads and resets between passes.
    std::uint64_t sampleTime = 0; // 100 ns units: the end of the last chunk
    std::uint32_t passCount = 0;
    WmaFormatEntry selectedFormat;
    // Whether openWriter got as far as opening the output file.
    bool outputOpened = false;

private:
    HRESULT applyEnumerationSettings(DWORD codecIndex, WmaEncodingMode mode);
    void fillGroup(DWORD codecIndex, WmaCodecEntry& entry, WmaEncodingMode mode);
    HRESULT readFormatDescription(DWORD codecIndex, DWORD position, std::u16string& description);
    bool configureInputs();

    IWMProfileManager* profileManager = nullptr;
    IWMCodecInfo3* codecInfo = nullptr;
    IWMProfile* profile = nullptr;
    IWMWriterPreprocess* preprocessor = nullptr;
    IWMWriter* writer = nullptr;
    DWORD inputNumber = 0;
    WAVEFORMATEX inputFormat{};
};
