#include "platform/com/com.h"
#include "platform/wmf/wmsdk.h"
#include "tests/support/ComApartment.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/ScratchFolder.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

template <class T> struct Ref {
    T* p = nullptr;
    ~Ref() { SafeRelease(p); }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
    operator T*() const { return p; }
};

template <class T> void** Out(Ref<T>& r) {
    return reinterpret_cast<void**>(&r.p);
}

std::u16string Utf16(const std::string& s) {
    return std::u16string(s.begin(), s.end());
}

struct FormatInfo {
    DWORD codec;
    DWORD format;
    std::u16string codecName;
    std::u16string description;
};

class WmfRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterWmfRuntime();
        ASSERT_EQ(WMCreateProfileManager(&manager), S_OK);
        ASSERT_EQ(manager->QueryInterface(IID_IWMCodecInfo3, Out(info)), S_OK);
    }
    void TearDown() override {
        SafeRelease(info.p);
        SafeRelease(manager.p);
    }

    std::vector<FormatInfo> AllFormats() {
        std::vector<FormatInfo> all;
        DWORD codecs = 0;
        EXPECT_EQ(info->GetCodecInfoCount(WMMEDIATYPE_Audio, &codecs), S_OK);
        for (DWORD c = 0; c < codecs; ++c) {
            WCHAR name[128] = {};
            DWORD len = 128;
            EXPECT_EQ(info->GetCodecName(WMMEDIATYPE_Audio, c, name, &len), S_OK);
            DWORD formats = 0;
            EXPECT_EQ(info->GetCodecFormatCount(WMMEDIATYPE_Audio, c, &formats), S_OK);
            for (DWORD f = 0; f < formats; ++f) {
                WCHAR desc[128] = {};
                len = 128;
                EXPECT_EQ(info->GetCodecFormatDesc(WMMEDIATYPE_Audio, c, f, nullptr, desc, &len),
                          S_OK);
                all.push_back({c, f, name, desc});
            }
        }
        return all;
    }

    // A writer set up for one codec format with a PCM input; nullptr on failure.
    HRESULT MakeWriter(DWORD codec, DWORD format, const WAVEFORMATEX& input, IWMWriter** out) {
        *out = nullptr;
        Ref<IWMStreamConfig> config;
        HRESULT hr = info->GetCodecFormat(WMMEDIATYPE_Audio, codec, format, &config);
        if (FAILED(hr) || FAILED(hr = config->SetStreamNumber(1)))
            return hr;
        Ref<IWMProfile> profile;
        if (FAILED(hr = manager->CreateEmptyProfile(WMT_VER_9_0, &profile)) ||
            FAILED(hr = profile->AddStream(config)))
            return hr;
        Ref<IWMWriter> writer;
        if (FAILED(hr = WMCreateWriter(nullptr, &writer)) ||
            FAILED(hr = writer->SetProfile(profile)))
            return hr;
        if (FAILED(hr = SetInput(writer, input)))
            return hr;
        *out = writer.p;
        writer.p = nullptr;
        return S_OK;
    }

    static HRESULT SetInput(IWMWriter* writer, const WAVEFORMATEX& input,
                            GUID subtype = WMMEDIASUBTYPE_PCM) {
        Ref<IWMInputMediaProps> props;
        HRESULT hr = writer->GetInputProps(0, &props);
        if (FAILED(hr))
            return hr;
        WAVEFORMATEX wf = input;
        WM_MEDIA_TYPE type{WMMEDIATYPE_Audio,
                           subtype,
                           TRUE,
                           FALSE,
                           input.nBlockAlign,
                           WMFORMAT_WaveFormatEx,
                           nullptr,
                           sizeof wf,
                           reinterpret_cast<BYTE*>(&wf)};
        if (FAILED(hr = props->SetMediaType(&type)))
            return hr;
        return writer->SetInputProps(0, props);
    }

    // Writes `bytes` in one-second samples cut at an odd size, so that sample
    // frames are split between samples.
    static HRESULT WriteAudio(IWMWriter* writer, const WAVEFORMATEX& input,
                              const std::vector<std::uint8_t>& bytes) {
        const std::size_t chunk = input.nAvgBytesPerSec + 1;
        QWORD time = 0;
        for (std::size_t at = 0; at < bytes.size(); at += chunk) {
            DWORD n = static_cast<DWORD>(std::min(chunk, bytes.size() - at));
            Ref<INSSBuffer> sample;
            HRESULT hr = writer->AllocateSample(n, &sample);
            if (FAILED(hr))
                return hr;
            BYTE* data = nullptr;
            DWORD length = 0;
            if (FAILED(hr = sample->GetBufferAndLength(&data, &length)))
                return hr;
            std::memcpy(data, bytes.data() + at, n);
            time += QWORD{n} * 10'000'000 / input.nAvgBytesPerSec;
            if (FAILED(hr = writer->WriteSample(0, time, 0, sample)))
                return hr;
        }
        return S_OK;
    }

    std::string PathFor(const std::string& name) const { return (dir / name).string(); }

    ComApartment com;
    ScratchFolder scratch;
    fs::path dir = scratch.Path();
    Ref<IWMProfileManager> manager;
    Ref<IWMCodecInfo3> info;
};

TEST_F(WmfRuntime, ListsTheWmaCodecsWithUniqueCbrFormatDescriptions) {
    DWORD codecs = 0;
    ASSERT_EQ(info->GetCodecInfoCount(WMMEDIATYPE_Audio, &codecs), S_OK);
    ASSERT_GE(codecs, 1u);

    // The two-call protocol: the length counts the terminating zero, a short
    // buffer is refused.
    DWORD len = 0;
    ASSERT_EQ(info->GetCodecName(WMMEDIATYPE_Audio, 0, nullptr, &len), S_OK);
    std::vector<WCHAR> name(len);
    DWORD small = len - 1;
    EXPECT_EQ(info->GetCodecName(WMMEDIATYPE_Audio, 0, name.data(), &small), ASF_E_BUFFERTOOSMALL);
    ASSERT_EQ(info->GetCodecName(WMMEDIATYPE_Audio, 0, name.data(), &len), S_OK);
    EXPECT_EQ(std::u16string(name.data()), u"Windows Media Audio V2");

    auto formats = AllFormats();
    std::set<std::pair<DWORD, std::u16string>> seen;
    for (const auto& f : formats) {
        EXPECT_TRUE(seen.insert({f.codec, f.description}).second) << "duplicate description";
        EXPECT_TRUE(f.description.ends_with(u"CBR"));
        EXPECT_NE(f.description.find(u" kbps, "), std::u16string::npos);
    }
    EXPECT_TRUE(seen.count({0, u"128 kbps, 44 kHz, stereo CBR"}));

    // Other media types have no codecs here.
    DWORD video = 7;
    EXPECT_EQ(info->GetCodecInfoCount(WMFORMAT_WaveFormatEx, &video), S_OK);
    EXPECT_EQ(video, 0u);
}

TEST_F(WmfRuntime, RefusesVbrEnumerationAndAcceptsCbr) {
    BOOL off = FALSE, on = TRUE;
    DWORD one = 1, two = 2;
    auto set = [&](LPCWSTR name, WMT_ATTR_DATATYPE type, const void* v) {
        return info->SetCodecEnumerationSetting(WMMEDIATYPE_Audio, 0, name, type,
                                                static_cast<const BYTE*>(v), 4);
    };
    EXPECT_EQ(set(g_wszVBREnabled, WMT_TYPE_BOOL, &off), S_OK);
    EXPECT_EQ(set(g_wszVBREnabled, WMT_TYPE_BOOL, &on), NS_E_UNSUPPORTED_PROPERTY);
    EXPECT_EQ(set(g_wszNumPasses, WMT_TYPE_DWORD, &one), S_OK);
    EXPECT_EQ(set(g_wszNumPasses, WMT_TYPE_DWORD, &two), NS_E_UNSUPPORTED_PROPERTY);
    EXPECT_EQ(set(u"_SOMETHINGELSE", WMT_TYPE_DWORD, &one), NS_E_UNSUPPORTED_PROPERTY);
    EXPECT_EQ(set(g_wszVBREnabled, WMT_TYPE_DWORD, &off), E_INVALIDARG);
}

// Every listed format, from the smallest and the largest PCM input the
// program writes: the file decodes, has the format's rate and channels, the
// input's length and is not silent.
TEST_F(WmfRuntime, EveryFormatWritesADecodableFileOfTheInputsLength) {
    const WAVEFORMATEX inputs[] = {MakePcmFormat(8000, 8, 1), MakePcmFormat(48000, 16, 2)};
    constexpr double kSeconds = 1.7;
    int files = 0;
    for (const auto& input : inputs) {
        const auto pcm = MakeTestSignal(input, kSeconds);
        for (const auto& f : AllFormats()) {
            SCOPED_TRACE(std::string(f.description.begin(), f.description.end()) + " codec " +
                         std::to_string(f.codec) + " from " + std::to_string(input.nSamplesPerSec));
            const std::string path = PathFor("out" + std::to_string(files++) + ".wma");
            Ref<IWMWriter> writer;
            ASSERT_EQ(MakeWriter(f.codec, f.format, input, &writer), S_OK);
            ASSERT_EQ(writer->SetOutputFilename(Utf16(path).c_str()), S_OK);
            ASSERT_EQ(writer->BeginWriting(), S_OK);
            ASSERT_EQ(WriteAudio(writer, input, pcm), S_OK);
            ASSERT_EQ(writer->EndWriting(), S_OK);

            DecodedAudio audio = DecodeAudioFile(path);
            ASSERT_TRUE(audio.opened);
            EXPECT_EQ(audio.container, "asf");
            EXPECT_EQ(audio.codec, f.codec == 0 ? "wmav2" : "wmav1");
            EXPECT_EQ(audio.decodeErrors, 0);
            const int rate = std::stoi(std::string(f.description.begin(), f.description.end())
                                           .substr(f.description.find(u", ") + 2));
            EXPECT_EQ(audio.sampleRate / 1000, rate);
            EXPECT_EQ(audio.channels, f.description.find(u"mono") != std::u16string::npos ? 1 : 2);
            // Within two of the encoder's frames (2048 samples at most).
            const double frames = 2 * 2048.0 / audio.sampleRate;
            // None of the input is lost at the end.
            EXPECT_GE(audio.seconds, kSeconds - 0.001);
            EXPECT_LE(audio.seconds, kSeconds + frames);
            EXPECT_NEAR(audio.headerSeconds, kSeconds, frames);
            EXPECT_GT(audio.rms, 0.05);
        }
    }
    EXPECT_GT(files, 2);
}

TEST_F(WmfRuntime, RefusesInputTheWriterCannotConvert) {
    const auto formats = AllFormats();
    ASSERT_FALSE(formats.empty());
    Ref<IWMWriter> writer;
    ASSERT_EQ(MakeWriter(0, 0, MakePcmFormat(22050, 16, 1), &writer), S_OK);

    WAVEFORMATEX inconsistent = MakePcmFormat(22050, 16, 2);
    inconsistent.nBlockAlign = 2;
    WAVEFORMATEX notPcm = MakePcmFormat(22050, 16, 1);
    notPcm.wFormatTag = 3; // IEEE float
    const WAVEFORMATEX refused[] = {MakePcmFormat(22050, 24, 2),
                                    MakePcmFormat(44100, 16, 6),
                                    MakePcmFormat(96000, 16, 2),
                                    MakePcmFormat(6000, 16, 1),
                                    MakePcmFormat(22050, 32, 1),
                                    inconsistent,
                                    notPcm};
    for (const auto& wf : refused)
        EXPECT_EQ(SetInput(writer, wf), NS_E_INVALID_INPUT_FORMAT)
            << wf.nSamplesPerSec << " Hz " << wf.wBitsPerSample << " bit " << wf.nChannels;
    EXPECT_EQ(SetInput(writer, MakePcmFormat(22050, 16, 1), WaveFormatSubtype(3)),
              NS_E_INVALID_INPUT_FORMAT);
    EXPECT_EQ(SetInput(writer, MakePcmFormat(11025, 8, 2)), S_OK);
}

TEST_F(WmfRuntime, WriterLetGoWithoutEndWritingStillCompletesTheFile) {
    const WAVEFORMATEX input = MakePcmFormat(22050, 16, 1);
    const std::string path = PathFor("abandoned.wma");
    {
        Ref<IWMWriter> writer;
        ASSERT_EQ(MakeWriter(0, 0, input, &writer), S_OK);
        ASSERT_EQ(writer->SetOutputFilename(Utf16(path).c_str()), S_OK);
        ASSERT_EQ(writer->BeginWriting(), S_OK);
        ASSERT_EQ(WriteAudio(writer, input, MakeTestSignal(input, 2.0)), S_OK);
    }
    DecodedAudio audio = DecodeAudioFile(path);
    ASSERT_TRUE(audio.opened);
    EXPECT_NEAR(audio.seconds, 2.0, 0.2);
    EXPECT_NEAR(audio.headerSeconds, 2.0, 0.2);
}

TEST_F(WmfRuntime, EmptyInputMakesAValidEmptyFile) {
    const WAVEFORMATEX input = MakePcmFormat(22050, 16, 1);
    const std::string path = PathFor("empty.wma");
    Ref<IWMWriter> writer;
    ASSERT_EQ(MakeWriter(0, 0, input, &writer), S_OK);
    ASSERT_EQ(writer->SetOutputFilename(Utf16(path).c_str()), S_OK);
    ASSERT_EQ(writer->BeginWriting(), S_OK);
    ASSERT_EQ(writer->EndWriting(), S_OK);
    DecodedAudio audio = DecodeAudioFile(path);
    EXPECT_TRUE(audio.opened);
    EXPECT_LT(audio.seconds, 0.2);
}

TEST_F(WmfRuntime, CallsOutOfOrderAreRefused) {
    Ref<IWMWriter> writer;
    ASSERT_EQ(WMCreateWriter(nullptr, &writer), S_OK);
    DWORD inputs = 0;
    EXPECT_EQ(writer->GetInputCount(&inputs), NS_E_INVALID_REQUEST);
    EXPECT_EQ(writer->BeginWriting(), NS_E_INVALID_REQUEST);

    // A profile without streams is not one this writer can produce.
    Ref<IWMProfile> empty;
    ASSERT_EQ(manager->CreateEmptyProfile(WMT_VER_9_0, &empty), S_OK);
    EXPECT_EQ(writer->SetProfile(empty), NS_E_INVALID_OUTPUT_FORMAT);

    // A stream without a number cannot join a profile.
    Ref<IWMStreamConfig> config;
    ASSERT_EQ(info->GetCodecFormat(WMMEDIATYPE_Audio, 0, 0, &config), S_OK);
    EXPECT_EQ(empty->AddStream(config), NS_E_INVALID_STREAM);

    Ref<IWMWriter> ready;
    const WAVEFORMATEX input = MakePcmFormat(16000, 16, 1);
    ASSERT_EQ(MakeWriter(0, 0, input, &ready), S_OK);
    EXPECT_EQ(ready->GetInputCount(&inputs), S_OK);
    EXPECT_EQ(inputs, 1u);
    EXPECT_EQ(ready->BeginWriting(), NS_E_INVALID_REQUEST); // no file yet
    Ref<INSSBuffer> sample;
    ASSERT_EQ(ready->AllocateSample(64, &sample), S_OK);
    EXPECT_EQ(ready->WriteSample(0, 0, 0, sample), NS_E_INVALID_REQUEST);
    EXPECT_EQ(ready->EndWriting(), NS_E_INVALID_REQUEST);
    EXPECT_EQ(sample->SetLength(65), E_INVALIDARG);

    // The encoders are CBR: nothing to preprocess.
    Ref<IWMWriterPreprocess> pre;
    ASSERT_EQ(ready->QueryInterface(IID_IWMWriterPreprocess, Out(pre)), S_OK);
    DWORD passes = 9;
    EXPECT_EQ(pre->GetMaxPreprocessingPasses(0, 0, &passes), S_OK);
    EXPECT_EQ(passes, 0u);
    EXPECT_EQ(pre->SetNumPreprocessingPasses(0, 0, 1), NS_E_INVALID_NUM_PASSES);
    EXPECT_EQ(pre->BeginPreprocessingPass(0, 0), NS_E_INVALID_REQUEST);
}

TEST_F(WmfRuntime, FileErrorsFailTheCallsThatMeetThem) {
    const WAVEFORMATEX input = MakePcmFormat(22050, 16, 1);
    Ref<IWMWriter> writer;
    ASSERT_EQ(MakeWriter(0, 0, input, &writer), S_OK);
    EXPECT_EQ(writer->SetOutputFilename(Utf16(PathFor("no/such/dir/x.wma")).c_str()),
              STG_E_FILENOTFOUND);
    EXPECT_FALSE(fs::exists(PathFor("no")));

    // A file that can grow only so far, as on a full disk: writing must fail,
    // not pass silently.
    const std::string path = PathFor("full.wma");
    ASSERT_EQ(writer->SetOutputFilename(Utf16(path).c_str()), S_OK);
    ASSERT_EQ(writer->BeginWriting(), S_OK);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 64 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    HRESULT written = WriteAudio(writer, input, MakeTestSignal(input, 60.0));
    HRESULT ended = writer->EndWriting();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_TRUE(FAILED(written) || FAILED(ended));
    EXPECT_EQ(FAILED(written) ? written : ended, HRESULT_DISK_FULL);
}

TEST_F(WmfRuntime, EntryPointsNeedComAndTheRegisteredClasses) {
    Ref<IWMWriter> writer;
    {
        ScopedClassOverride hidden(CLSID_WMWriter, nullptr);
        EXPECT_EQ(WMCreateWriter(nullptr, &writer), REGDB_E_CLASSNOTREG);
    }
    CoUninitialize();
    Ref<IWMProfileManager> uninitialised;
    EXPECT_EQ(WMCreateProfileManager(&uninitialised), CO_E_NOTINITIALIZED);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EXPECT_EQ(WMCreateWriter(nullptr, &writer), S_OK);

    Ref<IWMProfileManager2> manager2;
    ASSERT_EQ(manager->QueryInterface(IID_IWMProfileManager2, Out(manager2)), S_OK);
    EXPECT_EQ(manager2->SetSystemProfileVersion(WMT_VER_9_0), S_OK);
    WMT_VERSION version = 0;
    EXPECT_EQ(manager2->GetSystemProfileVersion(&version), S_OK);
    EXPECT_EQ(version, WMT_VER_9_0);
}

} // namespace
