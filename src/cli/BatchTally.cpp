#include "src/cli/BatchTally.h"

#include "src/cli/ChildPool.h"
#include "src/cli/ProgressLine.h"
#include "src/cli/Signals.h"

#include <sys/wait.h>

void BatchTally::NotStarted() {
    ++m_done;
    ++m_failed;
}

void BatchTally::Ended(int status, int interrupt) {
    if (StoppedBy(status, interrupt)) {
        ++m_stopped;
        return;
    }
    ++m_done;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        ++m_failed;
}

// The documents' average so far stands for the rest.
std::string BatchTally::Line(std::chrono::steady_clock::duration elapsed) const {
    DocumentProgress batch;
    batch.elapsedSeconds = std::chrono::duration<double>(elapsed).count();
    if (m_done > 0)
        batch.spokenFraction = static_cast<double>(m_done) / static_cast<double>(m_total);
    return std::to_string(m_done) + " of " + std::to_string(m_total) + " done" +
           (m_failed ? ", " + std::to_string(m_failed) + " failed" : "") +
           (m_stopped ? ", " + std::to_string(m_stopped) + " stopped" : "") + ":" +
           ProgressLine("", batch);
}
