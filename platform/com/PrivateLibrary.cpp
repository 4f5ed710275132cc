#include "platform/com/PrivateLibrary.h"

#include "InstallPaths.h"

#include <dlfcn.h>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace {

std::vector<std::filesystem::path> PrivateFolders() {
    std::vector<std::filesystem::path> folders;
    std::error_code error;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error)
        folders.push_back(exe.parent_path());
    folders.emplace_back(VOCALITH_INSTALL_LIB_DIR);
    return folders;
}

} // namespace

void* OpenPrivateLibrary(const std::string& fileName) {
    for (const auto& folder : PrivateFolders())
        if (void* library = ::dlopen((folder / fileName).c_str(), RTLD_NOW | RTLD_LOCAL))
            return library;
    return ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
}

std::string FindPrivateProgram(const std::string& fileName) {
    for (const auto& folder : PrivateFolders()) {
        const auto path = folder / fileName;
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error) && ::access(path.c_str(), X_OK) == 0)
            return path.string();
    }
    return {};
}
