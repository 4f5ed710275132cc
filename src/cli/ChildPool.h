#pragma once
// Child processes of this program, each on a task of its own (a document of a
// batch, a piece of a book), at most `jobs` at once. A signal is passed on to
// every running child, which stops its job and removes its partial files, and
// no further child starts. A child's messages are shown as they come; its
// progress records are kept for the caller's progress lines.

#include "src/cli/DocumentRunner.h"

#include <chrono>
#include <string>
#include <vector>

class Console;

struct ChildTask {
    std::string name;
    std::vector<std::string> arguments; // the child's command line, program excluded
};

struct RunningChild {
    std::size_t task = 0;
    DocumentProgress progress;
};

class ChildEvents {
public:
    virtual ~ChildEvents() = default;
    // The task's process could not be started; false starts no more.
    virtual bool NotStarted(std::size_t task, const std::string& reason) = 0;
    // The task's process ended with `status`, as waitpid gives it; `interrupt`
    // is the signal that interrupted the run, 0 if none did. False stops the
    // children still running (as SIGTERM does) and starts no more.
    virtual bool Ended(std::size_t task, int status, int interrupt) = 0;
    virtual std::vector<std::string> ProgressLines(const std::vector<RunningChild>& running,
                                                   std::chrono::steady_clock::duration elapsed) = 0;
};

// The signal that interrupted the run, 0 when none did.
int RunChildren(const std::vector<ChildTask>& tasks, int jobs, Console& console,
                int signalDescriptor, ChildEvents& events);

// Whether a child ended as the interrupt `signal` stopped it: with its status,
// or dead of the signal when it came before the child could block it.
bool StoppedBy(int status, int signal);

// Set in a child's environment when the parent draws progress: the child
// then writes progress records on its standard error.
inline constexpr const char* kReportProgressVariable = "VOCALITH_CLI_REPORT_PROGRESS";
