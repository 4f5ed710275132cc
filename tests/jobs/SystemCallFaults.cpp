#include "tests/jobs/SystemCallFaults.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kKinds = static_cast<int>(FsCall::Count);
constexpr int kMaxFd = 1 << 16;
constexpr unsigned char kTracked = 1, kSeeked = 2;

std::atomic<bool> g_armed{false};
std::atomic<int> g_failCall{kKinds};
std::atomic<int> g_failIndex{-1};
std::atomic<bool> g_failed{false};
std::array<std::atomic<int>, kKinds> g_counts{};
std::array<std::atomic<unsigned char>, kMaxFd> g_fds{};
// Written only while disarmed.
std::string g_folder;

std::mutex& StreamsMutex() {
    static auto* m = new std::mutex;
    return *m;
}
std::vector<FILE*>& Streams() {
    static auto* s = new std::vector<FILE*>;
    return *s;
}

template <typename F> F Real(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

bool InFolder(const char* path) {
    if (!g_armed || !path)
        return false;
    return std::strncmp(path, g_folder.c_str(), g_folder.size()) == 0;
}

bool TrackedFd(int fd) {
    return g_armed && fd >= 0 && fd < kMaxFd && (g_fds[fd] & kTracked);
}

bool TrackedStream(FILE* stream) {
    if (!g_armed)
        return false;
    std::lock_guard lock(StreamsMutex());
    return std::find(Streams().begin(), Streams().end(), stream) != Streams().end();
}

// Counts the call; true when it is the one to fail.
bool Fails(FsCall call) {
    const int n = g_counts[static_cast<int>(call)]++;
    if (static_cast<int>(call) != g_failCall || n != g_failIndex)
        return false;
    g_failed = true;
    return true;
}

int Refuse(int error) {
    errno = error;
    return -1;
}

void TrackFd(int fd) {
    if (fd >= 0 && fd < kMaxFd)
        g_fds[fd] = kTracked;
}

int OpenCommon(const char* name, const char* path, int flags, mode_t mode) {
    using Open = int (*)(const char*, int, ...);
    static Open realOpen = Real<Open>("open");
    static Open realOpen64 = Real<Open>("open64");
    Open real = std::strcmp(name, "open") == 0 ? realOpen : realOpen64;
    if (!InFolder(path))
        return real(path, flags, mode);
    if (Fails(flags & O_CREAT ? FsCall::Create : FsCall::Open))
        return Refuse(EACCES);
    const int fd = real(path, flags, mode);
    TrackFd(fd);
    return fd;
}

ssize_t WriteCommon(int fd, bool header, const std::function<ssize_t()>& write) {
    if (TrackedFd(fd) && Fails(header || (g_fds[fd] & kSeeked) ? FsCall::Header : FsCall::Write))
        return Refuse(ENOSPC);
    return write();
}

} // namespace

const char* FsCallName(FsCall call) {
    static const char* const names[] = {"create", "open",     "read",  "write", "seek",
                                        "header", "truncate", "close", "unlink"};
    return names[static_cast<int>(call)];
}

namespace SystemCallFaults {

void Arm(const std::filesystem::path& folder, FsCall call, int index) {
    g_armed = false;
    g_folder = folder.string();
    for (auto& count : g_counts)
        count = 0;
    g_failCall = static_cast<int>(call);
    g_failIndex = index;
    g_failed = false;
    g_armed = true;
}

void Disarm() {
    g_armed = false;
    for (auto& fd : g_fds)
        fd = 0;
    std::lock_guard lock(StreamsMutex());
    Streams().clear();
}

std::array<int, kKinds> Counts() {
    std::array<int, kKinds> counts{};
    for (int i = 0; i < kKinds; ++i)
        counts[i] = g_counts[i];
    return counts;
}

bool Failed() {
    return g_failed;
}

} // namespace SystemCallFaults

extern "C" {

int open(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenCommon("open", path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    va_list args;
    va_start(args, flags);
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(args, mode_t) : 0;
    va_end(args);
    return OpenCommon("open64", path, flags, mode);
}

ssize_t read(int fd, void* buffer, size_t count) {
    static auto real = Real<ssize_t (*)(int, void*, size_t)>("read");
    if (TrackedFd(fd) && Fails(FsCall::Read))
        return Refuse(EIO);
    return real(fd, buffer, count);
}

ssize_t write(int fd, const void* data, size_t count) {
    static auto real = Real<ssize_t (*)(int, const void*, size_t)>("write");
    return WriteCommon(fd, false, [&] { return real(fd, data, count); });
}

// The WAV writer patches its header's sizes in place.
ssize_t pwrite(int fd, const void* data, size_t count, off_t offset) {
    static auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return WriteCommon(fd, offset > 0 && offset < 44,
                       [&] { return real(fd, data, count, offset); });
}

ssize_t pwrite64(int fd, const void* data, size_t count, off_t offset) {
    static auto real = Real<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite64");
    return WriteCommon(fd, offset > 0 && offset < 44,
                       [&] { return real(fd, data, count, offset); });
}

static off_t SeekCommon(int fd, off_t offset, int whence, off_t (*real)(int, off_t, int)) {
    if (TrackedFd(fd)) {
        if (Fails(FsCall::Seek))
            return Refuse(EIO);
        // A move back means what is written next rewrites earlier bytes.
        if (!(whence == SEEK_CUR && offset == 0))
            g_fds[fd] |= kSeeked;
    }
    return real(fd, offset, whence);
}

off_t lseek(int fd, off_t offset, int whence) {
    static auto real = Real<off_t (*)(int, off_t, int)>("lseek");
    return SeekCommon(fd, offset, whence, real);
}

off_t lseek64(int fd, off_t offset, int whence) {
    static auto real = Real<off_t (*)(int, off_t, int)>("lseek64");
    return SeekCommon(fd, offset, whence, real);
}

int ftruncate(int fd, off_t length) {
    static auto real = Real<int (*)(int, off_t)>("ftruncate");
    if (TrackedFd(fd) && Fails(FsCall::Truncate))
        return Refuse(EIO);
    return real(fd, length);
}

int close(int fd) {
    static auto real = Real<int (*)(int)>("close");
    const bool tracked = TrackedFd(fd);
    if (tracked)
        g_fds[fd] = 0;
    const int result = real(fd);
    // Linux closes the descriptor even when it reports an error.
    if (tracked && Fails(FsCall::Close))
        return Refuse(EIO);
    return result;
}

int unlink(const char* path) {
    static auto real = Real<int (*)(const char*)>("unlink");
    if (InFolder(path) && Fails(FsCall::Unlink))
        return Refuse(EIO);
    return real(path);
}

int remove(const char* path) {
    static auto real = Real<int (*)(const char*)>("remove");
    if (InFolder(path) && Fails(FsCall::Unlink))
        return Refuse(EIO);
    return real(path);
}

static FILE* OpenStream(const char* name, const char* path, const char* mode) {
    using Fopen = FILE* (*)(const char*, const char*);
    static Fopen realFopen = Real<Fopen>("fopen");
    static Fopen realFopen64 = Real<Fopen>("fopen64");
    Fopen real = std::strcmp(name, "fopen") == 0 ? realFopen : realFopen64;
    if (!InFolder(path))
        return real(path, mode);
    if (Fails(mode[0] == 'r' ? FsCall::Open : FsCall::Create)) {
        errno = EACCES;
        return nullptr;
    }
    FILE* stream = real(path, mode);
    if (stream) {
        std::lock_guard lock(StreamsMutex());
        Streams().push_back(stream);
    }
    return stream;
}

FILE* fopen(const char* path, const char* mode) {
    return OpenStream("fopen", path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    return OpenStream("fopen64", path, mode);
}

size_t fread(void* buffer, size_t size, size_t count, FILE* stream) {
    static auto real = Real<size_t (*)(void*, size_t, size_t, FILE*)>("fread");
    if (TrackedStream(stream) && Fails(FsCall::Read))
        return 0;
    return real(buffer, size, count, stream);
}

// The MP3 library writes its VBR header through a stream, over the first frame.
size_t fwrite(const void* data, size_t size, size_t count, FILE* stream) {
    static auto real = Real<size_t (*)(const void*, size_t, size_t, FILE*)>("fwrite");
    if (TrackedStream(stream) && Fails(FsCall::Header)) {
        errno = ENOSPC;
        return 0;
    }
    return real(data, size, count, stream);
}

int fseek(FILE* stream, long offset, int whence) {
    static auto real = Real<int (*)(FILE*, long, int)>("fseek");
    if (TrackedStream(stream) && Fails(FsCall::Seek))
        return Refuse(EIO);
    return real(stream, offset, whence);
}

int fclose(FILE* stream) {
    static auto real = Real<int (*)(FILE*)>("fclose");
    bool tracked = false;
    if (g_armed) {
        std::lock_guard lock(StreamsMutex());
        auto at = std::find(Streams().begin(), Streams().end(), stream);
        tracked = at != Streams().end();
        if (tracked)
            Streams().erase(at);
    }
    const int result = real(stream);
    if (tracked && Fails(FsCall::Close)) {
        errno = EIO;
        return EOF;
    }
    return result;
}

} // extern "C"
