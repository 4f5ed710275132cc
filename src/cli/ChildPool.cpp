#include "src/cli/ChildPool.h"

#include "src/cli/Console.h"
#include "src/cli/ProgressLine.h"
#include "src/cli/Signals.h"

#include <cerrno>
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
    RunningChild state;
    pid_t pid = -1;
    int output = -1; // the read end of the child's standard error
    bool outputEnded = false;
    std::string pending;
};

bool Spawn(const ChildTask& task, bool reportProgress, Child& child) {
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
    strings.insert(strings.end(), task.arguments.begin(), task.arguments.end());
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

    // The child runs this very binary: /proc/self/exe, opened by the child
    // before its exec, is the program's file even when an upgrade has
    // replaced the one at its path during a long book.
    const int spawned =
        posix_spawn(&child.pid, "/proc/self/exe", &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeEnds[1]);
    if (spawned != 0) {
        ::close(pipeEnds[0]);
        errno = spawned;
        return false;
    }
    child.output = pipeEnds[0];
    return true;
}

// Whole lines from the child: progress records update its state, anything
// else is a message, printed as it is (it already carries its task's name).
void Drain(Child& child, Console& console, bool all) {
    char buffer[4096];
    ssize_t count;
    while ((count = ::read(child.output, buffer, sizeof buffer)) > 0) {
        child.pending.append(buffer, static_cast<std::size_t>(count));
        if (!all)
            break;
    }
    child.outputEnded = count == 0;
    std::size_t end;
    while ((end = child.pending.find('\n')) != std::string::npos) {
        std::string line = child.pending.substr(0, end);
        child.pending.erase(0, end + 1);
        if (auto progress = ParseProgressRecord(line))
            child.state.progress = *progress;
        else
            console.Message(line);
    }
    if (all && !child.pending.empty()) {
        console.Message(child.pending);
        child.pending.clear();
    }
}

} // namespace

bool StoppedBy(int status, int signal) {
    return signal != 0 &&
           ((WIFEXITED(status) && WEXITSTATUS(status) == InterruptedStatus(signal)) ||
            (WIFSIGNALED(status) && WTERMSIG(status) == signal));
}

int RunChildren(const std::vector<ChildTask>& tasks, int jobs, Console& console,
                int signalDescriptor, ChildEvents& events) {
    const Clock::time_point start = Clock::now();
    std::vector<Child> running;
    std::size_t next = 0;
    int interrupted = 0;
    bool halted = false;
    auto stopAll = [&](int signal) {
        for (const Child& child : running)
            ::kill(child.pid, signal);
    };
    while ((!interrupted && !halted && next < tasks.size()) || !running.empty()) {
        while (!interrupted && !halted && next < tasks.size() &&
               static_cast<int>(running.size()) < jobs) {
            Child child;
            child.state.task = next;
            if (Spawn(tasks[next], console.ShowsProgress(), child))
                running.push_back(std::move(child));
            else if (!events.NotStarted(next, std::strerror(errno)) && !halted) {
                halted = true;
                stopAll(SIGTERM);
            }
            ++next;
        }

        std::vector<pollfd> fds = {{signalDescriptor, POLLIN, 0}};
        // A child's output ends a while before the child does (its exit
        // closes it before freeing the rest): from then on its end comes
        // as SIGCHLD, and polling the ended output would return at once.
        for (const Child& child : running)
            fds.push_back({child.outputEnded ? -1 : child.output, POLLIN, 0});
        ::poll(fds.data(), fds.size(), kTickMs);
        for (int signal : ReadSignals(signalDescriptor)) {
            if (signal == SIGCHLD || interrupted)
                continue;
            interrupted = signal;
            stopAll(signal);
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
            const std::size_t task = child->state.task;
            child = running.erase(child);
            // Children stopped because another failed count as stopped by SIGTERM.
            const int stop = interrupted ? interrupted : halted ? SIGTERM : 0;
            if (!events.Ended(task, status, stop) && !halted && !interrupted) {
                halted = true;
                stopAll(SIGTERM);
            }
        }

        if (console.ShowsProgress()) {
            std::vector<RunningChild> states;
            for (const Child& child : running)
                states.push_back(child.state);
            console.Progress(events.ProgressLines(states, Clock::now() - start));
        }
    }
    console.Progress({});
    return interrupted;
}
