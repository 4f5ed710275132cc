#include "tests/fakes/FakeWmfRuntime.h"

#include "tests/fakes/FakeCounted.h"

#include <algorithm>
#include <cstring>

namespace {

using State = std::shared_ptr<FakeWmfState>;

using Tracked = FakeCounted<FakeWmfState>;

HRESULT CopyText(const std::u16string& text, bool withoutZero, WCHAR* buffer, DWORD* length) {
    if (!length)
        return E_POINTER;
    const DWORD needed = static_cast<DWORD>(text.size() + 1);
    if (!buffer) {
        *length = withoutZero ? needed - 1 : needed;
        return S_OK;
    }
    if (*length < needed)
        return ASF_E_BUFFERTOOSMALL;
    std::memcpy(buffer, text.c_str(), needed * sizeof(WCHAR));
    return S_OK;
}

class FakeStreamConfig : public ComObject<FakeStreamConfig, IWMStreamConfig>, Tracked {
public:
    FakeStreamConfig(State s, DWORD codec, DWORD position)
        : Tracked(std::move(s)), m_codec(codec), m_position(position) {}
    HRESULT GetStreamType(GUID* type) override {
        *type = WMMEDIATYPE_Audio;
        return S_OK;
    }
    HRESULT GetStreamNumber(WORD* n) override {
        *n = m_number;
        return S_OK;
    }
    HRESULT SetStreamNumber(WORD n) override {
        HRESULT hr = m_state->Call("SetStreamNumber");
        if (SUCCEEDED(hr))
            m_number = n;
        return hr;
    }
    HRESULT GetBitrate(DWORD* bits) override {
        *bits = 0;
        return S_OK;
    }
    DWORD m_codec, m_position;
    WORD m_number = 0;
};

class FakeProfile : public ComObject<FakeProfile, IWMProfile>, Tracked {
public:
    using Tracked::Tracked;
    HRESULT GetVersion(WMT_VERSION* v) override {
        *v = WMT_VER_9_0;
        return S_OK;
    }
    HRESULT GetStreamCount(DWORD* count) override {
        *count = m_streams;
        return S_OK;
    }
    HRESULT GetStream(DWORD, IWMStreamConfig**) override { return E_NOTIMPL; }
    HRESULT AddStream(IWMStreamConfig* config) override {
        HRESULT hr = m_state->Call("AddStream");
        if (FAILED(hr))
            return hr;
        auto* fake = dynamic_cast<FakeStreamConfig*>(config);
        m_state->streamFormat = std::make_pair(fake->m_codec, fake->m_position);
        m_state->streamNumber = fake->m_number;
        ++m_streams;
        return S_OK;
    }
    DWORD m_streams = 0;
};

class FakeProfileManager : public ComObject<FakeProfileManager, IWMProfileManager2, IWMCodecInfo3>,
                           Tracked {
public:
    using Tracked::Tracked;

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if ((riid == IID_IWMProfileManager2 && !m_state->hasProfileManager2) ||
            (riid == IID_IWMCodecInfo3 && !m_state->hasCodecInfo3)) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return ComObject::QueryInterface(riid, ppv);
    }
    void* QueryOtherInterface(REFIID riid) {
        if (riid == IID_IWMProfileManager)
            return static_cast<IWMProfileManager*>(this);
        return nullptr;
    }

    HRESULT CreateEmptyProfile(WMT_VERSION, IWMProfile** profile) override {
        *profile = nullptr;
        HRESULT hr = m_state->Call("CreateEmptyProfile");
        if (FAILED(hr))
            return hr;
        *profile = new FakeProfile(m_state);
        return S_OK;
    }
    HRESULT GetSystemProfileVersion(WMT_VERSION* v) override {
        *v = m_state->systemProfileVersion;
        return S_OK;
    }
    HRESULT SetSystemProfileVersion(WMT_VERSION v) override {
        m_state->systemProfileVersion = v;
        return m_state->Call("SetSystemProfileVersion");
    }
    HRESULT GetCodecInfoCount(REFGUID type, DWORD* count) override {
        HRESULT hr = m_state->Call("GetCodecInfoCount");
        *count = type == WMMEDIATYPE_Audio ? static_cast<DWORD>(m_state->codecs.size()) : 0;
        return hr;
    }
    HRESULT GetCodecFormatCount(REFGUID, DWORD codec, DWORD* count) override {
        HRESULT hr = m_state->Call("GetCodecFormatCount");
        if (FAILED(hr))
            return hr;
        const auto* group = m_state->Group(codec);
        if (!group)
            return E_INVALIDARG;
        *count = static_cast<DWORD>(group->size());
        return S_OK;
    }
    HRESULT GetCodecFormat(REFGUID, DWORD codec, DWORD position,
                           IWMStreamConfig** config) override {
        *config = nullptr;
        HRESULT hr = m_state->Call("GetCodecFormat");
        if (FAILED(hr))
            return hr;
        const auto* group = m_state->Group(codec);
        if (!group || position >= group->size())
            return E_INVALIDARG;
        *config = new FakeStreamConfig(m_state, codec, position);
        return S_OK;
    }
    HRESULT GetCodecName(REFGUID, DWORD codec, WCHAR* name, DWORD* length) override {
        HRESULT hr = m_state->Call("GetCodecName");
        if (FAILED(hr))
            return hr;
        if (codec >= m_state->codecs.size())
            return E_INVALIDARG;
        const auto& c = m_state->codecs[codec];
        return CopyText(c.name, c.lengthWithoutZero, name, length);
    }
    HRESULT GetCodecFormatDesc(REFGUID, DWORD codec, DWORD position, IWMStreamConfig** config,
                               WCHAR* text, DWORD* length) override {
        HRESULT hr = m_state->Call("GetCodecFormatDesc");
        if (FAILED(hr))
            return hr;
        if (config)
            return E_NOTIMPL; // the program never asks for one here
        const auto* group = m_state->Group(codec);
        if (!group || position >= group->size())
            return E_INVALIDARG;
        return CopyText((*group)[position], m_state->codecs[codec].lengthWithoutZero, text, length);
    }
    HRESULT SetCodecEnumerationSetting(REFGUID type, DWORD codec, LPCWSTR name,
                                       WMT_ATTR_DATATYPE dataType, const BYTE* value,
                                       DWORD size) override {
        const std::u16string setting(name);
        HRESULT hr = m_state->Call("SetCodecEnumerationSetting");
        HRESULT specific = m_state->Call("SetCodecEnumerationSetting:" +
                                         std::string(setting.begin(), setting.end()));
        if (FAILED(hr) || FAILED(specific))
            return FAILED(hr) ? hr : specific;
        if (!(type == WMMEDIATYPE_Audio) || codec >= m_state->codecs.size() ||
            size != sizeof(DWORD))
            return E_INVALIDARG;
        DWORD v = 0;
        std::memcpy(&v, value, sizeof v);
        m_state->settings.push_back({codec, setting, v});
        auto& mode = m_state->enumeration[codec];
        if (setting == g_wszVBREnabled) {
            if (dataType != WMT_TYPE_BOOL)
                return E_INVALIDARG;
            hr = v ? m_state->codecs[codec].vbrSetting : m_state->codecs[codec].cbrSetting;
            if (SUCCEEDED(hr))
                mode.first = v != 0;
            return hr;
        }
        if (setting == g_wszNumPasses) {
            if (dataType != WMT_TYPE_DWORD)
                return E_INVALIDARG;
            mode.second = v;
            return S_OK;
        }
        return NS_E_UNSUPPORTED_PROPERTY;
    }
};

class FakeBuffer : public ComObject<FakeBuffer, INSSBuffer>, Tracked {
public:
    FakeBuffer(State s, DWORD size) : Tracked(std::move(s)), m_bytes(size), m_length(size) {}
    HRESULT GetLength(DWORD* l) override {
        *l = m_length;
        return S_OK;
    }
    HRESULT SetLength(DWORD l) override {
        HRESULT hr = m_state->Call("SetLength");
        if (SUCCEEDED(hr))
            m_length = l;
        return hr;
    }
    HRESULT GetMaxLength(DWORD* l) override {
        *l = static_cast<DWORD>(m_bytes.size());
        return S_OK;
    }
    HRESULT GetBuffer(BYTE** b) override {
        *b = m_bytes.data();
        return S_OK;
    }
    HRESULT GetBufferAndLength(BYTE** b, DWORD* l) override {
        HRESULT hr = m_state->Call("GetBufferAndLength");
        if (FAILED(hr))
            return hr;
        *b = m_bytes.data();
        *l = m_state->sampleLength ? *m_state->sampleLength : m_length;
        return S_OK;
    }
    std::vector<BYTE> Used() const {
        return std::vector<BYTE>(m_bytes.begin(),
                                 m_bytes.begin() + std::min<std::size_t>(m_length, m_bytes.size()));
    }
    std::vector<BYTE> m_bytes;
    DWORD m_length;
};

class FakeInputProps : public ComObject<FakeInputProps, IWMInputMediaProps>, Tracked {
public:
    using Tracked::Tracked;
    void* QueryOtherInterface(REFIID riid) {
        return riid == IID_IWMMediaProps ? static_cast<IWMMediaProps*>(this) : nullptr;
    }
    HRESULT GetType(GUID* type) override {
        HRESULT hr = m_state->Call("GetType");
        *type = m_state->inputType;
        return hr;
    }
    HRESULT GetMediaType(WM_MEDIA_TYPE*, DWORD*) override { return E_NOTIMPL; }
    HRESULT SetMediaType(WM_MEDIA_TYPE* type) override {
        HRESULT hr = m_state->Call("SetMediaType");
        if (FAILED(hr))
            return hr;
        m_state->inputMediaType = *type;
        m_state->inputMediaType.pbFormat = nullptr;
        if (type->cbFormat >= sizeof(WAVEFORMATEX) && type->pbFormat) {
            WAVEFORMATEX wf{};
            std::memcpy(&wf, type->pbFormat, sizeof wf);
            m_state->inputFormat = wf;
        }
        return S_OK;
    }
};

class FakeWriter : public ComObject<FakeWriter, IWMWriter, IWMWriterPreprocess>, Tracked {
public:
    using Tracked::Tracked;

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (riid == IID_IWMWriterPreprocess && !m_state->hasPreprocess) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        return ComObject::QueryInterface(riid, ppv);
    }

    HRESULT SetProfile(IWMProfile*) override { return Logged("SetProfile"); }
    HRESULT SetOutputFilename(LPCWSTR name) override {
        m_state->outputFilename = name;
        return Logged("SetOutputFilename");
    }
    HRESULT GetInputCount(DWORD* n) override {
        *n = m_state->inputCount;
        return Logged("GetInputCount");
    }
    HRESULT GetInputProps(DWORD, IWMInputMediaProps** props) override {
        *props = nullptr;
        HRESULT hr = Logged("GetInputProps");
        if (SUCCEEDED(hr))
            *props = new FakeInputProps(m_state);
        return hr;
    }
    HRESULT SetInputProps(DWORD input, IWMInputMediaProps*) override {
        return Logged("SetInputProps " + std::to_string(input));
    }
    HRESULT BeginWriting() override { return Logged("BeginWriting"); }
    HRESULT EndWriting() override { return Logged("EndWriting"); }
    HRESULT AllocateSample(DWORD size, INSSBuffer** sample) override {
        *sample = nullptr;
        HRESULT hr = m_state->Call("AllocateSample");
        if (SUCCEEDED(hr))
            *sample = new FakeBuffer(m_state, size);
        return hr;
    }
    HRESULT WriteSample(DWORD input, QWORD time, DWORD, INSSBuffer* sample) override {
        HRESULT hr = m_state->Call("WriteSample");
        if (SUCCEEDED(hr))
            m_state->samples.push_back(
                {false, input, time, static_cast<FakeBuffer*>(sample)->Used()});
        return hr;
    }

    HRESULT GetMaxPreprocessingPasses(DWORD, DWORD, DWORD* passes) override {
        *passes = m_state->maxPasses;
        return Logged("GetMaxPreprocessingPasses");
    }
    HRESULT SetNumPreprocessingPasses(DWORD, DWORD, DWORD passes) override {
        HRESULT hr = Logged("SetNumPreprocessingPasses");
        if (SUCCEEDED(hr))
            m_state->passesSet = passes;
        return hr;
    }
    HRESULT BeginPreprocessingPass(DWORD, DWORD) override {
        return Logged("BeginPreprocessingPass");
    }
    HRESULT PreprocessSample(DWORD input, QWORD time, DWORD, INSSBuffer* sample) override {
        HRESULT hr = m_state->Call("PreprocessSample");
        if (SUCCEEDED(hr))
            m_state->samples.push_back(
                {true, input, time, static_cast<FakeBuffer*>(sample)->Used()});
        return hr;
    }
    HRESULT EndPreprocessingPass(DWORD, DWORD) override { return Logged("EndPreprocessingPass"); }

private:
    HRESULT Logged(const std::string& call) {
        m_state->log.push_back(call);
        return m_state->Call(call.substr(0, call.find(' ')));
    }
};

} // namespace

HRESULT FakeWmfState::Call(const std::string& name) {
    int n = ++calls[name];
    auto it = failures.find(name);
    if (it != failures.end() && n > it->second.after)
        return it->second.hr;
    return S_OK;
}

int FakeWmfState::Count(const std::string& name) const {
    auto it = calls.find(name);
    return it == calls.end() ? 0 : it->second;
}

const std::vector<std::u16string>* FakeWmfState::Group(DWORD codec) const {
    if (codec >= codecs.size())
        return nullptr;
    auto it = enumeration.find(codec);
    if (it == enumeration.end() || !it->second.first)
        return &codecs[codec].cbr;
    return it->second.second == 2 ? &codecs[codec].vbrTwoPass : &codecs[codec].vbrOnePass;
}

FakeWmfRuntime::FakeWmfRuntime()
    : m_state(std::make_shared<FakeWmfState>()),
      m_profileManager(CLSID_WMProfileManager,
                       [s = m_state](REFIID riid, void** ppv) -> HRESULT {
                           HRESULT hr = s->Call("WMCreateProfileManager");
                           if (FAILED(hr))
                               return hr;
                           return CreateComInstance<FakeProfileManager>(riid, ppv, s);
                       }),
      m_writer(CLSID_WMWriter, [s = m_state](REFIID riid, void** ppv) -> HRESULT {
          HRESULT hr = s->Call("WMCreateWriter");
          if (FAILED(hr))
              return hr;
          return CreateComInstance<FakeWriter>(riid, ppv, s);
      }) {}
