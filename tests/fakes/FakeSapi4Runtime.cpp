#include "tests/fakes/FakeSapi4Runtime.h"

#include "platform/com/strings.h"

#include <algorithm>
#include <fstream>

struct FakeSapi4Runtime::State {
    std::vector<FakeSapi4Mode> modes;
    Results results;
    Calls calls;
    std::atomic<int> alive{0};
};

namespace {

using State = FakeSapi4Runtime::State;
using Calls = FakeSapi4Runtime::Calls;

// Counts the fake objects alive, so tests see what the adapter released.
class Counted {
public:
    explicit Counted(std::shared_ptr<State> state) : state_(std::move(state)) { ++state_->alive; }
    ~Counted() { --state_->alive; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;

protected:
    std::shared_ptr<State> state_;
};

class FakeCentral : public ComObject<FakeCentral, ITTSCentralW, ITTSAttributesW>, Counted {
public:
    // Holds the destination, as a real engine does.
    FakeCentral(std::shared_ptr<State> state, FakeSapi4Mode mode, IUnknown* dest)
        : Counted(std::move(state)), mode_(std::move(mode)), dest_(dest) {
        if (dest_)
            dest_->AddRef();
    }
    ~FakeCentral() override {
        state_->calls.log.push_back("~Central");
        if (dest_)
            dest_->Release();
    }

    HRESULT Inject(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT ModeGet(PTTSMODEINFOW mode) override {
        *mode = mode_.info;
        return S_OK;
    }
    HRESULT Phoneme(VOICECHARSET, DWORD, SDATA, PSDATA) override { return E_NOTIMPL; }
    HRESULT PosnGet(QWORD*) override { return E_NOTIMPL; }
    HRESULT TextData(VOICECHARSET charset, DWORD flags, SDATA text, void* bufNotify,
                     IID bufIid) override {
        Calls& c = state_->calls;
        ++c.textDataCalls;
        c.charset = charset;
        c.textFlags = flags;
        c.textBytes = text.dwSize;
        c.text.assign(static_cast<const WCHAR*>(text.pData), text.dwSize / sizeof(WCHAR));
        c.bufNotify = bufNotify;
        c.bufIid = bufIid;
        return state_->results.textData;
    }
    HRESULT ToFileTime(QWORD*, FILETIME*) override { return E_NOTIMPL; }
    HRESULT AudioPause() override { return E_NOTIMPL; }
    HRESULT AudioResume() override { return E_NOTIMPL; }
    HRESULT AudioReset() override {
        state_->calls.log.push_back("AudioReset");
        return S_OK;
    }
    HRESULT Register(void* sink, IID iid, DWORD* key) override {
        state_->calls.registeredSink = sink;
        state_->calls.registerIid = iid;
        if (FAILED(state_->results.registerSink))
            return state_->results.registerSink;
        *key = FakeSapi4Runtime::kSinkKey;
        return S_OK;
    }
    HRESULT UnRegister(DWORD key) override {
        state_->calls.unregistered.push_back(key);
        state_->calls.log.push_back("UnRegister");
        return S_OK;
    }

    HRESULT PitchGet(WORD* v) override {
        DWORD d = 0;
        HRESULT hr = Get(mode_.pitch, &d);
        *v = static_cast<WORD>(d);
        return hr;
    }
    HRESULT PitchSet(WORD v) override { return Set("pitch", mode_.pitch, v); }
    HRESULT RealTimeGet(DWORD*) override { return E_NOTIMPL; }
    HRESULT RealTimeSet(DWORD) override { return E_NOTIMPL; }
    HRESULT SpeedGet(DWORD* v) override { return Get(mode_.speed, v); }
    HRESULT SpeedSet(DWORD v) override { return Set("speed", mode_.speed, v); }
    HRESULT VolumeGet(DWORD* v) override { return Get(mode_.volume, v); }
    HRESULT VolumeSet(DWORD v) override { return Set("volume", mode_.volume, v); }

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_ITTSAttributesW && FAILED(state_->results.queryAttributes)) {
            *ppv = nullptr;
            return state_->results.queryAttributes;
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
        state_->calls.attributeSets.push_back(std::string(name) + "=" + std::to_string(v));
        if (v == 0 && a.setZeroFails)
            return E_INVALIDARG;
        a.current = std::clamp(v, a.min, a.max);
        return S_OK;
    }

    FakeSapi4Mode mode_;
    IUnknown* dest_;
};

class FakeEnumerator : public ComObject<FakeEnumerator, ITTSEnumW, ITTSFindW>, Counted {
public:
    explicit FakeEnumerator(std::shared_ptr<State> state) : Counted(std::move(state)) {}

    HRESULT Next(ULONG count, PTTSMODEINFOW modes, ULONG* fetched) override {
        ULONG n = 0;
        for (; n < count && next_ < state_->modes.size(); ++n)
            modes[n] = state_->modes[next_++].info;
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG) override { return E_NOTIMPL; }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Clone(ITTSEnumW**) override { return E_NOTIMPL; }
    HRESULT Find(PTTSMODEINFOW pattern, PTTSMODEINFORANK ranking, PTTSMODEINFOW found) override {
        Calls& c = state_->calls;
        ++c.finds;
        c.findPattern = *pattern;
        c.findRankingNull = ranking == nullptr;
        if (FAILED(state_->results.find))
            return state_->results.find;
        for (const auto& m : state_->modes)
            if (m.info.gModeID == pattern->gModeID) {
                *found = m.info;
                return S_OK;
            }
        return E_FAIL;
    }
    HRESULT Select(GUID modeId, ITTSCentralW** central, IUnknown* dest) override {
        state_->calls.selects.push_back(modeId);
        state_->calls.selectDest = dest;
        *central = nullptr;
        if (FAILED(state_->results.select))
            return state_->results.select;
        for (const auto& m : state_->modes)
            if (m.info.gModeID == modeId) {
                *central = new FakeCentral(state_, m, dest);
                return state_->results.select;
            }
        return E_INVALIDARG;
    }

private:
    std::size_t next_ = 0;
};

class FakeFileDest : public ComObject<FakeFileDest, IAudioFile>, Counted {
public:
    explicit FakeFileDest(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    ~FakeFileDest() override { state_->calls.log.push_back("~File"); }

    HRESULT Register(void*) override { return E_NOTIMPL; }
    HRESULT Set(LPCWSTR path, DWORD flags) override {
        state_->calls.setPath = path;
        state_->calls.setFlags = flags;
        if (FAILED(state_->results.setFile))
            return state_->results.setFile;
        std::ofstream(ToUtf8(path), std::ios::binary) << "RIFF";
        return S_OK;
    }
    HRESULT Add(LPCWSTR, DWORD) override { return E_NOTIMPL; }
    HRESULT Flush() override {
        state_->calls.log.push_back("Flush");
        return state_->results.flush;
    }
    HRESULT RealTimeGet(WORD*) override { return E_NOTIMPL; }
    HRESULT RealTimeSet(WORD v) override {
        state_->calls.realTime = v;
        return state_->results.realTimeSet;
    }
};

class FakeDevice : public ComObject<FakeDevice, IAudioMultiMediaDevice>, Counted {
public:
    explicit FakeDevice(std::shared_ptr<State> state) : Counted(std::move(state)) {}
    ~FakeDevice() override { state_->calls.log.push_back("~Device"); }

    HRESULT CustomMessage(UINT, SDATA) override { return E_NOTIMPL; }
    HRESULT DeviceNumGet(DWORD*) override { return E_NOTIMPL; }
    HRESULT DeviceNumSet(DWORD id) override {
        state_->calls.deviceNum = id;
        return state_->results.deviceNumSet;
    }
};

// Creates `object` and answers the interface, with a result of the fake's choosing.
template <class T> HRESULT Answer(T* object, REFIID riid, void** ppv, HRESULT result = S_OK) {
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return FAILED(hr) ? hr : result;
}

} // namespace

FakeSapi4Runtime::FakeSapi4Runtime() : state_(std::make_shared<State>()) {
    auto s = state_;
    overrides_.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_TTSEnumerator, [s](REFIID riid, void** ppv) -> HRESULT {
            if (s->results.enumeratorMissing)
                return REGDB_E_CLASSNOTREG;
            ++s->calls.enumerators;
            return Answer(new FakeEnumerator(s), riid, ppv);
        }));
    overrides_.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_AudioDestFile, [s](REFIID riid, void** ppv) -> HRESULT {
            if (s->results.fileDestMissing)
                return REGDB_E_CLASSNOTREG;
            ++s->calls.fileDests;
            return Answer(new FakeFileDest(s), riid, ppv);
        }));
    overrides_.push_back(std::make_unique<ScopedClassOverride>(
        CLSID_MMAudioDest, [s](REFIID riid, void** ppv) -> HRESULT {
            if (s->results.deviceMissing)
                return REGDB_E_CLASSNOTREG;
            ++s->calls.devices;
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
    state_->modes.push_back(mode);
}

void FakeSapi4Runtime::AddMode(const std::u16string& name, DWORD features) {
    AddMode(MakeMode(name, features, static_cast<int>(state_->modes.size()) + 1));
}

FakeSapi4Runtime::Results& FakeSapi4Runtime::results() {
    return state_->results;
}

FakeSapi4Runtime::Calls& FakeSapi4Runtime::calls() {
    return state_->calls;
}

int FakeSapi4Runtime::Alive() const {
    return state_->alive;
}
