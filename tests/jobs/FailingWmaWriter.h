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

    std::shared_ptr<Plan> plan_ = std::make_shared<Plan>();
    ScopedClassOverride override_;
};

class FailingWmaWriter::Writer : public ComObject<Writer, IWMWriter, IWMWriterPreprocess> {
public:
    Writer(std::shared_ptr<Plan> plan, IWMWriter* inner) : plan_(std::move(plan)), inner_(inner) {
        inner_->QueryInterface(IID_IWMWriterPreprocess, reinterpret_cast<void**>(&preprocess_));
    }
    ~Writer() override {
        SafeRelease(preprocess_);
        SafeRelease(inner_);
    }

    HRESULT SetProfile(IWMProfile* p) override { return inner_->SetProfile(p); }
    HRESULT SetOutputFilename(LPCWSTR name) override {
        return Refused("SetOutputFilename") ? E_FAIL : inner_->SetOutputFilename(name);
    }
    HRESULT GetInputCount(DWORD* n) override { return inner_->GetInputCount(n); }
    HRESULT GetInputProps(DWORD i, IWMInputMediaProps** p) override {
        return inner_->GetInputProps(i, p);
    }
    HRESULT SetInputProps(DWORD i, IWMInputMediaProps* p) override {
        return inner_->SetInputProps(i, p);
    }
    HRESULT BeginWriting() override {
        return Refused("BeginWriting") ? E_FAIL : inner_->BeginWriting();
    }
    // The real writer still completes and closes its file.
    HRESULT EndWriting() override {
        const bool refused = Refused("EndWriting");
        const HRESULT hr = inner_->EndWriting();
        return refused ? E_FAIL : hr;
    }
    HRESULT AllocateSample(DWORD size, INSSBuffer** s) override {
        return Refused("AllocateSample") ? E_OUTOFMEMORY : inner_->AllocateSample(size, s);
    }
    HRESULT WriteSample(DWORD i, QWORD t, DWORD f, INSSBuffer* s) override {
        return Refused("WriteSample") ? E_FAIL : inner_->WriteSample(i, t, f, s);
    }
    HRESULT GetMaxPreprocessingPasses(DWORD i, DWORD f, DWORD* n) override {
        return preprocess_->GetMaxPreprocessingPasses(i, f, n);
    }
    HRESULT SetNumPreprocessingPasses(DWORD i, DWORD f, DWORD n) override {
        return preprocess_->SetNumPreprocessingPasses(i, f, n);
    }
    HRESULT BeginPreprocessingPass(DWORD i, DWORD f) override {
        return preprocess_->BeginPreprocessingPass(i, f);
    }
    HRESULT PreprocessSample(DWORD i, QWORD t, DWORD f, INSSBuffer* s) override {
        return preprocess_->PreprocessSample(i, t, f, s);
    }
    HRESULT EndPreprocessingPass(DWORD i, DWORD f) override {
        return preprocess_->EndPreprocessingPass(i, f);
    }

private:
    bool Refused(const char* call) { return plan_->Fails(call); }

    std::shared_ptr<Plan> plan_;
    IWMWriter* inner_;
    IWMWriterPreprocess* preprocess_ = nullptr;
};

inline FailingWmaWriter::FailingWmaWriter()
    : override_(CLSID_WMWriter, [plan = plan_](REFIID riid, void** ppv) {
          IWMWriter* inner = nullptr;
          HRESULT hr = CreateComInstance<WMWriter>(IID_IWMWriter, reinterpret_cast<void**>(&inner));
          if (FAILED(hr))
              return hr;
          return CreateComInstance<Writer>(riid, ppv, plan, inner);
      }) {}

inline void FailingWmaWriter::Arm(const std::string& call, int index) {
    std::lock_guard lock(plan_->mutex);
    plan_->counts.clear();
    plan_->call = call;
    plan_->index = index;
}

inline int FailingWmaWriter::Count(const std::string& call) {
    std::lock_guard lock(plan_->mutex);
    return plan_->counts[call];
}
