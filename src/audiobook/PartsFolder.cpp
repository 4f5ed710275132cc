#include "src/audiobook/PartsFolder.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t kKeyLength = 64;

bool IsOwnName(std::string_view name) {
    if (name.size() <= kKeyLength || name[kKeyLength] != '.')
        return false;
    for (std::size_t i = 0; i < kKeyLength; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(name[i])))
            return false;
    return true;
}

std::string Why(const std::string& what, const std::string& path) {
    return "cannot " + what + " " + path + ": " + std::strerror(errno);
}

// Writes `file`, telling a failure as one to write `named`.
std::string WriteTo(const std::string& file, std::string_view bytes, const std::string& named) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return Why("write", named);
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            std::string error = Why("write", named);
            ::close(fd);
            ::unlink(file.c_str());
            return error;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    if (::close(fd) != 0) {
        std::string error = Why("write", named);
        ::unlink(file.c_str());
        return error;
    }
    return {};
}

} // namespace

PartsFolder::PartsFolder(std::string path, std::string extension)
    : m_path(std::move(path)), m_extension(std::move(extension)) {}

std::string PartsFolder::Create() const {
    if (::mkdir(m_path.c_str(), 0777) != 0 && errno != EEXIST)
        return Why("create the folder", m_path);
    struct stat info {};
    if (::stat(m_path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
        return m_path + " is in the way of the folder of finished pieces: it is not a folder";
    if (::access(m_path.c_str(), W_OK | X_OK) != 0)
        return Why("write into", m_path);
    return {};
}

std::string PartsFolder::PiecePath(const std::string& key) const {
    return m_path + "/" + key + m_extension;
}

std::string PartsFolder::TextPath(const std::string& key) const {
    return m_path + "/" + key + ".txt";
}

bool PartsFolder::HasPiece(const std::string& key) const {
    struct stat info {};
    return ::stat(PiecePath(key).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::uint64_t PartsFolder::PieceSize(const std::string& key) const {
    struct stat info {};
    return ::stat(PiecePath(key).c_str(), &info) == 0 ? static_cast<std::uint64_t>(info.st_size)
                                                      : 0;
}

void PartsFolder::Remove() const {
    if (DIR* folder = ::opendir(m_path.c_str())) {
        while (const dirent* entry = ::readdir(folder))
            if (IsOwnName(entry->d_name))
                ::unlink((m_path + "/" + entry->d_name).c_str());
        ::closedir(folder);
    }
    ::rmdir(m_path.c_str()); // fails, as it should, when something else is in it
}

std::string SpeechPath(const std::string& piecePath) {
    return TemporaryPath(piecePath + ".wav");
}

std::string TemporaryPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1))
        dot = path.size();
    return path.substr(0, dot) + ".partial-" + std::to_string(::getpid()) + path.substr(dot);
}

std::string CommitFile(const std::string& temporary, const std::string& path) {
    std::string error;
    const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0)
        error = Why("write", path);
    if (fd >= 0)
        ::close(fd);
    if (error.empty() && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = Why("write", path);
    if (!error.empty())
        ::unlink(temporary.c_str());
    return error;
}

std::string WriteFile(const std::string& path, std::string_view bytes) {
    return WriteTo(path, bytes, path);
}

std::string WriteFileWhole(const std::string& path, std::string_view bytes) {
    const std::string temporary = TemporaryPath(path);
    if (std::string error = WriteTo(temporary, bytes, path); !error.empty())
        return error;
    return CommitFile(temporary, path);
}
