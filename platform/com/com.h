#pragma once
// The COM core: apartments, the class registry, CoCreateInstance and the task
// allocator. Runtimes register their classes; tests may replace one for the
// length of a test with ScopedClassOverride.

#include "platform/com/types.h"
#include "platform/com/unknown.h"

#include <functional>
#include <utility>

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
inline constexpr DWORD CLSCTX_ALL =
    CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER; // 23

inline constexpr DWORD COINIT_MULTITHREADED = 0x0;
inline constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

HRESULT CoInitializeEx(void* reserved, DWORD coInit);
void CoUninitialize();
HRESULT OleInitialize(void* reserved);
void OleUninitialize();
// Whether the calling thread has initialised COM (and not yet uninitialised).
bool CoIsInitialized();

// Creates an instance of a registered class. Fails with CO_E_NOTINITIALIZED on
// a thread that has not initialised COM, CLASS_E_NOAGGREGATION with an outer
// object, REGDB_E_CLASSNOTREG for a class not registered in that context.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid,
                         void** ppv);

// A factory creates one object and answers the requested interface.
using ClassFactory = std::function<HRESULT(REFIID riid, void** ppv)>;

// Registers (or replaces) the factory of a class, as an in-process server.
void CoRegisterClass(REFCLSID clsid, ClassFactory factory);
// Removes a class; creating it then fails with REGDB_E_CLASSNOTREG.
void CoUnregisterClass(REFCLSID clsid);

// Replaces a class's factory (or hides the class, with an empty factory) while
// the object lives, and puts the earlier registration back afterwards.
class ScopedClassOverride {
public:
    ScopedClassOverride(REFCLSID clsid, ClassFactory factory);
    ~ScopedClassOverride();
    ScopedClassOverride(const ScopedClassOverride&) = delete;
    ScopedClassOverride& operator=(const ScopedClassOverride&) = delete;

private:
    CLSID m_clsid;
    ClassFactory m_previous;
    bool m_hadPrevious;
};

// Creates a new Impl (a ComObject) and answers riid from it.
template <class Impl, class... Args>
HRESULT CreateComInstance(REFIID riid, void** ppv, Args&&... args) {
    Impl* object = new Impl(std::forward<Args>(args)...);
    HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();
    return hr;
}

void* CoTaskMemAlloc(std::size_t bytes);
void CoTaskMemFree(void* p);
