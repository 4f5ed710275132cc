#include "platform/com/InprocServer.h"

#include "platform/com/PrivateLibrary.h"

#include <dlfcn.h>
#include <map>
#include <mutex>
#include <string>

namespace {

// A module is loaded once and never unloaded: its objects, and a thread
// given up at exit, may still run its code.
DllCreateObjectFunction EntryPoint(const std::string& fileName) {
    static std::mutex mutex;
    static auto* loaded = new std::map<std::string, DllCreateObjectFunction>;
    std::lock_guard lock(mutex);
    auto it = loaded->find(fileName);
    if (it != loaded->end())
        return it->second;
    DllCreateObjectFunction entry = nullptr;
    if (void* module = OpenPrivateLibrary(fileName))
        entry = reinterpret_cast<DllCreateObjectFunction>(::dlsym(module, kDllCreateObjectName));
    // A module that failed to load is tried again by the next creation.
    if (entry)
        loaded->emplace(fileName, entry);
    return entry;
}

} // namespace

void CoRegisterServerModule(REFCLSID clsid, const char* fileName) {
    CoRegisterClass(clsid, [clsid, name = std::string(fileName)](REFIID riid, void** ppv) {
        DllCreateObjectFunction create = EntryPoint(name);
        return create ? create(clsid, riid, ppv) : REGDB_E_CLASSNOTREG;
    });
}
