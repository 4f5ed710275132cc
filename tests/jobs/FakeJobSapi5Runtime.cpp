#include "tests/jobs/FakeJobSapi5Runtime.h"

#include "platform/com/strings.h"
#include "tests/fakes/FakeJobScheduler.h"
#include "tests/fakes/FakeJobWav.h"

#include <cstdio>
#include <cstring>

namespace {

using State = FakeJobSapi5Runtime::State;
using Failure = FakeJobSapi5Runtime::Failure;

constexpr std::uint32_t kBytesPerText = 4000;

class Counted {
public:
    explicit Counted(std::shared_ptr<State> state) : state_(std::move(state)) {
        ++state_->liveObjects;
    }
    ~Counted() { --state_->liveObjects; }

protected:
    std::shared_ptr<State> state_;
};

LPWSTR CoMemString(const std::u16string& s) {
    auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(WCHAR)));
    std::memcpy(p, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
    return p;
}

class FakeToken : public ComObject<FakeToken, ISpObjectToken>, Counted {
public:
    FakeToken(std::shared_ptr<State> state, std::u16string name)
        : Counted(std::move(state)), name_(std::move(name)) {}
    HRESULT GetId(LPWSTR* id) override {
        *id = CoMemString(u"Fake\\" + name_);
        return S_OK;
    }
    HRESULT GetStringValue(LPCWSTR, LPWSTR* data) override {
        *data = CoMemString(name_);
        return S_OK;
    }
    const std::u16string& name() const { return name_; }

private:
    std::u16string name_;
};

class FakeEnum : public ComObject<FakeEnum, IEnumSpObjectTokens>, Counted {
public:
    explicit FakeEnum(std::shared_ptr<State> state) : Counted(std::move(state)) {
        std::lock_guard lock(state_->mutex);
        names_ = state_->tokenNames;
    }
    HRESULT Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) override {
        ULONG n = 0;
        while (n < count && next_ < names_.size())
            tokens[n++] = new FakeToken(state_, names_[next_++]);
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        next_ += count;
        return S_OK;
    }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumSpObjectTokens**) override { return E_NOTIMPL; }
    HRESULT Item(ULONG index, ISpObjectToken** token) override {
        if (index >= names_.size())
            return SPERR_NOT_FOUND;
        *token = new FakeToken(state_, names_[index]);
        return S_OK;
    }
    HRESULT GetCount(ULONG* count) override {
        *count = static_cast<ULONG>(names_.size());
        return S_OK;
    }

private:
    std::vector<std::u16string> names_;
    std::size_t next_ = 0;
};

class FakeCategory : public ComObject<FakeCategory, ISpObjectTokenCategory>, Counted {
public:
    explicit FakeCategory(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    HRESULT SetId(LPCWSTR, BOOL) override { return S_OK; }
    HRESULT GetId(LPWSTR* id) override {
        *id = CoMemString(SPCAT_VOICES);
        return S_OK;
    }
    HRESULT EnumTokens(LPCWSTR, LPCWSTR, IEnumSpObjectTokens** tokens) override {
        *tokens = new FakeEnum(state_);
        return S_OK;
    }
    HRESULT GetDefaultTokenId(LPWSTR*) override { return E_NOTIMPL; }
};

class FakeStream : public ComObject<FakeStream, ISpStream>, Counted {
public:
    explicit FakeStream(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    ~FakeStream() override { Close(); }

    HRESULT BindToFile(LPCWSTR path, SPFILEMODE, const GUID*, const WAVEFORMATEX* format,
                       ULONGLONG) override {
        {
            std::lock_guard lock(state_->mutex);
            state_->boundPaths.push_back(path);
            state_->boundRates.push_back(format ? static_cast<int>(format->nSamplesPerSec) : 0);
            if (state_->failAt == Failure::Bind)
                return E_FAIL;
        }
        if (!format)
            return E_INVALIDARG;
        format_ = *format;
        file_ = std::fopen(ToUtf8(path).c_str(), "wb");
        if (!file_)
            return E_ACCESSDENIED;
        auto header = FakeJobWav::Header(format_.nSamplesPerSec, format_.wBitsPerSample,
                                         format_.nChannels, 0);
        std::fwrite(header.data(), 1, header.size(), file_);
        return S_OK;
    }
    HRESULT GetFormat(GUID* id, WAVEFORMATEX** format) override {
        *id = SPDFID_WaveFormatEx;
        *format = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
        **format = format_;
        return S_OK;
    }
    HRESULT Write(const void* data, ULONG bytes, ULONG* written) override {
        if (!file_)
            return SPERR_STREAM_CLOSED;
        std::fwrite(data, 1, bytes, file_);
        dataBytes_ += bytes;
        if (written)
            *written = bytes;
        return S_OK;
    }
    HRESULT Close() override {
        if (!file_)
            return S_OK;
        auto header = FakeJobWav::Header(format_.nSamplesPerSec, format_.wBitsPerSample,
                                         format_.nChannels, dataBytes_);
        std::fseek(file_, 0, SEEK_SET);
        std::fwrite(header.data(), 1, header.size(), file_);
        std::fclose(file_);
        file_ = nullptr;
        return S_OK;
    }

private:
    WAVEFORMATEX format_{};
    std::FILE* file_ = nullptr;
    std::uint32_t dataBytes_ = 0;
};

class FakeVoice : public ComObject<FakeVoice, ISpVoice>, Counted {
public:
    explicit FakeVoice(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    ~FakeVoice() override {
        speech_->store(0);
        SafeRelease(stream_);
        SafeRelease(token_);
    }

    HRESULT SetOutput(IUnknown* output, BOOL) override {
        SafeRelease(stream_);
        if (output)
            return output->QueryInterface(IID_ISpStream, reinterpret_cast<void**>(&stream_));
        return S_OK;
    }
    HRESULT SetVoice(ISpObjectToken* token) override {
        SafeRelease(token_);
        token_ = token;
        if (token_)
            token_->AddRef();
        return S_OK;
    }
    HRESULT GetVoice(ISpObjectToken** token) override {
        *token = token_;
        if (token_)
            token_->AddRef();
        return S_OK;
    }
    HRESULT Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber) override {
        if (streamNumber)
            *streamNumber = 1;
        if (!text) {
            if (flags & SPF_PURGEBEFORESPEAK) {
                std::lock_guard lock(state_->mutex);
                ++state_->purges;
                speech_->store(0);
                done_->Set();
            }
            return S_OK;
        }
        ++state_->speakCalls;
        std::shared_ptr<Event> gate;
        {
            std::lock_guard lock(state_->mutex);
            state_->texts.push_back(text);
            if (token_) {
                LPWSTR name = nullptr;
                if (SUCCEEDED(token_->GetStringValue(nullptr, &name))) {
                    state_->voicesUsed.push_back(name);
                    CoTaskMemFree(name);
                }
            }
            gate = state_->speakGate;
        }
        // A hung voice: the call returns only when the test lets it.
        if (gate)
            gate->Wait(INFINITE);
        unsigned speechMs;
        bool endless, atOnce;
        std::shared_ptr<Event> returnGate;
        {
            std::lock_guard lock(state_->mutex);
            if (state_->failAt == Failure::Speak)
                return E_FAIL;
            speechMs = state_->speechMs;
            endless = state_->endless;
            atOnce = state_->completeAtOnce;
            returnGate = state_->returnGate;
        }
        if (stream_) {
            auto samples = FakeJobWav::Samples(kBytesPerText);
            stream_->Write(samples.data(), kBytesPerText, nullptr);
        }
        done_->Reset();
        const int speech = ++serial_;
        speech_->store(speech);
        if (atOnce)
            Complete(done_, speech_, speech);
        else if (!endless)
            state_->scheduler->After(speechMs, [done = done_, current = speech_, speech] {
                Complete(done, current, speech);
            });
        if (returnGate)
            returnGate->Wait(INFINITE);
        return S_OK;
    }
    HRESULT GetStatus(SPVOICESTATUS* status, LPWSTR*) override {
        *status = {};
        status->dwRunningState = done_->IsSet() ? SPRS_DONE : SPRS_IS_SPEAKING;
        std::lock_guard lock(state_->mutex);
        status->hrLastResult = state_->speechResult;
        return S_OK;
    }
    HRESULT WaitUntilDone(ULONG ms) override {
        return done_->Wait(ms) == WAIT_OBJECT_0 ? S_OK : S_FALSE;
    }
    Event* SpeakCompleteEvent() override { return done_.get(); }

private:
    static void Complete(const std::shared_ptr<Event>& done,
                         const std::shared_ptr<std::atomic<int>>& current, int speech) {
        int expected = speech;
        if (current->compare_exchange_strong(expected, 0))
            done->Set();
    }

    ISpStream* stream_ = nullptr;
    ISpObjectToken* token_ = nullptr;
    std::shared_ptr<Event> done_ = std::make_shared<Event>(true);
    std::shared_ptr<std::atomic<int>> speech_ = std::make_shared<std::atomic<int>>(0);
    int serial_ = 0;
};

template <class Object> ClassFactory FactoryOf(std::shared_ptr<State> state) {
    return [state](REFIID riid, void** ppv) { return CreateComInstance<Object>(riid, ppv, state); };
}

ClassFactory VoiceFactory(std::shared_ptr<State> state) {
    return [state](REFIID riid, void** ppv) -> HRESULT {
        {
            std::lock_guard lock(state->mutex);
            if (state->failAt == Failure::Voice)
                return E_FAIL;
        }
        return CreateComInstance<FakeVoice>(riid, ppv, state);
    };
}

ClassFactory StreamFactory(std::shared_ptr<State> state) {
    return [state](REFIID riid, void** ppv) -> HRESULT {
        {
            std::lock_guard lock(state->mutex);
            if (state->failAt == Failure::Stream)
                return E_FAIL;
        }
        return CreateComInstance<FakeStream>(riid, ppv, state);
    };
}

} // namespace

FakeJobSapi5Runtime::State::State() : scheduler(std::make_unique<FakeJobScheduler>()) {}
FakeJobSapi5Runtime::State::~State() = default;

FakeJobSapi5Runtime::FakeJobSapi5Runtime() : state_(std::make_shared<State>()) {
    overrides_.push_back(std::make_unique<ScopedClassOverride>(CLSID_SpObjectTokenCategory,
                                                               FactoryOf<FakeCategory>(state_)));
    overrides_.push_back(
        std::make_unique<ScopedClassOverride>(CLSID_SpVoice, VoiceFactory(state_)));
    overrides_.push_back(
        std::make_unique<ScopedClassOverride>(CLSID_SpStream, StreamFactory(state_)));
}

FakeJobSapi5Runtime::~FakeJobSapi5Runtime() = default;
