#pragma once
// The frame's job control: turns a Speak or Write command into the job record,
// runs it on a worker thread, stops it and discards the worker.
//
// A worker that does not end within the bound of EndJob is given up: it keeps
// running detached with its own shared context (its copy of the job, its stop
// event, its cancel flag, its engine and that engine's notification sink), and
// the control goes on with a fresh engine over the same voice list, a fresh
// sink and a fresh stop event.
//
// The SAPI 4 runtime holds on to a registered sink until its engine goes,
// which for a given-up worker may be after the frame is gone. So the engine
// is given a sink the workers co-own, pointed at the current stop event.

#include "src/jobs/JobHost.h"
#include "src/jobs/SpeechJob.h"
#include "src/jobs/SpokenSentences.h"

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class Event;
class WorkerThread;
class Sapi4Engine;
class Sapi5Engine;
class CTTSNotifySink;
class JobText;
struct JobContext;
struct ProsodySettings;

class JobControl {
public:
    // How long EndJob waits for each worker before giving it up.
    static constexpr unsigned kEndJobWaitMs = 5000;
    // How much longer it waits for a worker it has told to abandon its job:
    // a conversion stops at its next chunk and removes the files it made.
    static constexpr unsigned kAbandonWaitMs = 1000;

    // Takes the engines built (enumerated) by the frame.
    JobControl(JobHost& host, std::unique_ptr<Sapi4Engine> sapi4,
               std::unique_ptr<Sapi5Engine> sapi5);
    ~JobControl(); // EndJob()
    JobControl(const JobControl&) = delete;
    JobControl& operator=(const JobControl&) = delete;

    // Window creation: the manual-reset stop event, created signalled.
    void CreateStopEvent();
    // Window destruction; harmless without a stop event.
    void CloseStopEvent();

    // A Write job given `sentences` fills them, once it has ended without a
    // stop, with where each sentence starts in its text and its file.
    void StartJob(bool speak, bool selectionOnly,
                  std::shared_ptr<SpokenSentences> sentences = nullptr);
    // The Stop command: does not wait for the worker.
    void RequestStop();
    // Stops and discards the worker (waiting at most kEndJobWaitMs for each)
    // and releases what the engines still hold of the last job.
    void EndJob();
    // Never waits.
    bool IsJobRunning() const;
    // Waits at most `timeoutMs` for the running job's worker to end; true
    // when no job runs any more.
    bool WaitForJob(unsigned timeoutMs) const;
    // How much of the last job's text its engine has spoken, 0 to 1; none
    // before the engine has said. Never waits.
    std::optional<double> SpokenFraction() const;

    // The record of the last job started; its worker builds its text, which
    // may be read once the job has ended.
    const SpeechJob& Job() const;
    // Voice lists for the control bar and the voice combo. After a worker has
    // been given up these answer its successor engine (same voices); earlier
    // references stay valid as long as this object lives.
    const Sapi4Engine& Sapi4() const;
    const Sapi5Engine& Sapi5() const;

private:
    bool StartWorker(bool sapi4, std::shared_ptr<const JobText> text,
                     const ProsodySettings& prosody, std::shared_ptr<SpokenSentences> sentences);
    // True when the worker did not end in time and was given up.
    bool EndWorker(std::unique_ptr<WorkerThread>& thread);
    void RenewSignals();

    struct RetiredSapi4 {
        std::shared_ptr<CTTSNotifySink> sink; // outlives the engine registered with it
        std::shared_ptr<Sapi4Engine> engine;
    };

    JobHost& m_host;
    // Declared before the engine so that it outlives it.
    std::shared_ptr<CTTSNotifySink> m_engineSink;
    std::shared_ptr<Sapi4Engine> m_sapi4;
    std::shared_ptr<Sapi5Engine> m_sapi5;
    // What the next job starts from: the settings of the last, never its text.
    SpeechJob m_job;
    std::shared_ptr<const JobContext> m_lastJob;
    std::shared_ptr<Event> m_stopEvent;
    std::shared_ptr<std::atomic<bool>> m_cancelRequested;
    // The abandon flag of the last worker started.
    std::shared_ptr<std::atomic<bool>> m_abandoned;
    std::unique_ptr<WorkerThread> m_sapi4Thread;
    std::unique_ptr<WorkerThread> m_sapi5Thread;
    // Engines that went with given-up workers, kept so that references handed
    // out by Sapi4() and Sapi5() never dangle.
    std::vector<RetiredSapi4> m_retiredSapi4;
    std::vector<std::shared_ptr<Sapi5Engine>> m_retiredSapi5;
};
