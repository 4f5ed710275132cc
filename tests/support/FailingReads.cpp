#include "tests/support/FailingReads.h"

#include <atomic>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

extern "C" ssize_t __real_read(int fd, void* buffer, size_t count);

namespace {
std::atomic<bool> g_armed{false};
dev_t g_device;
ino_t g_inode;
std::uint64_t g_offset;
std::atomic<int> g_failures{0};
} // namespace

extern "C" ssize_t __wrap_read(int fd, void* buffer, size_t count) {
    if (g_armed) {
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_dev == g_device && st.st_ino == g_inode) {
            off_t at = ::lseek(fd, 0, SEEK_CUR);
            if (at >= 0 && static_cast<std::uint64_t>(at) >= g_offset) {
                ++g_failures;
                errno = EIO;
                return -1;
            }
        }
    }
    return __real_read(fd, buffer, count);
}

FailingReads::FailingReads(const std::filesystem::path& file, std::uint64_t offset) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return; // nothing to arm: every read passes
    g_device = st.st_dev;
    g_inode = st.st_ino;
    g_offset = offset;
    g_failures = 0;
    g_armed = true;
}

FailingReads::~FailingReads() {
    g_armed = false;
}

int FailingReads::Failures() const {
    return g_failures;
}
