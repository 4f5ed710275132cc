#include "platform/com/InprocServer.h"

#include "InstallPaths.h"

#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

namespace {

void* OpenModule(const std::string& fileName) {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        if (void* module = ::dlopen((exe.parent_path() / fileName).c_str(), RTLD_NOW | RTLD_LOCAL))
            return module;
    }
    const std::filesystem::path privateDir = VOCALITH_INSTALL_LIB_DIR;
    if (void* module = ::dlopen((privateDir / fileName).c_str(), RTLD_NOW | RTLD_LOCAL))
        return module;
    return ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

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
    if (void* module = OpenModule(fileName))
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
