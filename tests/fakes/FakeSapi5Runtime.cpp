#include "tests/fakes/FakeSapi5Runtime.h"

#include "tests/fakes/FakeCounted.h"
#include "tests/fakes/FakeJobScheduler.h"
#include "tests/fakes/FakeSapi5Speech.h"

#include <cstring>

namespace {

using State = FakeSapi5State;
using Lock = std::lock_guard<std::mutex>;
using Counted = FakeCounted<State>;

LPWSTR CoMemString(const std::u16string& s) {
    auto* p = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(WCHAR)));
    std::memcpy(p, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
    return p;
}

// Holds its own references to the tokens, so that it outlives the runtime
// safely in a given-up worker.
class FakeEnum : public ComObject<FakeEnum, IEnumSpObjectTokens>, Counted {
public:
    explicit FakeEnum(std::shared_ptr<State> state) : Counted(std::move(state)) {
        Lock lock(m_state->mutex);
        m_tokens = m_state->tokens;
        for (auto* t : m_tokens)
            t->AddRef();
    }
    ~FakeEnum() override {
        for (auto* t : m_tokens)
            t->Release();
    }
    HRESULT Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) override {
        ULONG n = 0;
        for (; n < count && m_next < m_tokens.size(); ++n)
            Item(static_cast<ULONG>(m_next++), &tokens[n]);
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        m_next += count;
        return S_OK;
    }
    HRESULT Reset() override {
        m_next = 0;
        return S_OK;
    }
    HRESULT Clone(IEnumSpObjectTokens**) override { return E_NOTIMPL; }
    HRESULT Item(ULONG index, ISpObjectToken** token) override {
        if (index >= m_tokens.size())
            return SPERR_NOT_FOUND;
        *token = m_tokens[index];
        (*token)->AddRef();
        return S_OK;
    }
    HRESULT GetCount(ULONG* count) override {
        *count = static_cast<ULONG>(m_tokens.size());
        return S_OK;
    }

private:
    std::vector<ISpObjectToken*> m_tokens;
    std::size_t m_next = 0;
};

class FakeCategory : public ComObject<FakeCategory, ISpObjectTokenCategory>, Counted {
public:
    explicit FakeCategory(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    HRESULT SetId(LPCWSTR id, BOOL create) override {
        Lock lock(m_state->mutex);
        m_state->calls.categoryId = id;
        m_state->calls.createIfNotExist = create;
        return m_state->results.setId;
    }
    HRESULT GetId(LPWSTR* id) override {
        *id = CoMemString(SPCAT_VOICES);
        return S_OK;
    }
    HRESULT EnumTokens(LPCWSTR required, LPCWSTR optional, IEnumSpObjectTokens** out) override {
        *out = nullptr;
        {
            Lock lock(m_state->mutex);
            m_state->calls.enumAttributesNull = !required && !optional;
            if (FAILED(m_state->results.enumTokens))
                return m_state->results.enumTokens;
        }
        *out = new FakeEnum(m_state);
        return S_OK;
    }
    HRESULT GetDefaultTokenId(LPWSTR*) override { return E_NOTIMPL; }
};

HRESULT CreateFakeCategory(std::shared_ptr<State> state, REFIID riid, void** ppv) {
    return CreateComInstance<FakeCategory>(riid, ppv, std::move(state));
}

// A factory whose creation fails with the result the test chose at the time.
ClassFactory FactoryOf(std::shared_ptr<State> state,
                       HRESULT (*create)(std::shared_ptr<State>, REFIID, void**),
                       HRESULT FakeSapi5Results::*result) {
    return [state, create, result](REFIID riid, void** ppv) -> HRESULT {
        {
            Lock lock(state->mutex);
            if (FAILED(state->results.*result))
                return state->results.*result;
        }
        return create(state, riid, ppv);
    };
}

} // namespace

FakeSapi5State::FakeSapi5State() : scheduler(std::make_unique<FakeJobScheduler>()) {}
FakeSapi5State::~FakeSapi5State() = default;

FakeSapi5Token::FakeSapi5Token(std::shared_ptr<FakeSapi5State> state, std::u16string id,
                               std::map<std::u16string, std::u16string> values)
    : m_state(std::move(state)), m_id(std::move(id)), m_values(std::move(values)) {
    ++m_state->liveObjects;
}

HRESULT FakeSapi5Token::GetId(LPWSTR* coMemTokenId) {
    *coMemTokenId = CoMemString(m_id);
    return S_OK;
}

HRESULT FakeSapi5Token::GetStringValue(LPCWSTR valueName, LPWSTR* coMemData) {
    *coMemData = nullptr;
    auto it = m_values.find(valueName ? valueName : u"");
    if (it == m_values.end())
        return SPERR_NOT_FOUND;
    *coMemData = CoMemString(it->second);
    return S_OK;
}

// Every reference counts as a live object, so that a test sees a token
// reference the program failed to let go of.
ULONG FakeSapi5Token::AddRef() {
    ++m_state->liveObjects;
    return ComObject::AddRef();
}

ULONG FakeSapi5Token::Release() {
    --m_state->liveObjects;
    return ComObject::Release();
}

FakeSapi5Runtime::FakeSapi5Runtime() : m_state(std::make_shared<FakeSapi5State>()) {
    m_overrides.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_SpObjectTokenCategory,
        FactoryOf(m_state, CreateFakeCategory, &FakeSapi5Results::createCategory)));
    m_overrides.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_SpVoice, FactoryOf(m_state, CreateFakeSapi5Voice, &FakeSapi5Results::createVoice)));
    m_overrides.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_SpStream,
        FactoryOf(m_state, CreateFakeSapi5Stream, &FakeSapi5Results::createStream)));
}

FakeSapi5Runtime::~FakeSapi5Runtime() {
    m_overrides.clear();
    std::vector<ISpObjectToken*> tokens;
    {
        Lock lock(m_state->mutex);
        tokens.swap(m_state->tokens);
    }
    for (auto* t : tokens)
        t->Release();
}

FakeSapi5Token* FakeSapi5Runtime::AddToken(std::u16string id,
                                           std::map<std::u16string, std::u16string> values) {
    auto* token = new FakeSapi5Token(m_state, std::move(id), std::move(values));
    Lock lock(m_state->mutex);
    m_state->tokens.push_back(token);
    return token;
}

int FakeSapi5Runtime::Alive() const {
    Lock lock(m_state->mutex);
    return m_state->liveObjects - static_cast<int>(m_state->tokens.size());
}
