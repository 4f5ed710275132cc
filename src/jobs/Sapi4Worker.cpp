#include "src/jobs/Sapi4Worker.h"

#include "platform/sync/sync.h"
#include "src/jobs/JobContext.h"
#include "src/jobs/JobText.h"
#include "src/jobs/ProsodyMarkup.h"
#include "src/jobs/SentenceTiming.h"
#include "src/jobs/SpeechWorker.h"
#include "src/speech/Sapi4Engine.h"

#include <functional>

namespace {

// Ends with the quit message the sink posts when the audio stops, or with the
// stop event. Once the stop event is set no further message is dispatched: a
// worker that was given up must not call into the frame's sink any more.
// `dispatched` follows each round of messages, the engine's notifications
// among them.
void WaitForEndOfSpeech(const Event& stopEvent, const std::function<void()>& dispatched) {
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
        dispatched();
    }
}

class Sapi4Session final : public SpeechSession {
public:
    explicit Sapi4Session(Sapi4Engine& engine) : m_engine(engine) {}

    std::u16string BuildText(const JobText& text, const SpeechJob& job,
                             const ProsodySettings& prosody) override {
        const CSAPI4VoiceInfo& voice = m_engine.Voice(static_cast<std::size_t>(job.voiceIndex));
        m_textStart = BuildSapi4Prefix(StringJobText(u""), voice, prosody).size();
        return BuildSapi4Prefix(text, voice, prosody);
    }

    Result<> Start(const SpeechJob& job, const std::u16string& wavPath,
                   bool keepSentences) override {
        // The engine's notifications arrive as this thread's messages.
        EnsureMessageQueue();
        const CSAPI4VoiceInfo& voice = m_engine.Voice(static_cast<std::size_t>(job.voiceIndex));
        return job.speak ? m_engine.SpeakToSpeakers(job.text, voice)
                         : m_engine.SpeakToFile(wavPath, job.text, voice, keepSentences);
    }
    void AbandonStart() override { m_engine.AbandonStart(); }
    bool Wait(JobContext& context) override {
        WaitForEndOfSpeech(*context.stopEvent,
                           [&] { ReportSpoken(context, m_engine.SpokenPosition()); });
        // The flag, not the way the wait ended, decides: the sink signals the
        // stop event itself when it cannot post its quit message.
        return context.cancelRequested->load();
    }
    void Abort() override { m_engine.Abort(); }
    Result<> EndSpeech() override { return m_engine.EndSpeech(); }
    // The engine tells where each stretch it speaks starts; the job's text
    // follows the tags, its backslashes doubled.
    EngineSentences TakeSentences(const std::u16string& engineText) override {
        EngineSentences sentences;
        std::size_t scanned = m_textStart;
        std::size_t backslashes = 0;
        for (EngineSentence s : m_engine.TakeSentences()) {
            const std::size_t at = SentenceStartAt(engineText, s.position, m_textStart);
            if (!StartsSentence(engineText, at, m_textStart))
                continue;
            if (at < scanned)
                scanned = m_textStart, backslashes = 0;
            for (; scanned < at; ++scanned)
                backslashes += engineText[scanned] == u'\\';
            s.position = at - m_textStart - backslashes / 2;
            sentences.push_back(s);
        }
        return sentences;
    }

private:
    Sapi4Engine& m_engine;
    // Where the job's own text starts in the engine's.
    std::size_t m_textStart = 0;
};

} // namespace

DWORD Sapi4Worker(std::shared_ptr<JobContext> context) {
    Sapi4Session session(*context->sapi4);
    return RunSpeechWorker(std::move(context), session);
}
