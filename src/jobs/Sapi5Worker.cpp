#include "src/jobs/Sapi5Worker.h"

#include "platform/sync/sync.h"
#include "src/jobs/JobContext.h"
#include "src/jobs/JobText.h"
#include "src/jobs/ProsodyMarkup.h"
#include "src/jobs/SentenceTiming.h"
#include "src/jobs/SpeechWorker.h"
#include "src/speech/Sapi5Engine.h"

namespace {

constexpr DWORD kProgressPollMs = 100;

class Sapi5Session final : public SpeechSession {
public:
    explicit Sapi5Session(Sapi5Engine& engine) : m_engine(engine) {}

    std::u16string BuildText(const JobText& text, const SpeechJob&,
                             const ProsodySettings& prosody) override {
        m_prefixLength = BuildSapi5Prefix(StringJobText(u""), prosody).size();
        return BuildSapi5Prefix(text, prosody);
    }

    Result<> Start(const SpeechJob& job, const std::u16string& wavPath,
                   bool keepSentences) override {
        ISpObjectToken* token =
            m_engine.Voice(static_cast<std::size_t>(job.voiceIndex)).token.Get();
        return job.speak ? m_engine.SpeakToSpeakers(job.text, token)
                         : m_engine.SpeakToFile(wavPath, job.text, token, job.streamFormat,
                                                keepSentences);
    }
    void AbandonStart() override { m_engine.AbandonStart(); }
    // The stop event is listed first, so it wins when both are set. The wait
    // wakes now and then to read the voice's progress; every other end of it
    // counts as the end of speech, as does a voice that gave no completion
    // event to wait on.
    bool Wait(JobContext& context) override {
        const Event* doneEvent = m_engine.DoneEvent();
        if (!doneEvent)
            return context.stopEvent->IsSet();
        const Event* events[] = {context.stopEvent.get(), doneEvent};
        DWORD woken;
        while ((woken = WaitForMultipleEvents(events, kProgressPollMs)) == WAIT_TIMEOUT) {
            ReportSpoken(context, m_engine.SpokenPosition());
            m_engine.CollectSentences();
        }
        return woken == WAIT_OBJECT_0;
    }
    void Abort() override { m_engine.Abort(); }
    Result<> EndSpeech() override { return m_engine.EndSpeech(); }
    // The job's text follows the prosody elements as it was given. espeak
    // starts a sentence at a quotation's end ("Stop!" he said) that reads on.
    EngineSentences TakeSentences(const std::u16string& engineText) override {
        EngineSentences sentences;
        for (EngineSentence s : m_engine.TakeSentences()) {
            const std::size_t at = SentenceStartAt(engineText, s.position, m_prefixLength);
            if (!StartsSentence(engineText, at, m_prefixLength))
                continue;
            s.position = at - m_prefixLength;
            sentences.push_back(s);
        }
        return sentences;
    }

private:
    Sapi5Engine& m_engine;
    std::size_t m_prefixLength = 0;
};

} // namespace

DWORD Sapi5Worker(std::shared_ptr<JobContext> context) {
    Sapi5Session session(*context->sapi5);
    return RunSpeechWorker(std::move(context), session);
}
