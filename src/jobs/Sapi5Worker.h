#pragma once
// The worker of a SAPI 5 job: starts the speech, waits for the voice's
// speak-complete event or the stop event (the stop event wins), then tidies
// the voice up and finishes the job.

#include "platform/com/types.h"

#include <memory>

struct JobContext;

DWORD Sapi5Worker(std::shared_ptr<JobContext> context);
