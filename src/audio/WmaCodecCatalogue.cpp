#include "src/audio/WmaCodecCatalogue.h"

#include "src/resources/MessageService.h"
#include "src/resources/resource.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

bool ShowError(UINT id) {
    AfxMessageBox(id, MB_ICONERROR);
    return false;
}

std::uint32_t& CountOf(WmaCodecEntry& entry, WmaEncodingMode mode) {
    switch (mode) {
    case WmaEncodingMode::VbrOnePass:
        return entry.vbrOnePassCount;
    case WmaEncodingMode::VbrTwoPass:
        return entry.vbrTwoPassCount;
    default:
        return entry.cbrCount;
    }
}

constexpr std::uint64_t kUnitsPerSecond = 10'000'000;

} // namespace

WmaCodecCatalogue::~WmaCodecCatalogue() {
    close();
}

bool WmaCodecCatalogue::enumerate() {
    if (enumerated)
        return true;
    // A list left by a failed or closed enumeration is built again, not added to.
    codecs.clear();
    if (!profileManager && FAILED(WMCreateProfileManager(&profileManager)))
        return false;

    IWMProfileManager2* manager2 = nullptr;
    if (SUCCEEDED(profileManager->QueryInterface(IID_IWMProfileManager2,
                                                 reinterpret_cast<void**>(&manager2)))) {
        manager2->SetSystemProfileVersion(WMT_VER_9_0);
        SafeRelease(manager2);
    }
    if (!codecInfo && FAILED(profileManager->QueryInterface(IID_IWMCodecInfo3,
                                                            reinterpret_cast<void**>(&codecInfo))))
        return false;

    DWORD codecCount = 0;
    if (FAILED(codecInfo->GetCodecInfoCount(WMMEDIATYPE_Audio, &codecCount)))
        return false;
    for (DWORD c = 0; c < codecCount; ++c) {
        DWORD length = 0;
        if (FAILED(codecInfo->GetCodecName(WMMEDIATYPE_Audio, c, nullptr, &length)))
            return false;
        std::vector<WCHAR> name(std::size_t{length} + 1);
        DWORD size = length + 1;
        if (FAILED(codecInfo->GetCodecName(WMMEDIATYPE_Audio, c, name.data(), &size)))
            return false;
        name[length] = 0;

        WmaCodecEntry entry;
        entry.name = name.data();
        fillGroup(c, entry, WmaEncodingMode::Cbr);
        fillGroup(c, entry, WmaEncodingMode::VbrOnePass);
        fillGroup(c, entry, WmaEncodingMode::VbrTwoPass);
        codecs.push_back(std::move(entry));
    }
    enumerated = true;
    return true;
}

// A CBR-only codec does not know "_VBRENABLED" at all; that is no reason to
// drop its CBR formats.
HRESULT WmaCodecCatalogue::applyEnumerationSettings(DWORD codecIndex, WmaEncodingMode mode) {
    const BOOL vbr = mode == WmaEncodingMode::Cbr ? FALSE : TRUE;
    HRESULT hr = codecInfo->SetCodecEnumerationSetting(
        WMMEDIATYPE_Audio, codecIndex, g_wszVBREnabled, WMT_TYPE_BOOL,
        reinterpret_cast<const BYTE*>(&vbr), sizeof vbr);
    if (FAILED(hr))
        return mode == WmaEncodingMode::Cbr && hr == NS_E_UNSUPPORTED_PROPERTY ? S_OK : hr;
    if (mode == WmaEncodingMode::Cbr)
        return S_OK;
    const DWORD passes = mode == WmaEncodingMode::VbrOnePass ? 1 : 2;
    return codecInfo->SetCodecEnumerationSetting(
        WMMEDIATYPE_Audio, codecIndex, g_wszNumPasses, WMT_TYPE_DWORD,
        reinterpret_cast<const BYTE*>(&passes), sizeof passes);
}

// A group that fails keeps what it has added; the other groups are still tried.
void WmaCodecCatalogue::fillGroup(DWORD codecIndex, WmaCodecEntry& entry, WmaEncodingMode mode) {
    if (FAILED(applyEnumerationSettings(codecIndex, mode)))
        return;
    DWORD formatCount = 0;
    if (FAILED(codecInfo->GetCodecFormatCount(WMMEDIATYPE_Audio, codecIndex, &formatCount)))
        return;
    for (DWORD f = 0; f < formatCount; ++f) {
        std::u16string description;
        if (FAILED(readFormatDescription(codecIndex, f, description)))
            return;
        entry.formats.push_back({std::move(description), mode});
        ++CountOf(entry, mode);
    }
}

HRESULT WmaCodecCatalogue::readFormatDescription(DWORD codecIndex, DWORD position,
                                                 std::u16string& description) {
    DWORD length = 0;
    HRESULT hr = codecInfo->GetCodecFormatDesc(WMMEDIATYPE_Audio, codecIndex, position, nullptr,
                                               nullptr, &length);
    if (FAILED(hr))
        return hr;
    std::vector<WCHAR> text(std::size_t{length} + 1);
    DWORD size = length + 1;
    hr = codecInfo->GetCodecFormatDesc(WMMEDIATYPE_Audio, codecIndex, position, nullptr,
                                       text.data(), &size);
    if (FAILED(hr))
        return hr;
    text[length] = 0;
    description = text.data();
    return S_OK;
}

void WmaCodecCatalogue::close() {
    resetWriter();
    SafeRelease(codecInfo);
    SafeRelease(profileManager);
    enumerated = false;
}

void WmaCodecCatalogue::resetWriter() {
    if (writer) {
        writer->EndWriting();
        SafeRelease(writer);
    }
    SafeRelease(profile);
    SafeRelease(preprocessor);
    inputNumber = 0;
    sampleTime = 0;
    passCount = 0;
    inputFormat = WAVEFORMATEX{};
    selectedFormat.mode = WmaEncodingMode{};
    selectedFormat.description.clear();
}

bool WmaCodecCatalogue::buildProfile(int codecIndex, int formatIndex) {
    SafeRelease(profile);
    // After close() the list is still there but the runtime objects are not.
    if (!codecInfo || !profileManager)
        return false;
    if (codecIndex < 0 || static_cast<std::size_t>(codecIndex) >= codecs.size())
        return false;
    const WmaCodecEntry& codec = codecs[static_cast<std::size_t>(codecIndex)];
    if (codec.formats.empty() || formatIndex < 0 ||
        static_cast<std::size_t>(formatIndex) >= codec.formats.size())
        return false;
    selectedFormat = codec.formats[static_cast<std::size_t>(formatIndex)];

    const DWORD c = static_cast<DWORD>(codecIndex);
    if (FAILED(applyEnumerationSettings(c, selectedFormat.mode)))
        return false;
    DWORD formatCount = 0;
    if (FAILED(codecInfo->GetCodecFormatCount(WMMEDIATYPE_Audio, c, &formatCount)))
        return false;

    // The runtime numbers formats within the group the settings selected.
    std::int64_t position = formatIndex;
    if (selectedFormat.mode == WmaEncodingMode::VbrOnePass)
        position -= codec.cbrCount;
    else if (selectedFormat.mode == WmaEncodingMode::VbrTwoPass)
        position -= std::int64_t{codec.cbrCount} + codec.vbrOnePassCount;
    if (position < 0 || position >= formatCount)
        return false;
    const DWORD g = static_cast<DWORD>(position);

    // The runtime may list other formats now than when the list was built.
    std::u16string description;
    if (FAILED(readFormatDescription(c, g, description)) ||
        description != selectedFormat.description)
        return false;

    IWMStreamConfig* config = nullptr;
    if (FAILED(codecInfo->GetCodecFormat(WMMEDIATYPE_Audio, c, g, &config)))
        return false;
    bool built = SUCCEEDED(config->SetStreamNumber(1)) &&
                 SUCCEEDED(profileManager->CreateEmptyProfile(WMT_VER_9_0, &profile));
    if (built && FAILED(profile->AddStream(config))) {
        SafeRelease(profile);
        built = false;
    }
    SafeRelease(config);
    return built;
}

bool WmaCodecCatalogue::openWriter(const WAVEFORMATEX* format, int codecIndex, int formatIndex,
                                   const std::u16string& wmaPath) {
    resetWriter();
    if (!format)
        return false;
    std::memcpy(&inputFormat, format, sizeof inputFormat);
    inputFormat.cbSize = 0;

    if (!buildProfile(codecIndex, formatIndex))
        return ShowError(IDS_WMA_PROFILE);
    if (FAILED(WMCreateWriter(nullptr, &writer)))
        return ShowError(IDS_WMA_CREATE_WRITER);
    if (FAILED(writer->SetProfile(profile)))
        return ShowError(IDS_WMA_SET_PROFILE);
    if (!configureInputs())
        return false;
    if (FAILED(writer->SetOutputFilename(wmaPath.c_str())))
        return ShowError(IDS_WMA_OUTPUT_FILE);
    outputOpened = true;

    const bool vbr = selectedFormat.mode != WmaEncodingMode::Cbr;
    if (vbr && FAILED(writer->QueryInterface(IID_IWMWriterPreprocess,
                                             reinterpret_cast<void**>(&preprocessor))))
        return ShowError(IDS_WMA_PREPROCESS);
    if (FAILED(writer->BeginWriting()))
        return ShowError(IDS_WMA_BEGIN_WRITING);
    if (vbr) {
        DWORD passes = 0;
        if (FAILED(preprocessor->GetMaxPreprocessingPasses(inputNumber, 0, &passes)))
            return ShowError(IDS_WMA_MAX_PASSES);
        passCount = passes;
        // Without preprocessing the file is still written, only less well.
        if (passCount > 0 &&
            FAILED(preprocessor->SetNumPreprocessingPasses(inputNumber, 0, passCount)))
            passCount = 0;
    }
    return true;
}

// Every input takes the WAV's PCM; the audio goes to the last one.
bool WmaCodecCatalogue::configureInputs() {
    DWORD inputCount = 0;
    if (FAILED(writer->GetInputCount(&inputCount)))
        return ShowError(IDS_WMA_INPUT_COUNT);
    IWMInputMediaProps* props = nullptr;
    bool ok = true;
    for (DWORD i = 0; i < inputCount && ok; ++i) {
        SafeRelease(props);
        inputNumber = i;
        GUID type{};
        if (FAILED(writer->GetInputProps(i, &props))) {
            ok = ShowError(IDS_WMA_INPUT_PROPS);
        } else if (FAILED(props->GetType(&type))) {
            ok = ShowError(IDS_WMA_INPUT_TYPE);
        } else if (!(type == WMMEDIATYPE_Audio)) {
            ok = ShowError(IDS_WMA_INVALID_INPUT);
        } else {
            WM_MEDIA_TYPE pcm{};
            pcm.majortype = WMMEDIATYPE_Audio;
            pcm.subtype = WMMEDIASUBTYPE_PCM;
            pcm.bFixedSizeSamples = TRUE;
            pcm.bTemporalCompression = FALSE;
            pcm.lSampleSize = inputFormat.nBlockAlign;
            pcm.formattype = WMFORMAT_WaveFormatEx;
            pcm.pUnk = nullptr;
            pcm.cbFormat = sizeof(WAVEFORMATEX) + inputFormat.cbSize;
            pcm.pbFormat = reinterpret_cast<BYTE*>(&inputFormat);
            if (FAILED(props->SetMediaType(&pcm)))
                ok = ShowError(IDS_WMA_SET_MEDIA_TYPE);
            else if (FAILED(writer->SetInputProps(i, props)))
                ok = ShowError(IDS_WMA_INPUT_REFUSED);
        }
    }
    SafeRelease(props);
    return ok;
}

HRESULT WmaCodecCatalogue::writeChunk(const void* data, std::uint32_t byteCount, bool preprocess) {
    if (!writer || (preprocess && !preprocessor))
        return E_POINTER;
    INSSBuffer* sample = nullptr;
    HRESULT hr = writer->AllocateSample(byteCount, &sample);
    if (FAILED(hr)) {
        ShowError(IDS_WMA_ALLOCATE_SAMPLE);
        return hr;
    }
    BYTE* buffer = nullptr;
    DWORD length = 0;
    hr = sample->GetBufferAndLength(&buffer, &length);
    if (SUCCEEDED(hr) && !buffer && length)
        hr = E_POINTER;
    if (FAILED(hr)) {
        ShowError(IDS_WMA_SAMPLE_BUFFER);
        SafeRelease(sample);
        return hr;
    }
    // The chunk holds byteCount bytes and no more, whatever the sample offers.
    length = std::min<DWORD>(length, byteCount);
    if (length)
        std::memcpy(buffer, data, length);
    hr = sample->SetLength(length);
    if (FAILED(hr)) {
        ShowError(IDS_WMA_SAMPLE_LENGTH);
        SafeRelease(sample);
        return hr;
    }
    if (inputFormat.nAvgBytesPerSec)
        sampleTime += std::uint64_t{length} * kUnitsPerSecond / inputFormat.nAvgBytesPerSec;
    if (preprocess) {
        hr = preprocessor->PreprocessSample(inputNumber, sampleTime, 0, sample);
        if (FAILED(hr))
            ShowError(IDS_WMA_PREPROCESS_SAMPLE);
    } else {
        hr = writer->WriteSample(inputNumber, sampleTime, 0, sample);
        if (FAILED(hr))
            ShowError(IDS_WMA_WRITE_SAMPLE);
    }
    SafeRelease(sample);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT WmaCodecCatalogue::beginPreprocessingPass() {
    if (!preprocessor)
        return E_POINTER;
    return preprocessor->BeginPreprocessingPass(inputNumber, 0);
}

HRESULT WmaCodecCatalogue::endPreprocessingPass() {
    if (!preprocessor)
        return E_POINTER;
    return preprocessor->EndPreprocessingPass(inputNumber, 0);
}

HRESULT WmaCodecCatalogue::endWriting() {
    if (!writer)
        return E_POINTER;
    HRESULT hr = writer->EndWriting();
    SafeRelease(writer);
    return hr;
}
