#include "tests/fakes/FakeSapi5Speech.h"

#include "platform/com/strings.h"
#include "tests/fakes/FakeCounted.h"
#include "tests/fakes/FakeJobScheduler.h"
#include "tests/fakes/FakeJobWav.h"

#include <cstdio>
#include <filesystem>

namespace {

using State = FakeSapi5State;
using Lock = std::lock_guard<std::mutex>;
using Counted = FakeCounted<State>;

constexpr std::uint32_t kBytesPerText = 4000;

class FakeStream : public ComObject<FakeStream, ISpStream>, Counted {
public:
    explicit FakeStream(std::shared_ptr<State> state) : Counted(std::move(state)) {
        ++m_state->streamsAlive;
    }
    ~FakeStream() override {
        Finish();
        --m_state->streamsAlive;
    }

    HRESULT BindToFile(LPCWSTR path, SPFILEMODE mode, const GUID* formatId,
                       const WAVEFORMATEX* format, ULONGLONG interest) override {
        {
            Lock lock(m_state->mutex);
            FakeSapi5Calls& c = m_state->calls;
            c.boundPath = path;
            c.bindMode = mode;
            c.boundFormatId = formatId ? *formatId : GUID{};
            c.boundFormat = format ? *format : WAVEFORMATEX{};
            c.eventInterest = interest;
            m_state->boundRates.push_back(format ? static_cast<int>(format->nSamplesPerSec) : 0);
            if (FAILED(m_state->results.bindToFile))
                return m_state->results.bindToFile;
        }
        if (!format)
            return E_INVALIDARG;
        m_format = *format;
        m_path = path;
        m_file = std::fopen(ToUtf8(path).c_str(), "wb");
        if (!m_file)
            return E_ACCESSDENIED;
        WriteHeader();
        return S_OK;
    }
    HRESULT GetFormat(GUID* id, WAVEFORMATEX** format) override {
        *id = SPDFID_WaveFormatEx;
        *format = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
        **format = m_format;
        return S_OK;
    }
    HRESULT Write(const void* data, ULONG bytes, ULONG* written) override {
        if (!m_file)
            return SPERR_STREAM_CLOSED;
        std::fwrite(data, 1, bytes, m_file);
        m_dataBytes += bytes;
        if (written)
            *written = bytes;
        return S_OK;
    }
    HRESULT Close() override {
        {
            Lock lock(m_state->mutex);
            m_state->calls.streamClosed = true;
            m_state->calls.fileExistedAtClose = std::filesystem::exists(ToUtf8(m_path));
        }
        Finish();
        return S_OK;
    }

private:
    void WriteHeader() {
        const auto header = FakeJobWav::Header(m_format.nSamplesPerSec, m_format.wBitsPerSample,
                                               m_format.nChannels, m_dataBytes);
        std::fseek(m_file, 0, SEEK_SET);
        std::fwrite(header.data(), 1, header.size(), m_file);
    }
    // Completes the file, as the real stream does on Close and on release;
    // only an explicit Close is recorded.
    void Finish() {
        if (!m_file)
            return;
        WriteHeader();
        std::fclose(m_file);
        m_file = nullptr;
    }

    WAVEFORMATEX m_format{};
    std::u16string m_path;
    std::FILE* m_file = nullptr;
    std::uint32_t m_dataBytes = 0;
};

class FakeVoice : public ComObject<FakeVoice, ISpVoice>, Counted {
public:
    explicit FakeVoice(std::shared_ptr<State> state) : Counted(std::move(state)) {
        ++m_state->voicesAlive;
        Lock lock(m_state->mutex);
        m_state->calls.completeEvent = m_done.get();
    }
    ~FakeVoice() override {
        m_speech->store(0);
        SafeRelease(m_stream);
        SafeRelease(m_token);
        --m_state->voicesAlive;
    }

    HRESULT SetOutput(IUnknown* output, BOOL allow) override {
        {
            Lock lock(m_state->mutex);
            ++m_state->calls.setOutputCalls;
            m_state->calls.output = output;
            m_state->calls.allowFormatChanges = allow;
            if (FAILED(m_state->results.setOutput))
                return m_state->results.setOutput;
        }
        // Like the real voice, it holds on to its output.
        SafeRelease(m_stream);
        if (output)
            return output->QueryInterface(IID_ISpStream, reinterpret_cast<void**>(&m_stream));
        return S_OK;
    }
    HRESULT SetVoice(ISpObjectToken* token) override {
        {
            Lock lock(m_state->mutex);
            m_state->calls.voiceToken = token;
            if (FAILED(m_state->results.setVoice))
                return m_state->results.setVoice;
        }
        SafeRelease(m_token);
        m_token = token;
        if (m_token)
            m_token->AddRef();
        return S_OK;
    }
    HRESULT GetVoice(ISpObjectToken** token) override {
        *token = m_token;
        if (m_token)
            m_token->AddRef();
        return S_OK;
    }
    HRESULT Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber) override {
        if (streamNumber)
            *streamNumber = 1;
        if (!text)
            return Purge(flags);
        ++m_state->speakCalls;
        std::shared_ptr<Event> gate;
        {
            Lock lock(m_state->mutex);
            m_state->calls.spokenText = text;
            m_state->calls.speakFlags = flags;
            m_state->texts.push_back(text);
            if (m_token) {
                LPWSTR name = nullptr;
                if (SUCCEEDED(m_token->GetStringValue(nullptr, &name))) {
                    m_state->voicesUsed.push_back(name);
                    CoTaskMemFree(name);
                }
            }
            gate = m_state->speakGate;
        }
        // A hung voice: the call returns only when the test lets it.
        if (gate)
            gate->Wait(INFINITE);
        unsigned speechMs;
        bool endless, atOnce;
        std::shared_ptr<Event> returnGate;
        {
            Lock lock(m_state->mutex);
            if (FAILED(m_state->results.speak))
                return m_state->results.speak;
            speechMs = m_state->speechMs;
            endless = m_state->endless;
            atOnce = m_state->completeAtOnce;
            returnGate = m_state->returnGate;
        }
        if (m_stream) {
            const auto samples = FakeJobWav::Samples(kBytesPerText);
            m_stream->Write(samples.data(), kBytesPerText, nullptr);
        }
        m_done->Reset();
        const int speech = ++m_serial;
        m_speech->store(speech);
        if (atOnce)
            Complete(m_done, m_speech, speech);
        else if (!endless)
            m_state->scheduler->After(speechMs, [done = m_done, current = m_speech, speech] {
                Complete(done, current, speech);
            });
        if (returnGate)
            returnGate->Wait(INFINITE);
        return S_OK;
    }
    HRESULT GetStatus(SPVOICESTATUS* status, LPWSTR*) override {
        *status = {};
        status->dwRunningState = m_done->IsSet() ? SPRS_DONE : SPRS_IS_SPEAKING;
        Lock lock(m_state->mutex);
        status->hrLastResult = m_state->speechResult;
        return S_OK;
    }
    HRESULT WaitUntilDone(ULONG ms) override {
        return m_done->Wait(ms) == WAIT_OBJECT_0 ? S_OK : S_FALSE;
    }
    Event* SpeakCompleteEvent() override { return m_done.get(); }

private:
    HRESULT Purge(DWORD flags) {
        Lock lock(m_state->mutex);
        m_state->calls.purges.push_back(flags);
        if (flags & SPF_PURGEBEFORESPEAK) {
            m_speech->store(0);
            m_done->Set();
        }
        return S_OK;
    }
    // The end of one speech; dropped when a purge or a later Speak came first.
    static void Complete(const std::shared_ptr<Event>& done,
                         const std::shared_ptr<std::atomic<int>>& current, int speech) {
        int expected = speech;
        if (current->compare_exchange_strong(expected, 0))
            done->Set();
    }

    ISpStream* m_stream = nullptr;
    ISpObjectToken* m_token = nullptr;
    std::shared_ptr<Event> m_done = std::make_shared<Event>(true);
    std::shared_ptr<std::atomic<int>> m_speech = std::make_shared<std::atomic<int>>(0);
    int m_serial = 0;
};

} // namespace

HRESULT CreateFakeSapi5Voice(std::shared_ptr<FakeSapi5State> state, REFIID riid, void** ppv) {
    return CreateComInstance<FakeVoice>(riid, ppv, std::move(state));
}

HRESULT CreateFakeSapi5Stream(std::shared_ptr<FakeSapi5State> state, REFIID riid, void** ppv) {
    return CreateComInstance<FakeStream>(riid, ppv, std::move(state));
}
