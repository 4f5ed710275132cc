#include "platform/sapi5/HelperPool.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace {

void End(pid_t pid, int& input, int& output) {
    ::kill(pid, SIGKILL);
    for (int* fd : {&input, &output})
        if (*fd >= 0)
            ::close(std::exchange(*fd, -1));
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

HelperPool::HelperPool(const std::string& path, unsigned count) {
    for (unsigned i = 0; i < count; ++i)
        if (!Launch(path))
            break;
}

HelperPool::~HelperPool() {
    for (auto& helper : m_helpers)
        End(helper.pid, helper.input, helper.output);
}

bool HelperPool::Launch(const std::string& path) {
    int input[2], output[2];
    if (::pipe2(input, O_CLOEXEC) != 0)
        return false;
    if (::pipe2(output, O_CLOEXEC) != 0) {
        ::close(input[0]);
        ::close(input[1]);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    // A group of its own, so that the terminal's Ctrl+C reaches the program
    // alone, which decides whether to stop; no signal blocked.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK);
    const std::string parent = std::to_string(::getpid());
    char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(parent.c_str()), nullptr};
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    ::close(output[1]);
    if (error != 0) {
        ::close(input[1]);
        ::close(output[0]);
        return false;
    }
    ::fcntl(output[0], F_SETFL, ::fcntl(output[0], F_GETFL) | O_NONBLOCK);
    Helper helper;
    helper.pid = pid;
    helper.input = input[1];
    helper.output = output[0];
    m_helpers.push_back(std::move(helper));
    return true;
}

std::size_t HelperPool::Helpers() const {
    return m_helpers.size();
}

bool HelperPool::Full() const {
    return m_stretches.size() >= 2 * std::max<std::size_t>(m_helpers.size(), 1);
}

void HelperPool::Submit(ChunkRequest request) {
    m_stretches.push_back(Stretch{std::move(request), std::nullopt, false});
    Dispatch();
}

void HelperPool::Dispatch() {
    for (std::size_t h = 0; h < m_helpers.size();) {
        Helper& helper = m_helpers[h];
        auto waiting = std::find_if(m_stretches.begin(), m_stretches.end(),
                                    [](const Stretch& s) { return !s.given && !s.audio; });
        if (helper.busy || waiting == m_stretches.end()) {
            ++h;
            continue;
        }
        if (!SendMessage(helper.input, Serialise(waiting->request))) {
            Fail(helper);
            continue;
        }
        waiting->given = true;
        helper.busy = true;
        helper.busyWith = m_front + static_cast<std::size_t>(waiting - m_stretches.begin());
        ++h;
    }
}

void HelperPool::Fail(Helper& helper) {
    if (helper.busy)
        At(helper.busyWith).given = false;
    End(helper.pid, helper.input, helper.output);
    m_helpers.erase(m_helpers.begin() + (&helper - m_helpers.data()));
}

void HelperPool::Receive(int milliseconds) {
    std::vector<pollfd> fds;
    for (const auto& helper : m_helpers)
        fds.push_back({helper.output, POLLIN, 0});
    if (::poll(fds.data(), fds.size(), milliseconds) <= 0)
        return;
    // From the last, so that a failed helper's removal moves none still to read.
    for (std::size_t h = m_helpers.size(); h-- > 0;) {
        if (!fds[h].revents)
            continue;
        Helper& helper = m_helpers[h];
        char buffer[1 << 16];
        ssize_t n;
        while ((n = ::read(helper.output, buffer, sizeof buffer)) > 0) {
            // The answer's length comes first: room for all of it at once.
            if (helper.received.empty() && static_cast<std::size_t>(n) >= sizeof(std::uint64_t)) {
                std::uint64_t size = 0;
                std::memcpy(&size, buffer, sizeof size);
                helper.received.reserve(sizeof size + std::min<std::uint64_t>(size, 1u << 28));
            }
            helper.received.append(buffer, static_cast<std::size_t>(n));
        }
        const bool ended = n == 0 || (errno != EAGAIN && errno != EINTR);
        bool bad = false;
        std::optional<ChunkAudio> audio = TakeAudio(helper.received, bad);
        if (audio && helper.busy) {
            At(helper.busyWith).audio = std::move(audio);
            helper.busy = false;
        } else if (audio || bad || ended) {
            Fail(helper);
        }
    }
    // A helper that answered is free again, and a failed helper's stretch is
    // waiting: neither may wait for the oldest stretch to be taken, which may
    // be the one waiting.
    Dispatch();
}

ChunkAudio HelperPool::TakeNext(const std::atomic<bool>& abort) {
    for (;;) {
        if (abort)
            return ChunkAudio{E_ABORT, {}, {}};
        Stretch& front = m_stretches.front();
        if (front.audio) {
            ChunkAudio audio = std::move(*front.audio);
            m_stretches.pop_front();
            ++m_front;
            Dispatch();
            return audio;
        }
        if (!front.given && m_helpers.empty())
            front.audio = SynthesiseChunk(front.request, &abort);
        else
            Receive(20);
    }
}
