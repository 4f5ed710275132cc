#pragma once
// Several documents, each spoken or written by a child process of its own
// (this program again, on that one document), so that no two documents share
// an engine. At most `jobs` children run at once; a failing document does not
// stop the others. A signal is passed on to every running child, which stops
// its job and removes its partial files, and no further child starts.

#include "src/cli/ChildPool.h"

#include <string>
#include <vector>

class Console;

using BatchDocument = ChildTask;

// 0: every document done; 1: some failed; 128 + signal: interrupted.
int RunBatch(const std::vector<BatchDocument>& documents, int jobs, Console& console,
             int signalDescriptor);
