#pragma once
// The worker of a SAPI 4 job: starts the speech, dispatches this thread's
// messages (the engine's notifications arrive that way) until the audio stops
// or a stop is requested, then tidies the engine up and finishes the job.

#include "platform/com/types.h"

#include <memory>

struct JobContext;

DWORD Sapi4Worker(std::shared_ptr<JobContext> context);
