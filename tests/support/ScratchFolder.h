#pragma once
// A folder of a test's own: created empty with a unique name under the
// system's temporary folder, removed with all it holds on destruction.

#include <filesystem>
#include <string>
#include <vector>

class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    std::u16string U16(const std::string& name) const;
    std::vector<std::string> Files() const; // the names in it, in no order

private:
    std::filesystem::path m_path;
};
