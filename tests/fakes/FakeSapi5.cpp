#include "tests/fakes/FakeSapi5.h"

#include "platform/com/strings.h"

#include <atomic>
#include <filesystem>
#include <fstream>

namespace {

std::atomic<int> g_tokens{0};
std::atomic<int> g_voices{0};
std::atomic<int> g_streams{0};

HRESULT CopyString(const std::u16string& text, LPWSTR* out) {
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    std::copy(text.begin(), text.end(), copy);
    copy[text.size()] = 0;
    *out = copy;
    return S_OK;
}

class FakeEnum : public ComObject<FakeEnum, IEnumSpObjectTokens> {
public:
    explicit FakeEnum(std::vector<FakeSapi5Token*> tokens) : tokens_(std::move(tokens)) {
        for (auto* t : tokens_)
            t->AddRef();
    }
    ~FakeEnum() override {
        for (auto* t : tokens_)
            t->Release();
    }
    HRESULT Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) override {
        ULONG n = 0;
        for (; n < count && next_ < tokens_.size(); ++n) {
            tokens[n] = tokens_[next_++];
            tokens[n]->AddRef();
        }
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumSpObjectTokens**) override { return E_NOTIMPL; }
    HRESULT Item(ULONG, ISpObjectToken**) override { return E_NOTIMPL; }
    HRESULT GetCount(ULONG* count) override {
        *count = static_cast<ULONG>(tokens_.size());
        return S_OK;
    }

private:
    std::vector<FakeSapi5Token*> tokens_;
    std::size_t next_ = 0;
};

class FakeCategory : public ComObject<FakeCategory, ISpObjectTokenCategory> {
public:
    FakeCategory(const FakeSapi5Runtime::Results& results,
                 std::shared_ptr<FakeSapi5Runtime::Calls> calls,
                 std::vector<FakeSapi5Token*> tokens)
        : results_(results), calls_(std::move(calls)), tokens_(std::move(tokens)) {}
    HRESULT SetId(LPCWSTR id, BOOL create) override {
        calls_->categoryId = id;
        calls_->createIfNotExist = create;
        return results_.setId;
    }
    HRESULT GetId(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT EnumTokens(LPCWSTR required, LPCWSTR optional, IEnumSpObjectTokens** out) override {
        calls_->enumAttributesNull = !required && !optional;
        *out = nullptr;
        if (FAILED(results_.enumTokens))
            return results_.enumTokens;
        return CreateComInstance<FakeEnum>(IID_IEnumSpObjectTokens, reinterpret_cast<void**>(out),
                                           tokens_);
    }
    HRESULT GetDefaultTokenId(LPWSTR*) override { return E_NOTIMPL; }

private:
    FakeSapi5Runtime::Results results_;
    std::shared_ptr<FakeSapi5Runtime::Calls> calls_;
    std::vector<FakeSapi5Token*> tokens_;
};

class FakeStream : public ComObject<FakeStream, ISpStream> {
public:
    FakeStream(const FakeSapi5Runtime::Results& results,
               std::shared_ptr<FakeSapi5Runtime::Calls> calls)
        : results_(results), calls_(std::move(calls)) {
        ++g_streams;
    }
    ~FakeStream() override { --g_streams; }
    HRESULT BindToFile(LPCWSTR file, SPFILEMODE mode, const GUID* formatId,
                       const WAVEFORMATEX* format, ULONGLONG interest) override {
        calls_->boundPath = file;
        calls_->bindMode = mode;
        calls_->boundFormatId = *formatId;
        calls_->boundFormat = *format;
        calls_->eventInterest = interest;
        if (FAILED(results_.bindToFile))
            return results_.bindToFile;
        std::ofstream(ToUtf8(file), std::ios::binary) << "RIFF";
        return S_OK;
    }
    HRESULT GetFormat(GUID*, WAVEFORMATEX**) override { return E_NOTIMPL; }
    HRESULT Write(const void*, ULONG, ULONG*) override { return E_NOTIMPL; }
    HRESULT Close() override {
        calls_->streamClosed = true;
        calls_->fileExistedAtClose = std::filesystem::exists(ToUtf8(calls_->boundPath));
        return S_OK;
    }

private:
    FakeSapi5Runtime::Results results_;
    std::shared_ptr<FakeSapi5Runtime::Calls> calls_;
};

class FakeVoice : public ComObject<FakeVoice, ISpVoice> {
public:
    FakeVoice(const FakeSapi5Runtime::Results& results,
              std::shared_ptr<FakeSapi5Runtime::Calls> calls, Event* complete)
        : results_(results), calls_(std::move(calls)), complete_(complete) {
        ++g_voices;
    }
    ~FakeVoice() override {
        SafeRelease(output_);
        --g_voices;
    }
    HRESULT SetOutput(IUnknown* output, BOOL allow) override {
        ++calls_->setOutputCalls;
        calls_->output = output;
        calls_->allowFormatChanges = allow;
        if (FAILED(results_.setOutput))
            return results_.setOutput;
        // Like the real voice, it holds on to its output.
        SafeRelease(output_);
        output_ = output;
        if (output_)
            output_->AddRef();
        return S_OK;
    }
    HRESULT SetVoice(ISpObjectToken* token) override {
        calls_->voiceToken = token;
        return results_.setVoice;
    }
    HRESULT GetVoice(ISpObjectToken**) override { return E_NOTIMPL; }
    HRESULT Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber) override {
        if (!text) {
            calls_->purges.push_back(flags);
            return S_OK;
        }
        calls_->spokenText = text;
        calls_->speakFlags = flags;
        if (streamNumber)
            *streamNumber = 1;
        return results_.speak;
    }
    HRESULT GetStatus(SPVOICESTATUS*, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT WaitUntilDone(ULONG ms) override {
        return complete_->Wait(ms) == WAIT_OBJECT_0 ? S_OK : S_FALSE;
    }
    Event* SpeakCompleteEvent() override { return complete_; }

private:
    FakeSapi5Runtime::Results results_;
    std::shared_ptr<FakeSapi5Runtime::Calls> calls_;
    Event* complete_;
    IUnknown* output_ = nullptr;
};

} // namespace

FakeSapi5Token::FakeSapi5Token(std::u16string id, std::map<std::u16string, std::u16string> values)
    : id_(std::move(id)), values_(std::move(values)) {
    ++g_tokens;
}

FakeSapi5Token::~FakeSapi5Token() {
    --g_tokens;
}

int FakeSapi5Token::Alive() {
    return g_tokens;
}

HRESULT FakeSapi5Token::GetId(LPWSTR* coMemTokenId) {
    return CopyString(id_, coMemTokenId);
}

HRESULT FakeSapi5Token::GetStringValue(LPCWSTR valueName, LPWSTR* coMemData) {
    *coMemData = nullptr;
    auto it = values_.find(valueName ? valueName : u"");
    if (it == values_.end())
        return SPERR_NOT_FOUND;
    return CopyString(it->second, coMemData);
}

struct FakeSapi5Runtime::Overrides {
    ScopedClassOverride category;
    ScopedClassOverride voice;
    ScopedClassOverride stream;
};

FakeSapi5Runtime::FakeSapi5Runtime() {
    // The factories read the results at creation time, so a test may change
    // them between two calls of the code under test.
    auto categoryFactory = [this](REFIID riid, void** ppv) {
        if (FAILED(results.createCategory))
            return results.createCategory;
        return CreateComInstance<FakeCategory>(riid, ppv, results, calls, tokens_);
    };
    auto voiceFactory = [this](REFIID riid, void** ppv) {
        if (FAILED(results.createVoice))
            return results.createVoice;
        return CreateComInstance<FakeVoice>(riid, ppv, results, calls, &complete_);
    };
    auto streamFactory = [this](REFIID riid, void** ppv) {
        if (FAILED(results.createStream))
            return results.createStream;
        return CreateComInstance<FakeStream>(riid, ppv, results, calls);
    };
    overrides_.reset(new Overrides{{CLSID_SpObjectTokenCategory, categoryFactory},
                                   {CLSID_SpVoice, voiceFactory},
                                   {CLSID_SpStream, streamFactory}});
}

FakeSapi5Runtime::~FakeSapi5Runtime() {
    overrides_.reset();
    for (auto* t : tokens_)
        t->Release();
}

FakeSapi5Token* FakeSapi5Runtime::AddToken(std::u16string id,
                                           std::map<std::u16string, std::u16string> values) {
    auto* token = new FakeSapi5Token(std::move(id), std::move(values));
    tokens_.push_back(token);
    return token;
}

int FakeSapi5Runtime::VoicesAlive() const {
    return g_voices;
}
int FakeSapi5Runtime::StreamsAlive() const {
    return g_streams;
}
