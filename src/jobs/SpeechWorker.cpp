#include "src/jobs/SpeechWorker.h"

#include "platform/com/com.h"
#include "src/jobs/JobContext.h"
#include "src/jobs/OutputFiles.h"
#include "src/jobs/SentenceTiming.h"
#include "src/resources/resource.h"

#include <algorithm>
#include <exception>
#include <new>

namespace {

void RunJob(JobContext& context, SpeechSession& session) {
    const SpeechJob& job = context.job;
    // Here rather than on the window's thread, which the largest text would
    // stall; before any file exists, so running out of memory leaves nothing.
    context.job.text = session.BuildText(*context.text, job, context.prosody);
    context.text.reset();
    const WavTarget wav = ChooseWavTarget(job);
    if (!wav.valid) {
        ShowMessage({IDS_TTS_OUTPUT_FILE});
        return;
    }
    const bool keepSentences = context.sentences && !job.speak;
    if (Result<> started = session.Start(job, wav.path, keepSentences); !started) {
        // As for every failure, the user reads the message before the files go.
        ShowMessage(started.Message());
        session.AbandonStart();
        AbandonJob(job, wav);
        return;
    }
    bool stopped = session.Wait(context);
    if (stopped)
        session.Abort();
    // A file that could not be completed goes as a stopped job's file does,
    // and is not converted.
    if (Result<> ended = session.EndSpeech(); !ended) {
        ShowMessage(ended.Message());
        stopped = true;
    }
    // The engine reports where its last word starts, short of the end.
    if (!stopped)
        context.spokenFraction = 1.0;
    // Timed by the WAV file before a conversion removes it.
    if (keepSentences && !stopped)
        *context.sentences = TimeSentences(session.TakeSentences(job.text), wav.path);
    FinishJob(job, wav, stopped, context.abandoned.get());
}

// An exception must not leave the thread procedure, so it ends here in a message.
void RunGuarded(JobContext& context, SpeechSession& session) {
    try {
        RunJob(context, session);
    } catch (const std::bad_alloc&) {
        ShowMessage({IDS_OUT_OF_MEMORY, MB_OK | MB_ICONERROR});
    } catch (...) {
        ShowMessage({IDS_UNKNOWN_EXCEPTION, MB_OK | MB_ICONERROR});
    }
}

} // namespace

void ReportSpoken(JobContext& context, std::optional<std::size_t> position) {
    const std::size_t length = context.job.text.size();
    if (position && length > 0)
        context.spokenFraction =
            std::min(1.0, static_cast<double>(*position) / static_cast<double>(length));
}

DWORD RunSpeechWorker(std::shared_ptr<JobContext> context, SpeechSession& session) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 0;
    RunGuarded(*context, session);
    // A given-up worker may hold the last reference to its engine, whose
    // objects must go while COM is still initialised here.
    context.reset();
    CoUninitialize();
    return 0;
}
