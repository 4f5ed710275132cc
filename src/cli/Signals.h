#pragma once
// SIGINT, SIGTERM and SIGHUP (and, for a batch, SIGCHLD) are blocked in every thread
// from the start and read from a descriptor, so that they arrive in the main
// loop between two steps and never inside a runtime.

#include <vector>

// Call before any thread exists; gives the descriptor to poll, or -1.
int BlockSignals(bool withChildren);
// The signals that arrived, oldest first; empty when none is pending.
std::vector<int> ReadSignals(int descriptor);
// The exit status of a run ended by `signal`: 130 for SIGINT, 143 for SIGTERM.
inline int InterruptedStatus(int signal) {
    return 128 + signal;
}
