#include "platform/com/com.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>

namespace {

struct GuidLess {
    bool operator()(const GUID& a, const GUID& b) const {
        return std::tie(a.Data1, a.Data2, a.Data3) < std::tie(b.Data1, b.Data2, b.Data3) ||
               (std::tie(a.Data1, a.Data2, a.Data3) == std::tie(b.Data1, b.Data2, b.Data3) &&
                std::lexicographical_compare(a.Data4, a.Data4 + 8, b.Data4, b.Data4 + 8));
    }
};

struct Registry {
    std::mutex mutex;
    std::map<CLSID, ClassFactory, GuidLess> classes;
};

// Never destroyed: runtime threads may still create objects while the
// process exits.
Registry& ClassRegistry() {
    static auto* r = new Registry;
    return *r;
}

struct Apartment {
    int initCount = 0;
    DWORD model = COINIT_MULTITHREADED;
};
thread_local Apartment t_apartment;

} // namespace

HRESULT CoInitializeEx(void*, DWORD coInit) {
    if (t_apartment.initCount > 0) {
        if ((t_apartment.model & COINIT_APARTMENTTHREADED) != (coInit & COINIT_APARTMENTTHREADED))
            return RPC_E_CHANGED_MODE;
        ++t_apartment.initCount;
        return S_FALSE;
    }
    t_apartment.model = coInit;
    t_apartment.initCount = 1;
    return S_OK;
}

void CoUninitialize() {
    if (t_apartment.initCount > 0)
        --t_apartment.initCount;
}

HRESULT OleInitialize(void*) {
    return CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
}
void OleUninitialize() {
    CoUninitialize();
}
bool CoIsInitialized() {
    return t_apartment.initCount > 0;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         void** ppv) {
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!CoIsInitialized())
        return CO_E_NOTINITIALIZED;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    if (!(clsContext & CLSCTX_INPROC_SERVER))
        return REGDB_E_CLASSNOTREG; // every class here is an in-process server
    ClassFactory factory;
    {
        std::lock_guard lock(ClassRegistry().mutex);
        auto it = ClassRegistry().classes.find(clsid);
        if (it == ClassRegistry().classes.end() || !it->second)
            return REGDB_E_CLASSNOTREG;
        factory = it->second;
    }
    return factory(riid, ppv);
}

void CoRegisterClass(REFCLSID clsid, ClassFactory factory) {
    std::lock_guard lock(ClassRegistry().mutex);
    ClassRegistry().classes[clsid] = std::move(factory);
}

void CoUnregisterClass(REFCLSID clsid) {
    std::lock_guard lock(ClassRegistry().mutex);
    ClassRegistry().classes.erase(clsid);
}

ScopedClassOverride::ScopedClassOverride(REFCLSID clsid, ClassFactory factory) : m_clsid(clsid) {
    std::lock_guard lock(ClassRegistry().mutex);
    auto it = ClassRegistry().classes.find(clsid);
    m_hadPrevious = it != ClassRegistry().classes.end();
    if (m_hadPrevious)
        m_previous = it->second;
    ClassRegistry().classes[clsid] = std::move(factory);
}

ScopedClassOverride::~ScopedClassOverride() {
    std::lock_guard lock(ClassRegistry().mutex);
    if (m_hadPrevious)
        ClassRegistry().classes[m_clsid] = std::move(m_previous);
    else
        ClassRegistry().classes.erase(m_clsid);
}

void* CoTaskMemAlloc(std::size_t bytes) {
    return std::malloc(bytes ? bytes : 1);
}
void CoTaskMemFree(void* p) {
    std::free(p);
}
