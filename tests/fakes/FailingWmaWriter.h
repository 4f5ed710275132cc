#pragma once
// The real WMA writer with one chosen call failing: registered in place of
// the runtime's writer class while the object lives, it hands every call on
// to a real writer and refuses the `index`-th call (from 0) of the one named.

#include "platform/com/com.h"
#include "platform/wmf/Writer.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class FailingWmaWriter {
public:
    FailingWmaWriter();
    void Arm(const std::string& call, int index);
    int Count(const std::string& call);

private:
    struct Plan {
        std::mutex mutex;
        std::map<std::string, int> counts;
        std::string call;
        int index = -1;
        bool Fails(const char* name) {
            std::lock_guard lock(mutex);
            return counts[name]++ == index && call == name;
        }
    };
    class Writer;

    std::shared_ptr<Plan> m_plan = std::make_shared<Plan>();
    ScopedClassOverride m_override;
};

class FailingWmaWriter::Writer : public ComObject<Writer, IWMWriter, IWMWriterPreprocess> {
public:
    Writer(std::shared_ptr<Plan> plan, IWMWriter* inner) : m_plan(std::move(plan)), m_inner(inner) {
        m_inner->QueryInterface(IID_IWMWriterPreprocess, reinterpret_cast<void**>(&m_preprocess));
    }
    ~Writer() override {
        SafeRelease(m_preprocess);
        SafeRelease(m_inner);
    }

    HRESULT SetProfile(IWMProfile* p) override { return m_inner->SetProfile(p); }
    HRESULT SetOutputFilename(LPCWSTR name) override {
        return Refused("SetOutputFilename") ? E_FAIL : m_inner->SetOutputFilename(name);
    }
    HRESULT GetInputCount(DWORD* n) override { return m_inner->GetInputCount(n); }
    HRESULT GetInputProps(DWORD i, IWMInputMediaProps** p) override {
        return m_inner->GetInputProps(i, p);
    }
    HRESULT SetInputProps(DWORD i, IWMInputMediaProps* p) override {
        return m_inner->SetInputProps(i, p);
    }
    HRESULT BeginWriting() override {
        return Refused("BeginWriting") ? E_FAIL : m_inner->BeginWriting();
    }
    // The real writer still completes and closes its file.
    HRESULT EndWriting() override {
        const bool refused = Refused("EndWriting");
        const HRESULT hr = m_inner->EndWriting();
        return refused ? E_FAIL : hr;
    }
    HRESULT AllocateSample(DWORD size, INSSBuffer** s) override {
        return Refused("AllocateSample") ? E_OUTOFMEMORY : m_inner->AllocateSample(size, s);
    }
    HRESULT WriteSample(DWORD i, QWORD t, DWORD f, INSSBuffer* s) override {
        return Refused("WriteSample") ? E_FAIL : m_inner->WriteSample(i, t, f, s);
    }
    HRESULT GetMaxPreprocessingPasses(DWORD i, DWORD f, DWORD* n) override {
        return m_preprocess->GetMaxPreprocessingPasses(i, f, n);
    }
    HRESULT SetNumPreprocessingPasses(DWORD i, DWORD f, DWORD n) override {
        return m_preprocess->SetNumPreprocessingPasses(i, f, n);
    }
    HRESULT BeginPreprocessingPass(DWORD i, DWORD f) override {
        return m_preprocess->BeginPreprocessingPass(i, f);
    }
    HRESULT PreprocessSample(DWORD i, QWORD t, DWORD f, INSSBuffer* s) override {
        return m_preprocess->PreprocessSample(i, t, f, s);
    }
    HRESULT EndPreprocessingPass(DWORD i, DWORD f) override {
        return m_preprocess->EndPreprocessingPass(i, f);
    }

private:
    bool Refused(const char* call) { return m_plan->Fails(call); }

    std::shared_ptr<Plan> m_plan;
    IWMWriter* m_inner;
    IWMWriterPreprocess* m_preprocess = nullptr;
};

inline FailingWmaWriter::FailingWmaWriter()
    : m_override(CLSID_WMWriter, [plan = m_plan](REFIID riid, void** ppv) {
          IWMWriter* inner = nullptr;
          HRESULT hr = CreateComInstance<WMWriter>(IID_IWMWriter, reinterpret_cast<void**>(&inner));
          if (FAILED(hr))
              return hr;
          return CreateComInstance<Writer>(riid, ppv, plan, inner);
      }) {}

inline void FailingWmaWriter::Arm(const std::string& call, int index) {
    std::lock_guard lock(m_plan->mutex);
    m_plan->counts.clear();
    m_plan->call = call;
    m_plan->index = index;
}

inline int FailingWmaWriter::Count(const std::string& call) {
    std::lock_guard lock(m_plan->mutex);
    return m_plan->counts[call];
}
