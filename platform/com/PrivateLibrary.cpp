#include "platform/com/PrivateLibrary.h"

#include "InstallPaths.h"

#include <dlfcn.h>
#include <filesystem>

void* OpenPrivateLibrary(const std::string& fileName) {
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        if (void* library = ::dlopen((exe.parent_path() / fileName).c_str(), RTLD_NOW | RTLD_LOCAL))
            return library;
    }
    const std::filesystem::path privateDir = VOCALITH_INSTALL_LIB_DIR;
    if (void* library = ::dlopen((privateDir / fileName).c_str(), RTLD_NOW | RTLD_LOCAL))
        return library;
    return ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}
