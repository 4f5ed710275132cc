#include "tests/fakes/FakeSapi4Engine.h"

#include "tests/fakes/FakeCounted.h"
#include "tests/fakes/FakeJobScheduler.h"
#include "tests/fakes/FakeSapi4Destinations.h"

#include <algorithm>
#include <functional>

namespace {

using Lock = std::lock_guard<std::mutex>;
using Counted = FakeCounted<FakeSapi4State>;

constexpr std::uint32_t kBytesPerText = 3200;

class FakeCentral : public ComObject<FakeCentral, ITTSCentralW, ITTSAttributesW>, Counted {
public:
    // Holds the destination, as a real engine does.
    FakeCentral(std::shared_ptr<FakeSapi4State> state, FakeSapi4Mode mode, IUnknown* dest)
        : Counted(std::move(state)), m_mode(std::move(mode)), m_dest(dest) {
        if (!m_dest)
            return;
        m_dest->AddRef();
        m_dest->QueryInterface(IID_IAudioFile, reinterpret_cast<void**>(&m_file));
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
            FakeSapi4Calls& c = m_state->calls;
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
            result = m_state->results.textData;
            if (FAILED(result))
                return result;
            speechMs = m_state->speechMs;
            endless = m_state->endless;
            atOnce = m_state->postStopAtOnce;
            returnGate = m_state->returnGate;
        }
        if (m_file)
            WriteFakeSapi4Audio(m_file, kBytesPerText);
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
    IAudioFile* m_file = nullptr;
    ITTSNotifySinkW* m_sink = nullptr;
    std::shared_ptr<std::atomic<bool>> m_registered = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<std::atomic<bool>> m_speaking = std::make_shared<std::atomic<bool>>(false);
};

class FakeEnumerator : public ComObject<FakeEnumerator, ITTSEnumW, ITTSFindW>, Counted {
public:
    explicit FakeEnumerator(std::shared_ptr<FakeSapi4State> state) : Counted(std::move(state)) {}

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
        FakeSapi4Calls& c = m_state->calls;
        c.findPattern = *pattern;
        c.findRankingNull = ranking == nullptr;
        if (FAILED(m_state->results.find))
            return m_state->results.find;
        if (pattern->gModeID == kFakeSapi4VoiceModeId) {
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
        m_state->calls.deviceNumAtSelect = m_state->calls.deviceNum;
        *central = nullptr;
        if (FAILED(m_state->results.select))
            return m_state->results.select;
        if (modeId == kFakeSapi4VoiceModeId) {
            FakeSapi4Mode mode = FakeSapi4Runtime::MakeMode(u"", kFakeSapi4AllFeatures, 0);
            mode.info.gModeID = kFakeSapi4VoiceModeId;
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

} // namespace

HRESULT CreateFakeSapi4Enumerator(std::shared_ptr<FakeSapi4State> state, REFIID riid, void** ppv) {
    return CreateComInstance<FakeEnumerator>(riid, ppv, std::move(state));
}
