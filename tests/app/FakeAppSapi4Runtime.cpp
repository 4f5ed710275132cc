#include "tests/app/FakeAppSapi4Runtime.h"

#include <algorithm>

namespace {

class FakeEnumerator : public ComObject<FakeEnumerator, ITTSEnumW> {
public:
    explicit FakeEnumerator(std::shared_ptr<std::vector<TTSMODEINFOW>> modes)
        : modes_(std::move(modes)) {}

    HRESULT Next(ULONG count, PTTSMODEINFOW modes, ULONG* fetched) override {
        ULONG n = 0;
        while (n < count && next_ < modes_->size())
            modes[n++] = (*modes_)[next_++];
        if (fetched)
            *fetched = n;
        return n == count ? S_OK : S_FALSE;
    }
    HRESULT Skip(ULONG count) override {
        next_ = std::min<std::size_t>(modes_->size(), next_ + count);
        return S_OK;
    }
    HRESULT Reset() override {
        next_ = 0;
        return S_OK;
    }
    HRESULT Clone(ITTSEnumW**) override { return E_NOTIMPL; }
    HRESULT Select(GUID, ITTSCentralW**, IUnknown*) override { return E_NOTIMPL; }

private:
    std::shared_ptr<std::vector<TTSMODEINFOW>> modes_;
    std::size_t next_ = 0;
};

} // namespace

FakeAppSapi4Runtime::FakeAppSapi4Runtime() : modes_(std::make_shared<std::vector<TTSMODEINFOW>>()) {
    auto modes = modes_;
    enumerator_ = std::make_unique<ScopedClassOverride>(
        CLSID_TTSEnumerator, [modes](REFIID riid, void** ppv) {
            return CreateComInstance<FakeEnumerator>(riid, ppv, modes);
        });
    audioDest_ = std::make_unique<ScopedClassOverride>(CLSID_MMAudioDest, ClassFactory());
}

FakeAppSapi4Runtime::~FakeAppSapi4Runtime() = default;

void FakeAppSapi4Runtime::AddMode(const std::u16string& name, DWORD features) {
    TTSMODEINFOW mode{};
    mode.gModeID = {
        0x5A4D0000u + static_cast<DWORD>(modes_->size()), 0x1, 0x2, {1, 2, 3, 4, 5, 6, 7, 8}};
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), TTSI_NAMELEN - 1),
                mode.szModeName);
    mode.dwFeatures = features;
    modes_->push_back(mode);
}
