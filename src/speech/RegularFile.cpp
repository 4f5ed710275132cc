#include "src/speech/RegularFile.h"

#include "platform/com/strings.h"

#include <filesystem>
#include <system_error>

void RemoveRegularFile(const std::u16string& path) {
    const std::filesystem::path file(ToUtf8(path));
    std::error_code ignored;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(file, ignored)))
        std::filesystem::remove(file, ignored);
}
