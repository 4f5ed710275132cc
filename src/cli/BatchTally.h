#pragma once
// What has become of a batch's documents so far, and the line that says it:
// "3 of 8 done, 1 failed, 2 stopped:  38%  0:42 elapsed  1:10 left". A document
// stopped by an interrupt is neither done nor failed: it was not written,
// and nothing went wrong with it.

#include <chrono>
#include <cstddef>
#include <string>

class BatchTally {
public:
    explicit BatchTally(std::size_t total) : m_total(total) {}

    // A document whose process could not be started.
    void NotStarted();
    // A document's process ended with `status`, as waitpid gives it;
    // `interrupt` is the signal that interrupted the batch, 0 if none did.
    void Ended(int status, int interrupt);

    bool AnyFailed() const { return m_failed > 0; }
    std::string Line(std::chrono::steady_clock::duration elapsed) const;

private:
    std::size_t m_total;
    std::size_t m_done = 0; // failed ones included
    std::size_t m_failed = 0;
    std::size_t m_stopped = 0;
};
