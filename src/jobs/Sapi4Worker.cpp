#include "src/jobs/Sapi4Worker.h"

#include "platform/com/com.h"
#include "platform/sync/sync.h"
#include "src/jobs/JobContext.h"
#include "src/jobs/OutputFiles.h"
#include "src/jobs/WorkerGuard.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "src/speech/Sapi4Engine.h"

namespace {

// Ends with the quit message the sink posts when the audio stops, or with the
// stop event. Once the stop event is set no further message is dispatched: a
// worker that was given up must not call into the frame's sink any more.
void WaitForEndOfSpeech(const Event& stopEvent) {
    const Event* events[] = {&stopEvent};
    for (;;) {
        DWORD woken = MsgWaitForMultipleEvents(events, INFINITE);
        if (woken == WAIT_OBJECT_0)
            return;
        if (woken != WAIT_OBJECT_0 + 1)
            continue;
        MSG msg;
        while (PeekMessage(&msg, PM_REMOVE)) {
            if (msg.message == WM_QUIT || stopEvent.IsSet())
                return;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
}

void RunSapi4Job(JobContext& context) {
    const SpeechJob& job = context.job;
    Sapi4Engine& engine = *context.sapi4;
    EnsureMessageQueue();

    WavTarget wav = ChooseWavTarget(job);
    if (!wav.valid) {
        AfxMessageBox(IDS_TTS_OUTPUT_FILE);
        return;
    }
    const CSAPI4VoiceInfo& voice = engine.Voice(static_cast<std::size_t>(job.voiceIndex));
    bool started = job.speak ? engine.SpeakToSpeakers(job.text, voice)
                             : engine.SpeakToFile(wav.path, job.text, voice);
    if (!started) {
        AbandonJob(job, wav);
        return;
    }

    WaitForEndOfSpeech(*context.stopEvent);

    // The flag, not the way the wait ended, decides: the sink signals the stop
    // event itself when it cannot post its quit message.
    bool stopped = context.cancelRequested->load();
    if (stopped && engine.central)
        engine.central->AudioReset();
    // A file that could not be completed (its message is shown) goes as a
    // stopped job's file does, and is not converted.
    if (!engine.EndSpeech())
        stopped = true;
    FinishJob(job, wav, stopped, context.abandoned.get());
}

} // namespace

DWORD Sapi4Worker(std::shared_ptr<JobContext> context) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 0;
    RunGuarded([&] { RunSapi4Job(*context); });
    // A given-up worker may hold the last reference to its engine, whose
    // objects must go while COM is still initialised here.
    context.reset();
    CoUninitialize();
    return 0;
}
