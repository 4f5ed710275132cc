#include "src/cli/BatchRunner.h"

#include "src/cli/BatchTally.h"
#include "src/cli/Console.h"
#include "src/cli/ProgressLine.h"
#include "src/cli/Signals.h"

namespace {

class BatchEvents : public ChildEvents {
public:
    BatchEvents(const std::vector<BatchDocument>& documents, Console& console)
        : m_documents(documents), m_console(console), m_tally(documents.size()) {}

    bool NotStarted(std::size_t task, const std::string& reason) override {
        m_console.Message(m_documents[task].name + ": cannot start a process for it: " + reason);
        m_tally.NotStarted();
        return true;
    }
    bool Ended(std::size_t, int status, int interrupt) override {
        m_tally.Ended(status, interrupt);
        return true;
    }
    std::vector<std::string> ProgressLines(const std::vector<RunningChild>& running,
                                           std::chrono::steady_clock::duration elapsed) override {
        std::vector<std::string> lines;
        for (const RunningChild& child : running)
            lines.push_back(ProgressLine(m_documents[child.task].name, child.progress));
        lines.push_back(m_tally.Line(elapsed));
        return lines;
    }
    bool AnyFailed() const { return m_tally.AnyFailed(); }

private:
    const std::vector<BatchDocument>& m_documents;
    Console& m_console;
    BatchTally m_tally;
};

} // namespace

int RunBatch(const std::vector<BatchDocument>& documents, int jobs, Console& console,
             int signalDescriptor) {
    BatchEvents events(documents, console);
    if (const int interrupted = RunChildren(documents, jobs, console, signalDescriptor, events))
        return InterruptedStatus(interrupted);
    return events.AnyFailed() ? 1 : 0;
}
