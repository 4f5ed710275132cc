#include "tests/jobs/FakeJobSapi4Runtime.h"

#include "platform/com/strings.h"
#include "tests/jobs/FakeJobScheduler.h"
#include "tests/jobs/FakeJobWav.h"

#include <cstdio>
#include <cstring>

namespace {

using State = FakeJobSapi4Runtime::State;
using Failure = FakeJobSapi4Runtime::Failure;

constexpr std::uint32_t kRate = 16000;
constexpr std::uint32_t kBytesPerText = 3200;

class Counted {
public:
    explicit Counted(std::shared_ptr<State> state) : state_(std::move(state)) {
        ++state_->liveObjects;
    }
    ~Counted() { --state_->liveObjects; }

protected:
    std::shared_ptr<State> state_;
};

class FakeAudioFile : public ComObject<FakeAudioFile, IAudioFile>, Counted {
public:
    explicit FakeAudioFile(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    ~FakeAudioFile() override { Close(); }

    HRESULT Register(void*) override { return S_OK; }
    HRESULT Set(LPCWSTR path, DWORD) override {
        std::lock_guard lock(state_->mutex);
        state_->filePaths.push_back(path);
        if (state_->failAt == Failure::SetFile)
            return E_FAIL;
        file_ = std::fopen(ToUtf8(path).c_str(), "wb");
        if (!file_)
            return E_FAIL;
        auto header = FakeJobWav::Header(kRate, 16, 1, 0);
        std::fwrite(header.data(), 1, header.size(), file_);
        return S_OK;
    }
    HRESULT Add(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT Flush() override {
        {
            std::lock_guard lock(state_->mutex);
            ++state_->flushes;
        }
        Close();
        return S_OK;
    }
    HRESULT RealTimeGet(WORD* realTime) override {
        *realTime = 0xFFFF;
        return S_OK;
    }
    HRESULT RealTimeSet(WORD) override { return S_OK; }

    // The engine delivers its audio.
    void Write(std::uint32_t bytes) {
        if (!file_)
            return;
        auto samples = FakeJobWav::Samples(bytes);
        std::fwrite(samples.data(), 1, samples.size(), file_);
        dataBytes_ += bytes;
    }

private:
    void Close() {
        if (!file_)
            return;
        auto header = FakeJobWav::Header(kRate, 16, 1, dataBytes_);
        std::fseek(file_, 0, SEEK_SET);
        std::fwrite(header.data(), 1, header.size(), file_);
        std::fclose(file_);
        file_ = nullptr;
    }

    std::FILE* file_ = nullptr;
    std::uint32_t dataBytes_ = 0;
};

class FakeAudioDevice : public ComObject<FakeAudioDevice, IAudioMultiMediaDevice>, Counted {
public:
    explicit FakeAudioDevice(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    HRESULT CustomMessage(UINT, SDATA) override { return E_NOTIMPL; }
    HRESULT DeviceNumGet(DWORD* id) override {
        *id = device_;
        return S_OK;
    }
    HRESULT DeviceNumSet(DWORD id) override {
        device_ = id;
        return S_OK;
    }

private:
    DWORD device_ = 0;
};

class FakeCentral : public ComObject<FakeCentral, ITTSCentralW>, Counted {
public:
    FakeCentral(std::shared_ptr<State> state, IUnknown* destination) : Counted(std::move(state)) {
        IAudioFile* file = nullptr;
        if (destination &&
            SUCCEEDED(destination->QueryInterface(IID_IAudioFile, reinterpret_cast<void**>(&file))))
            file_ = static_cast<FakeAudioFile*>(file);
    }
    ~FakeCentral() override {
        speaking_->store(false);
        // Like the real runtime, the engine lets go of a sink still
        // registered only when it goes itself.
        if (registered_->exchange(false))
            sink_->Release();
        SafeRelease(file_);
    }

    HRESULT Inject(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT ModeGet(PTTSMODEINFOW) override { return E_NOTIMPL; }
    HRESULT Phoneme(VOICECHARSET, DWORD, SDATA, PSDATA) override { return E_NOTIMPL; }
    HRESULT PosnGet(QWORD* position) override {
        *position = 0;
        return S_OK;
    }
    HRESULT TextData(VOICECHARSET, DWORD, SDATA text, void*, IID) override {
        ++state_->textDataCalls;
        std::shared_ptr<Event> gate;
        {
            std::lock_guard lock(state_->mutex);
            state_->texts.emplace_back(static_cast<const char16_t*>(text.pData));
            gate = state_->textDataGate;
        }
        // A hung engine: the call returns only when the test lets it.
        if (gate)
            gate->Wait(INFINITE);
        unsigned speechMs;
        bool endless, atOnce;
        std::shared_ptr<Event> returnGate;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->failAt == Failure::TextData)
                return E_FAIL;
            speechMs = state_->speechMs;
            endless = state_->endless;
            atOnce = state_->postStopAtOnce;
            returnGate = state_->returnGate;
        }
        if (file_)
            file_->Write(kBytesPerText);
        speaking_->store(true);
        if (atOnce)
            PostAudioStop(GetCurrentThreadId());
        else if (!endless)
            state_->scheduler->After(speechMs,
                                     [post = StopPoster(GetCurrentThreadId())] { post(); });
        if (returnGate)
            returnGate->Wait(INFINITE);
        return S_OK;
    }
    HRESULT ToFileTime(QWORD*, FILETIME*) override { return E_NOTIMPL; }
    HRESULT AudioPause() override { return S_OK; }
    HRESULT AudioResume() override { return S_OK; }
    HRESULT AudioReset() override {
        std::lock_guard lock(state_->mutex);
        ++state_->audioResets;
        speaking_->store(false);
        return S_OK;
    }
    HRESULT Register(void* notify, IID, DWORD* key) override {
        std::lock_guard lock(state_->mutex);
        if (state_->failAt == Failure::Register)
            return E_FAIL;
        ++state_->registrations;
        sink_ = static_cast<ITTSNotifySinkW*>(notify);
        sink_->AddRef();
        registered_->store(true);
        *key = 7;
        return S_OK;
    }
    HRESULT UnRegister(DWORD key) override {
        std::lock_guard lock(state_->mutex);
        if (key != 7 || !registered_->load())
            return E_INVALIDARG;
        ++state_->unregistrations;
        registered_->store(false);
        sink_->Release();
        return S_OK;
    }

private:
    // The notification travels as a task to the thread that called TextData
    // and reaches the sink while that thread dispatches; it is dropped once
    // the speech was reset or the sink unregistered.
    std::function<void()> StopPoster(DWORD thread) {
        return [thread, sink = sink_, registered = registered_, speaking = speaking_] {
            PostThreadTask(thread, [sink, registered, speaking] {
                if (registered->load() && speaking->exchange(false))
                    sink->AudioStop(0);
            });
        };
    }
    void PostAudioStop(DWORD thread) { StopPoster(thread)(); }

    FakeAudioFile* file_ = nullptr;
    ITTSNotifySinkW* sink_ = nullptr;
    std::shared_ptr<std::atomic<bool>> registered_ = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> speaking_ = std::make_shared<std::atomic<bool>>(false);
};

class FakeFind : public ComObject<FakeFind, ITTSFindW>, Counted {
public:
    explicit FakeFind(std::shared_ptr<State> state) : Counted(std::move(state)) {}

    HRESULT Find(PTTSMODEINFOW pattern, PTTSMODEINFORANK, PTTSMODEINFOW found) override {
        std::lock_guard lock(state_->mutex);
        if (state_->failAt == Failure::Find)
            return E_FAIL;
        *found = *pattern;
        return S_OK;
    }
    HRESULT Select(GUID, ITTSCentralW** central, IUnknown* destination) override {
        {
            std::lock_guard lock(state_->mutex);
            if (state_->failAt == Failure::Select)
                return E_FAIL;
        }
        *central = new FakeCentral(state_, destination);
        return S_OK;
    }
};

template <class Object> ClassFactory FactoryOf(std::shared_ptr<State> state) {
    return [state](REFIID riid, void** ppv) { return CreateComInstance<Object>(riid, ppv, state); };
}

} // namespace

FakeJobSapi4Runtime::State::State() : scheduler(std::make_unique<FakeJobScheduler>()) {}
FakeJobSapi4Runtime::State::~State() = default;

FakeJobSapi4Runtime::FakeJobSapi4Runtime() : state_(std::make_shared<State>()) {
    overrides_.push_back(
        std::make_unique<ScopedClassOverride>(CLSID_TTSEnumerator, FactoryOf<FakeFind>(state_)));
    overrides_.push_back(std::make_unique<ScopedClassOverride>(CLSID_AudioDestFile,
                                                               FactoryOf<FakeAudioFile>(state_)));
    overrides_.push_back(std::make_unique<ScopedClassOverride>(CLSID_MMAudioDest,
                                                               FactoryOf<FakeAudioDevice>(state_)));
}

FakeJobSapi4Runtime::~FakeJobSapi4Runtime() = default;

CSAPI4VoiceInfo FakeJobSapi4Runtime::Voice(const char16_t* name) {
    CSAPI4VoiceInfo voice;
    std::u16string_view n(name);
    n.copy(voice.modeInfo.szModeName, TTSI_NAMELEN - 1);
    voice.modeInfo.gModeID = {0x4A0B5E11, 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
    voice.modeInfo.dwFeatures =
        TTSFEATURE_TAGGED | TTSFEATURE_SPEED | TTSFEATURE_VOLUME | TTSFEATURE_PITCH;
    voice.canSetSpeed = voice.canSetVolume = voice.canSetPitch = TRUE;
    voice.speedMin = 100;
    voice.speedMax = 300;
    voice.volumeMin = 0;
    voice.volumeMax = 65535;
    voice.pitchMin = 50;
    voice.pitchMax = 150;
    return voice;
}
