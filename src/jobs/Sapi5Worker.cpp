#include "src/jobs/Sapi5Worker.h"

#include "platform/com/com.h"
#include "platform/sync/sync.h"
#include "src/jobs/JobContext.h"
#include "src/jobs/OutputFiles.h"
#include "src/jobs/WorkerGuard.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "src/speech/Sapi5Engine.h"

namespace {

// True when the stop event ended the wait; it is listed first, so it wins
// when both are set. Every other end of the wait counts as the end of speech,
// as does a voice that gave no completion event to wait on.
bool WaitForSpeakComplete(const Event& stopEvent, const Event* doneEvent) {
    if (!doneEvent)
        return stopEvent.IsSet();
    const Event* events[] = {&stopEvent, doneEvent};
    return WaitForMultipleEvents(events, INFINITE) == WAIT_OBJECT_0;
}

// Speech that ended by itself may still have failed on the way (a full disk
// under the output file): the runtime can show nobody, so the worker does, and
// the job counts as failed.
bool SpeechFailed(ISpVoice* voice) {
    SPVOICESTATUS status{};
    return voice && SUCCEEDED(voice->GetStatus(&status, nullptr)) && FAILED(status.hrLastResult);
}

void RunSapi5Job(JobContext& context) {
    const SpeechJob& job = context.job;
    Sapi5Engine& engine = *context.sapi5;

    WavTarget wav = ChooseWavTarget(job);
    if (!wav.valid) {
        AfxMessageBox(IDS_TTS_OUTPUT_FILE);
        return;
    }
    ISpObjectToken* token = engine.Voice(static_cast<std::size_t>(job.voiceIndex)).token;
    bool started = job.speak ? engine.SpeakToSpeakers(job.text, token)
                             : engine.SpeakToFile(wav.path, token, job.text, job.streamFormat);
    if (!started) {
        AbandonJob(job, wav);
        return;
    }

    bool stopped = WaitForSpeakComplete(*context.stopEvent, engine.doneEvent);
    if (stopped && engine.voice)
        engine.voice->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr);
    // The file is completed before the voice goes: its last samples and its
    // header may still fail to reach the disk.
    const bool failed = !stopped && (SpeechFailed(engine.voice) || FAILED(engine.CompleteFile()));
    engine.ReleaseSpeech();
    if (failed)
        AfxMessageBox(IDS_SP_SPEAK);
    FinishJob(job, wav, stopped || failed, context.abandoned.get());
}

} // namespace

DWORD Sapi5Worker(std::shared_ptr<JobContext> context) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 0;
    RunGuarded([&] { RunSapi5Job(*context); });
    // A given-up worker may hold the last reference to its engine, whose
    // objects must go while COM is still initialised here.
    context.reset();
    CoUninitialize();
    return 0;
}
