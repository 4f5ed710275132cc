#include "tests/platform/sapi4/RuntimeTestSupport.h"

#include "platform/com/strings.h"
#include "platform/sync/sync.h"

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

double WavFile::Seconds() const {
    return format.nSamplesPerSec ? static_cast<double>(samples.size()) / format.nSamplesPerSec
                                 : 0.0;
}

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

bool Tag(const std::vector<std::uint8_t>& b, std::size_t at, const char* tag) {
    return std::equal(tag, tag + 4, b.begin() + static_cast<std::ptrdiff_t>(at));
}

} // namespace

std::optional<WavFile> ReadWav(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
    if (b.size() < 12 || !Tag(b, 0, "RIFF") || !Tag(b, 8, "WAVE"))
        return std::nullopt;
    WavFile wav;
    bool haveFormat = false;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::uint32_t size = U32(b, at + 4);
        const std::size_t body = at + 8;
        if (Tag(b, at, "fmt ") && size >= 16 && body + 16 <= b.size()) {
            wav.format = {U16(b, body),
                          U16(b, body + 2),
                          U32(b, body + 4),
                          U32(b, body + 8),
                          U16(b, body + 12),
                          U16(b, body + 14),
                          0};
            haveFormat = true;
        } else if (Tag(b, at, "data") && haveFormat) {
            const std::size_t have = std::min<std::size_t>(size, b.size() - body);
            for (std::size_t i = 0; i + 1 < have; i += 2)
                wav.samples.push_back(static_cast<std::int16_t>(U16(b, body + i)));
            wav.complete = have == size && U32(b, 4) + 8 == b.size();
            return wav;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

double Rms(const std::vector<std::int16_t>& samples) {
    if (samples.empty())
        return 0.0;
    double sum = 0.0;
    for (std::int16_t s : samples)
        sum += static_cast<double>(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

double FundamentalHz(const std::vector<std::int16_t>& samples, DWORD rate) {
    const std::size_t frame = rate * 40 / 1000;
    const std::size_t minLag = rate / 500, maxLag = rate / 40;
    std::vector<double> found;
    for (std::size_t start = 0; start + frame + maxLag < samples.size(); start += frame / 2) {
        const std::int16_t* x = samples.data() + start;
        double energy = 0.0;
        for (std::size_t i = 0; i < frame; ++i)
            energy += static_cast<double>(x[i]) * x[i];
        if (energy < frame * 1e5)
            continue; // silence or a whisper
        double best = 0.0;
        std::size_t bestLag = 0;
        for (std::size_t lag = minLag; lag <= maxLag; ++lag) {
            double c = 0.0, e = 0.0;
            for (std::size_t i = 0; i < frame; ++i) {
                c += static_cast<double>(x[i]) * x[i + lag];
                e += static_cast<double>(x[i + lag]) * x[i + lag];
            }
            const double r = c / std::sqrt(energy * e + 1.0);
            if (r > best) {
                best = r;
                bestLag = lag;
            }
        }
        if (best > 0.6)
            found.push_back(static_cast<double>(rate) / static_cast<double>(bestLag));
    }
    if (found.empty())
        return 0.0;
    std::nth_element(found.begin(), found.begin() + static_cast<std::ptrdiff_t>(found.size() / 2),
                     found.end());
    return found[found.size() / 2];
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
    const char* data = std::getenv("VOCALITH_TEST_DATA");
    const fs::path dir = data ? fs::path(data) : fs::path(VOCALITH_TEST_DATA_DIR);
    // ALSA reads its configuration afresh when the path changes.
    setenv("ALSA_CONFIG_PATH", (dir / name).c_str(), 1);
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

std::optional<WavFile> Sapi4RuntimeTest::SpeakToWav(const TTSMODEINFOW& mode,
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
