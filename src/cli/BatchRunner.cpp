#include "src/cli/BatchRunner.h"

#include "src/cli/BatchTally.h"
#include "src/cli/Console.h"
#include "src/cli/ProgressLine.h"
#include "src/cli/Signals.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kTickMs = 200;

struct Child {
    const BatchDocument* document = nullptr;
    pid_t pid = -1;
    int output = -1; // the read end of the child's standard error
    std::string pending;
    DocumentProgress progress;
};

bool Spawn(const BatchDocument& document, bool reportProgress, Child& child) {
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);

    std::vector<std::string> strings = {"/proc/self/exe"};
    strings.insert(strings.end(), document.arguments.begin(), document.arguments.end());
    std::vector<char*> argv;
    for (std::string& s : strings)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    std::vector<std::string> variables;
    for (char** v = environ; *v; ++v)
        if (!std::string_view(*v).starts_with(kReportProgressVariable))
            variables.emplace_back(*v);
    if (reportProgress)
        variables.push_back(std::string(kReportProgressVariable) + "=1");
    std::vector<char*> envp;
    for (std::string& s : variables)
        envp.push_back(s.data());
    envp.push_back(nullptr);

    // The child's own copy of the program: /proc/self/exe is read before the
    // exec, so it names this very binary.
    char self[4096];
    const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
    const int spawned =
        length > 0 ? (self[length] = '\0', posix_spawn(&child.pid, self, &actions, &attributes,
                                                       argv.data(), envp.data()))
                   : ENOENT;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        return false;
    }
    child.document = &document;
    child.output = pipeEnds[0];
    return true;
}

// Whole lines from the child: progress records update its state, anything
// else is a message, printed as it is (it already carries the document's name).
void Drain(Child& child, Console& console, bool all) {
    char buffer[4096];
    ssize_t count;
    while ((count = ::read(child.output, buffer, sizeof buffer)) > 0) {
        child.pending.append(buffer, static_cast<std::size_t>(count));
        if (!all)
            break;
    }
    std::size_t end;
    while ((end = child.pending.find('\n')) != std::string::npos) {
        std::string line = child.pending.substr(0, end);
        child.pending.erase(0, end + 1);
        if (auto progress = ParseProgressRecord(line))
            child.progress = *progress;
        else
            console.Message(line);
    }
    if (all && !child.pending.empty()) {
        console.Message(child.pending);
        child.pending.clear();
    }
}

} // namespace

int RunBatch(const std::vector<BatchDocument>& documents, int jobs, Console& console,
             int signalDescriptor) {
    const Clock::time_point start = Clock::now();
    std::vector<Child> running;
    BatchTally tally(documents.size());
    std::size_t next = 0;
    int interrupted = 0;
    while ((!interrupted && next < documents.size()) || !running.empty()) {
        while (!interrupted && next < documents.size() && static_cast<int>(running.size()) < jobs) {
            Child child;
            if (Spawn(documents[next], console.ShowsProgress(), child)) {
                running.push_back(std::move(child));
            } else {
                console.Message(documents[next].name +
                                ": cannot start a process for it: " + std::strerror(errno));
                tally.NotStarted();
            }
            ++next;
        }

        std::vector<pollfd> fds = {{signalDescriptor, POLLIN, 0}};
        for (const Child& child : running)
            fds.push_back({child.output, POLLIN, 0});
        ::poll(fds.data(), fds.size(), kTickMs);
        for (int signal : ReadSignals(signalDescriptor)) {
            if (signal == SIGCHLD || interrupted)
                continue;
            interrupted = signal;
            for (const Child& child : running)
                ::kill(child.pid, signal);
        }
        for (std::size_t i = 0; i < running.size(); ++i)
            if (fds[i + 1].revents)
                Drain(running[i], console, false);

        for (auto child = running.begin(); child != running.end();) {
            int status = 0;
            if (::waitpid(child->pid, &status, WNOHANG) != child->pid) {
                ++child;
                continue;
            }
            Drain(*child, console, true);
            ::close(child->output);
            tally.Ended(status, interrupted);
            child = running.erase(child);
        }

        if (console.ShowsProgress()) {
            std::vector<std::string> lines;
            for (const Child& child : running)
                lines.push_back(ProgressLine(child.document->name, child.progress));
            lines.push_back(tally.Line(Clock::now() - start));
            console.Progress(lines);
        }
    }
    console.Progress({});
    if (interrupted)
        return InterruptedStatus(interrupted);
    return tally.AnyFailed() ? 1 : 0;
}
