#include "tests/platform/sapi4/RuntimeTestSupport.h"

#include "platform/com/strings.h"
#include "platform/sync/sync.h"
#include "tests/support/TestData.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace fs = std::filesystem;

HRESULT RecordingSink::Record(Kind kind) {
    std::lock_guard lock(m_mutex);
    m_events.push_back({kind, GetCurrentThreadId()});
    return S_OK;
}

std::vector<RecordingSink::Heard> RecordingSink::Events() const {
    std::lock_guard lock(m_mutex);
    return m_events;
}

bool RecordingSink::Stopped() const {
    std::lock_guard lock(m_mutex);
    return std::any_of(m_events.begin(), m_events.end(),
                       [](const Heard& h) { return h.kind == Kind::Stop; });
}

bool RecordingSink::Started() const {
    std::lock_guard lock(m_mutex);
    return !m_events.empty();
}

bool PumpMessagesUntil(const std::function<bool()>& done) {
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        MsgWaitForMultipleEvents({}, 50);
        MSG msg;
        while (PeekMessage(&msg, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return true;
}

std::vector<TTSMODEINFOW> InstalledModes() {
    std::vector<TTSMODEINFOW> modes;
    ITTSEnumW* enumerator = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TTSEnumerator, nullptr, CLSCTX_ALL, IID_ITTSEnumW,
                                reinterpret_cast<void**>(&enumerator))))
        return modes;
    TTSMODEINFOW mode{};
    while (enumerator->Next(1, &mode, nullptr) == S_OK)
        modes.push_back(mode);
    enumerator->Release();
    return modes;
}

std::u16string ModeName(const TTSMODEINFOW& mode) {
    return mode.szModeName;
}

void Sapi4RuntimeTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    RegisterSapi4Runtime();
    capture = dir / "capture.raw";
    setenv("VOCALITH_ALSA_CAPTURE", capture.c_str(), 1);
    UseAlsaConfiguration("alsa-file.conf");
}

void Sapi4RuntimeTest::TearDown() {
    UseAlsaConfiguration("alsa-file.conf");
    unsetenv("VOCALITH_ALSA_CAPTURE");
    CoUninitialize();
}

void Sapi4RuntimeTest::UseAlsaConfiguration(const char* name) {
    // ALSA reads its configuration afresh when the path changes.
    setenv("ALSA_CONFIG_PATH", (TestDataFolder() / name).c_str(), 1);
}

ITTSCentralW* Sapi4RuntimeTest::Select(const TTSMODEINFOW& mode, IUnknown* dest) {
    ITTSFindW* find = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TTSEnumerator, nullptr, CLSCTX_ALL, IID_ITTSFindW,
                               reinterpret_cast<void**>(&find)),
              S_OK);
    ITTSCentralW* central = nullptr;
    if (find) {
        EXPECT_EQ(find->Select(mode.gModeID, &central, dest), S_OK);
        find->Release();
    }
    return central;
}

IAudioFile* Sapi4RuntimeTest::CreateFileDest() {
    IAudioFile* file = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_AudioDestFile, nullptr, CLSCTX_ALL, IID_IAudioFile,
                               reinterpret_cast<void**>(&file)),
              S_OK);
    return file;
}

IAudioMultiMediaDevice* Sapi4RuntimeTest::CreateDeviceDest() {
    IAudioMultiMediaDevice* device = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_MMAudioDest, nullptr, CLSCTX_ALL, IID_IAudioMultiMediaDevice,
                               reinterpret_cast<void**>(&device)),
              S_OK);
    return device;
}

HRESULT Sapi4RuntimeTest::Speak(ITTSCentralW* central, const std::u16string& text) {
    SDATA data{const_cast<WCHAR*>(text.c_str()),
               static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))};
    return central->TextData(CHARSET_TEXT, TTSDATAFLAG_TAGGED, data, nullptr,
                             IID_ITTSBufNotifySink);
}

std::optional<WavContents> Sapi4RuntimeTest::SpeakToWav(const TTSMODEINFOW& mode,
                                                        const std::u16string& text) {
    const fs::path path = dir / ("out" + std::to_string(files++) + ".wav");
    IAudioFile* file = CreateFileDest();
    if (!file)
        return std::nullopt;
    ITTSCentralW* central = Select(mode, file);
    auto* sink = new RecordingSink;
    DWORD key = 0;
    bool spoke = false;
    if (central && file->Set(FromUtf8(path.string()).c_str(), 1) == S_OK &&
        central->Register(static_cast<ITTSNotifySinkW*>(sink), IID_ITTSNotifySinkW, &key) == S_OK &&
        Speak(central, text) == S_OK)
        spoke = PumpMessagesUntil([&] { return sink->Stopped(); });
    EXPECT_TRUE(spoke) << "no end of audio for " << ToUtf8(text);
    EXPECT_EQ(file->Flush(), S_OK);
    if (central) {
        central->UnRegister(key);
        central->Release();
    }
    file->Release();
    sink->Release();
    return spoke ? ReadWav(path) : std::nullopt;
}
