#pragma once
// IUnknown and a small helper that implements it for the platform's own
// classes: real reference counting, QueryInterface over a list of interfaces.

#include "platform/com/types.h"

#include <atomic>

inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

struct IUnknown {
    static constexpr const IID& iid = IID_IUnknown;
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

// Implements IUnknown for a class of the platform layer: QueryInterface answers
// each listed interface (and IUnknown); a class whose interfaces derive from
// others answers those bases by hiding QueryOtherInterface.
template <class Derived, class... Interfaces> class ComObject : public Interfaces... {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown) {
            *ppv = static_cast<IUnknown*>(FirstInterface());
        } else {
            ((riid == Interfaces::iid && !*ppv ? (*ppv = static_cast<Interfaces*>(this)) : nullptr),
             ...);
            if (!*ppv)
                *ppv = static_cast<Derived*>(this)->QueryOtherInterface(riid);
        }
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override {
        ULONG left = --m_refs;
        if (left == 0)
            delete static_cast<Derived*>(this);
        return left;
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;
    // Base interfaces of the listed ones (IWMProfileManager for
    // IWMProfileManager2, say) are answered here by the derived class.
    void* QueryOtherInterface(REFIID) { return nullptr; }

private:
    template <class First, class... Rest> static First* Pick(ComObject* self) {
        return static_cast<First*>(self);
    }
    auto* FirstInterface() { return Pick<Interfaces...>(this); }
    std::atomic<ULONG> m_refs{1};
};

// A COM reference held in a plain field: released and cleared explicitly.
template <class T> void SafeRelease(T*& p) {
    if (p) {
        p->Release();
        p = nullptr;
    }
}
