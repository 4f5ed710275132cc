#include "tests/fakes/FakeSapi4Runtime.h"

#include "platform/com/strings.h"
#include "tests/fakes/FakeJobScheduler.h"
#include "tests/fakes/FakeJobWav.h"

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

using State = FakeSapi4Runtime::State;
using Failure = FakeSapi4Runtime::Failure;
using Lock = std::lock_guard<std::mutex>;

constexpr std::uint32_t kRate = 16000;
constexpr std::uint32_t kBytesPerText = 3200;
constexpr DWORD kAllFeatures =
    TTSFEATURE_TAGGED | TTSFEATURE_SPEED | TTSFEATURE_VOLUME | TTSFEATURE_PITCH;
// The mode of the job tests' voices: found and selected, never enumerated.
constexpr GUID kVoiceModeId = {0x4A0B5E11, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};

// Counts the fake objects alive, so tests see what the program released.
class Counted {
public:
    explicit Counted(std::shared_ptr<State> state) : m_state(std::move(state)) {
        ++m_state->liveObjects;
    }
    ~Counted() { --m_state->liveObjects; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

protected:
    std::shared_ptr<State> m_state;
};

class FakeFileDest : public ComObject<FakeFileDest, IAudioFile>, Counted {
public:
    explicit FakeFileDest(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    ~FakeFileDest() override {
        Lock lock(m_state->mutex);
        m_state->calls.log.push_back("~File");
        Close();
    }

    HRESULT Register(void*) override { return E_NOTIMPL; }
    HRESULT Set(LPCWSTR path, DWORD flags) override {
        Lock lock(m_state->mutex);
        m_state->calls.setPath = path;
        m_state->calls.setFlags = flags;
        m_state->filePaths.push_back(path);
        if (m_state->failAt == Failure::SetFile)
            return E_FAIL;
        if (FAILED(m_state->results.setFile))
            return m_state->results.setFile;
        m_file = std::fopen(ToUtf8(path).c_str(), "wb");
        if (!m_file)
            return E_FAIL;
        WriteHeader();
        return S_OK;
    }
    HRESULT Add(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT Flush() override {
        Lock lock(m_state->mutex);
        m_state->calls.log.push_back("Flush");
        ++m_state->flushes;
        Close();
        return m_state->results.flush;
    }
    HRESULT RealTimeGet(WORD* realTime) override {
        *realTime = 0xFFFF;
        return S_OK;
    }
    HRESULT RealTimeSet(WORD v) override {
        Lock lock(m_state->mutex);
        m_state->calls.realTime = v;
        return m_state->results.realTimeSet;
    }

    // The engine delivers the audio of a text.
    void Write(std::uint32_t bytes) {
        Lock lock(m_state->mutex);
        if (!m_file)
            return;
        const auto samples = FakeJobWav::Samples(bytes);
        std::fwrite(samples.data(), 1, samples.size(), m_file);
        m_dataBytes += bytes;
    }

private:
    void WriteHeader() {
        const auto header = FakeJobWav::Header(kRate, 16, 1, m_dataBytes);
        std::fseek(m_file, 0, SEEK_SET);
        std::fwrite(header.data(), 1, header.size(), m_file);
    }
    void Close() {
        if (!m_file)
            return;
        WriteHeader();
        std::fclose(m_file);
        m_file = nullptr;
    }

    std::FILE* m_file = nullptr;
    std::uint32_t m_dataBytes = 0;
};

class FakeDevice : public ComObject<FakeDevice, IAudioMultiMediaDevice>, Counted {
public:
    explicit FakeDevice(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    ~FakeDevice() override {
        Lock lock(m_state->mutex);
        m_state->calls.log.push_back("~Device");
    }

    HRESULT CustomMessage(UINT, SDATA) override { return E_NOTIMPL; }
    HRESULT DeviceNumGet(DWORD* id) override {
        *id = m_device;
        return S_OK;
    }
    HRESULT DeviceNumSet(DWORD id) override {
        Lock lock(m_state->mutex);
        m_state->calls.deviceNum = id;
        m_device = id;
        return m_state->results.deviceNumSet;
    }

private:
    DWORD m_device = 0;
};

class FakeCentral : public ComObject<FakeCentral, ITTSCentralW, ITTSAttributesW>, Counted {
public:
    // Holds the destination, as a real engine does.
    FakeCentral(std::shared_ptr<State> state, FakeSapi4Mode mode, IUnknown* dest)
        : Counted(std::move(state)), m_mode(std::move(mode)), m_dest(dest) {
        if (!m_dest)
            return;
        m_dest->AddRef();
        IAudioFile* file = nullptr;
        if (SUCCEEDED(m_dest->QueryInterface(IID_IAudioFile, reinterpret_cast<void**>(&file))))
            m_file = static_cast<FakeFileDest*>(file);
    }
    ~FakeCentral() override {
        m_speaking->store(false);
        {
            Lock lock(m_state->mutex);
            m_state->calls.log.push_back("~Central");
        }
        // Like the real runtime, the engine lets go of a sink still
        // registered only when it goes itself.
        if (m_registered->exchange(false))
            m_sink->Release();
        SafeRelease(m_file);
        SafeRelease(m_dest);
    }

    HRESULT Inject(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT ModeGet(PTTSMODEINFOW mode) override {
        *mode = m_mode.info;
        return S_OK;
    }
    HRESULT Phoneme(VOICECHARSET, DWORD, SDATA, PSDATA) override { return E_NOTIMPL; }
    HRESULT PosnGet(QWORD* position) override {
        *position = 0;
        return S_OK;
    }
    HRESULT TextData(VOICECHARSET charset, DWORD flags, SDATA text, void* bufNotify,
                     IID bufIid) override {
        ++m_state->textDataCalls;
        std::shared_ptr<Event> gate;
        {
            Lock lock(m_state->mutex);
            FakeSapi4Runtime::Calls& c = m_state->calls;
            c.charset = charset;
            c.textFlags = flags;
            c.textBytes = text.dwSize;
            c.text.assign(static_cast<const WCHAR*>(text.pData), text.dwSize / sizeof(WCHAR));
            c.bufNotify = bufNotify;
            c.bufIid = bufIid;
            if (text.pData)
                m_state->texts.emplace_back(static_cast<const char16_t*>(text.pData));
            gate = m_state->textDataGate;
        }
        // A hung engine: the call returns only when the test lets it.
        if (gate)
            gate->Wait(INFINITE);
        HRESULT result;
        unsigned speechMs;
        bool endless, atOnce;
        std::shared_ptr<Event> returnGate;
        {
            Lock lock(m_state->mutex);
            if (m_state->failAt == Failure::TextData)
                return E_FAIL;
            result = m_state->results.textData;
            if (FAILED(result))
                return result;
            speechMs = m_state->speechMs;
            endless = m_state->endless;
            atOnce = m_state->postStopAtOnce;
            returnGate = m_state->returnGate;
        }
        if (m_file)
            m_file->Write(kBytesPerText);
        m_speaking->store(true);
        if (atOnce)
            StopPoster(GetCurrentThreadId())();
        else if (!endless)
            m_state->scheduler->After(speechMs, StopPoster(GetCurrentThreadId()));
        if (returnGate)
            returnGate->Wait(INFINITE);
        return result;
    }
    HRESULT ToFileTime(QWORD*, FILETIME*) override { return E_NOTIMPL; }
    HRESULT AudioPause() override { return S_OK; }
    HRESULT AudioResume() override { return S_OK; }
    HRESULT AudioReset() override {
        Lock lock(m_state->mutex);
        m_state->calls.log.push_back("AudioReset");
        ++m_state->audioResets;
        m_speaking->store(false);
        return S_OK;
    }
    HRESULT Register(void* notify, IID iid, DWORD* key) override {
        Lock lock(m_state->mutex);
        m_state->calls.registeredSink = notify;
        m_state->calls.registerIid = iid;
        if (m_state->failAt == Failure::Register)
            return E_FAIL;
        if (FAILED(m_state->results.registerSink))
            return m_state->results.registerSink;
        ++m_state->registrations;
        m_sink = static_cast<ITTSNotifySinkW*>(notify);
        m_sink->AddRef();
        m_registered->store(true);
        *key = FakeSapi4Runtime::kSinkKey;
        return S_OK;
    }
    HRESULT UnRegister(DWORD key) override {
        Lock lock(m_state->mutex);
        m_state->calls.unregistered.push_back(key);
        m_state->calls.log.push_back("UnRegister");
        if (key != FakeSapi4Runtime::kSinkKey || !m_registered->load())
            return E_INVALIDARG;
        ++m_state->unregistrations;
        m_registered->store(false);
        m_sink->Release();
        return S_OK;
    }

    HRESULT PitchGet(WORD* v) override {
        DWORD d = 0;
        HRESULT hr = Get(m_mode.pitch, &d);
        *v = static_cast<WORD>(d);
        return hr;
    }
    HRESULT PitchSet(WORD v) override { return Set("pitch", m_mode.pitch, v); }
    HRESULT RealTimeGet(DWORD*) override { return E_NOTIMPL; }
    HRESULT RealTimeSet(DWORD) override { return E_NOTIMPL; }
    HRESULT SpeedGet(DWORD* v) override { return Get(m_mode.speed, v); }
    HRESULT SpeedSet(DWORD v) override { return Set("speed", m_mode.speed, v); }
    HRESULT VolumeGet(DWORD* v) override { return Get(m_mode.volume, v); }
    HRESULT VolumeSet(DWORD v) override { return Set("volume", m_mode.volume, v); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_ITTSAttributesW) {
            Lock lock(m_state->mutex);
            if (FAILED(m_state->results.queryAttributes)) {
                *ppv = nullptr;
                return m_state->results.queryAttributes;
            }
        }
        return ComObject::QueryInterface(riid, ppv);
    }

private:
    static HRESULT Get(const FakeSapi4Attribute& a, DWORD* v) {
        if (a.getFails)
            return E_FAIL;
        *v = a.current;
        return S_OK;
    }
    HRESULT Set(const char* name, FakeSapi4Attribute& a, DWORD v) {
        {
            Lock lock(m_state->mutex);
            m_state->calls.attributeSets.push_back(std::string(name) + "=" + std::to_string(v));
        }
        if (v == 0 && a.setZeroFails)
            return E_INVALIDARG;
        a.current = std::clamp(v, a.min, a.max);
        return S_OK;
    }

    // The notification travels as a task to the thread that called TextData
    // and reaches the sink while that thread dispatches; it is dropped once
    // the speech was reset or the sink unregistered.
    std::function<void()> StopPoster(DWORD thread) {
        return [thread, sink = m_sink, registered = m_registered, speaking = m_speaking] {
            PostThreadTask(thread, [sink, registered, speaking] {
                if (registered->load() && speaking->exchange(false))
                    sink->AudioStop(0);
            });
        };
    }

    FakeSapi4Mode m_mode;
    IUnknown* m_dest;
    FakeFileDest* m_file = nullptr;
    ITTSNotifySinkW* m_sink = nullptr;
    std::shared_ptr<std::atomic<bool>> m_registered = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> m_speaking = std::make_shared<std::atomic<bool>>(false);
};

class FakeEnumerator : public ComObject<FakeEnumerator, ITTSEnumW, ITTSFindW>, Counted {
public:
    explicit FakeEnumerator(std::shared_ptr<State> state) : Counted(std::move(state)) {}

    HRESULT Next(ULONG count, PTTSMODEINFOW modes, ULONG* fetched) override {
        Lock lock(m_state->mutex);
        ULONG n = 0;
        for (; n < count && m_next < m_state->modes.size(); ++n)
            modes[n] = m_state->modes[m_next++].info;
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override {
        m_next = 0;
        return S_OK;
    }
    HRESULT Clone(ITTSEnumW**) override { return E_NOTIMPL; }
    HRESULT Find(PTTSMODEINFOW pattern, PTTSMODEINFORANK ranking, PTTSMODEINFOW found) override {
        Lock lock(m_state->mutex);
        FakeSapi4Runtime::Calls& c = m_state->calls;
        c.findPattern = *pattern;
        c.findRankingNull = ranking == nullptr;
        if (m_state->failAt == Failure::Find)
            return E_FAIL;
        if (FAILED(m_state->results.find))
            return m_state->results.find;
        if (pattern->gModeID == kVoiceModeId) {
            *found = *pattern;
            return S_OK;
        }
        for (const auto& m : m_state->modes)
            if (m.info.gModeID == pattern->gModeID) {
                *found = m.info;
                return S_OK;
            }
        return E_FAIL;
    }
    HRESULT Select(GUID modeId, ITTSCentralW** central, IUnknown* dest) override {
        Lock lock(m_state->mutex);
        m_state->calls.selects.push_back(modeId);
        m_state->calls.selectDest = dest;
        *central = nullptr;
        if (m_state->failAt == Failure::Select)
            return E_FAIL;
        if (FAILED(m_state->results.select))
            return m_state->results.select;
        if (modeId == kVoiceModeId) {
            FakeSapi4Mode mode = FakeSapi4Runtime::MakeMode(u"", kAllFeatures, 0);
            mode.info.gModeID = kVoiceModeId;
            *central = new FakeCentral(m_state, mode, dest);
            return m_state->results.select;
        }
        for (const auto& m : m_state->modes)
            if (m.info.gModeID == modeId) {
                *central = new FakeCentral(m_state, m, dest);
                return m_state->results.select;
            }
        return E_INVALIDARG;
    }

private:
    std::size_t m_next = 0;
};

// Creates `object` and answers the interface, with a result of the fake's choosing.
template <class T> HRESULT Answer(T* object, REFIID riid, void** ppv, HRESULT result = S_OK) {
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return FAILED(hr) ? hr : result;
}

} // namespace

FakeSapi4Runtime::State::State() : scheduler(std::make_unique<FakeJobScheduler>()) {}
FakeSapi4Runtime::State::~State() = default;

FakeSapi4Runtime::FakeSapi4Runtime() : m_state(std::make_shared<State>()) {
    auto s = m_state;
    m_overrides.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_TTSEnumerator, [s](REFIID riid, void** ppv) -> HRESULT {
            {
                Lock lock(s->mutex);
                if (s->results.enumeratorMissing)
                    return REGDB_E_CLASSNOTREG;
                ++s->calls.enumerators;
            }
            return Answer(new FakeEnumerator(s), riid, ppv);
        }));
    m_overrides.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_AudioDestFile, [s](REFIID riid, void** ppv) -> HRESULT {
            {
                Lock lock(s->mutex);
                if (s->results.fileDestMissing)
                    return REGDB_E_CLASSNOTREG;
                ++s->calls.fileDests;
            }
            return Answer(new FakeFileDest(s), riid, ppv);
        }));
    m_overrides.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_MMAudioDest, [s](REFIID riid, void** ppv) -> HRESULT {
            {
                Lock lock(s->mutex);
                if (s->results.deviceMissing)
                    return REGDB_E_CLASSNOTREG;
                ++s->calls.devices;
            }
            return Answer(new FakeDevice(s), riid, ppv, s->results.createDevice);
        }));
}

FakeSapi4Runtime::~FakeSapi4Runtime() = default;

FakeSapi4Mode FakeSapi4Runtime::MakeMode(const std::u16string& name, DWORD features, int number) {
    FakeSapi4Mode mode;
    mode.info.gModeID = {
        0x5A5A0000u + static_cast<DWORD>(number), 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), TTSI_NAMELEN - 1),
                mode.info.szModeName);
    mode.info.dwFeatures = features;
    mode.speed = {150, 50, 250};
    mode.pitch = {100, 0, 0xFFFF};
    mode.volume = {0xFFFFFFFF, 0, 0xFFFFFFFF};
    return mode;
}

void FakeSapi4Runtime::AddMode(const FakeSapi4Mode& mode) {
    m_state->modes.push_back(mode);
}

void FakeSapi4Runtime::AddMode(const std::u16string& name, DWORD features) {
    AddMode(MakeMode(name, features, static_cast<int>(m_state->modes.size()) + 1));
}

CSAPI4VoiceInfo FakeSapi4Runtime::Voice(const char16_t* name) {
    CSAPI4VoiceInfo voice;
    std::u16string_view(name).copy(voice.modeInfo.szModeName, TTSI_NAMELEN - 1);
    voice.modeInfo.gModeID = kVoiceModeId;
    voice.modeInfo.dwFeatures = kAllFeatures;
    voice.canSetSpeed = voice.canSetVolume = voice.canSetPitch = TRUE;
    voice.speedMin = 100;
    voice.speedMax = 300;
    voice.volumeMin = 0;
    voice.volumeMax = 65535;
    voice.pitchMin = 50;
    voice.pitchMax = 150;
    return voice;
}
