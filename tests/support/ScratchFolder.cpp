#include "tests/support/ScratchFolder.h"

#include "platform/com/strings.h"

#include <cerrno>
#include <cstdlib>
#include <system_error>

ScratchFolder::ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vl-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(), "mkdtemp " + pattern);
    m_path = pattern;
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::u16string ScratchFolder::U16(const std::string& name) const {
    return FromUtf8((m_path / name).string());
}

std::vector<std::string> ScratchFolder::Files() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_path))
        names.push_back(entry.path().filename().string());
    return names;
}
