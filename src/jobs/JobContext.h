#pragma once
// Everything a worker thread touches, owned jointly by the worker and the job
// control: a worker that is given up keeps its context alive on its own and
// never reaches back into the frame.

#include "platform/sync/sync.h"
#include "src/jobs/JobText.h"
#include "src/jobs/ProsodyMarkup.h"
#include "src/jobs/SpeechJob.h"
#include "src/jobs/SpokenSentences.h"

#include <atomic>
#include <memory>

class CTTSNotifySink;
class Sapi4Engine;
class Sapi5Engine;

struct JobContext {
    // Its text is built by the worker, from `text` and `prosody`, before it
    // speaks: on the largest text that takes longer than the window may wait.
    SpeechJob job;
    std::shared_ptr<const JobText> text;
    ProsodySettings prosody;
    std::shared_ptr<Event> stopEvent;
    std::shared_ptr<std::atomic<bool>> cancelRequested;
    // Set when the worker is given up: a conversion ends at its next chunk and
    // the worker removes what it created.
    std::shared_ptr<std::atomic<bool>> abandoned = std::make_shared<std::atomic<bool>>(false);
    // How much of the engine's text has been spoken, 0 to 1; negative until
    // the engine has said. Written by the worker alone.
    std::atomic<double> spokenFraction{-1.0};
    // Asked for by whoever started a Write job: filled by the worker with the
    // sentences of a file whose speech ended without a stop.
    std::shared_ptr<SpokenSentences> sentences;
    // The sink the SAPI 4 engine registers; declared first so that it
    // outlives the engine, whose runtime releases it last.
    std::shared_ptr<CTTSNotifySink> sink;
    // The engine of the job's generation; the other stays empty.
    std::shared_ptr<Sapi4Engine> sapi4;
    std::shared_ptr<Sapi5Engine> sapi5;
};
