#include "src/jobs/JobControl.h"

#include "platform/sync/sync.h"
#include "src/jobs/JobContext.h"
#include "src/jobs/ProsodyMarkup.h"
#include "src/jobs/Sapi4Worker.h"
#include "src/jobs/Sapi5Worker.h"
#include "src/resources/UserMessage.h"
#include "src/resources/resource.h"
#include "src/speech/AudioFormatTable.h"
#include "src/speech/CTTSNotifySink.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"
#include "src/speech/VoiceCatalogue.h"

JobControl::JobControl(JobHost& host, std::unique_ptr<Sapi4Engine> sapi4,
                       std::unique_ptr<Sapi5Engine> sapi5)
    : m_host(host), m_engineSink(std::make_shared<CTTSNotifySink>()), m_sapi4(std::move(sapi4)),
      m_sapi5(std::move(sapi5)), m_cancelRequested(std::make_shared<std::atomic<bool>>(false)) {
    m_sapi4->SetNotifySink(m_engineSink.get());
}

JobControl::~JobControl() {
    EndJob();
}

void JobControl::CreateStopEvent() {
    m_stopEvent = std::make_shared<Event>(true);
    m_engineSink->SetStopEvent(m_stopEvent);
}

void JobControl::CloseStopEvent() {
    m_engineSink->SetStopEvent({});
    m_stopEvent.reset();
}

void JobControl::StartJob(bool speak, bool selectionOnly,
                          std::shared_ptr<SpokenSentences> sentences) {
    EndJob();
    m_lastJob.reset();
    m_job.speak = speak ? TRUE : FALSE;
    m_cancelRequested->store(false);

    // Taken as the window holds it: the worker builds the engine's text.
    std::shared_ptr<const JobText> text =
        selectionOnly && m_host.SelectionHasText() ? m_host.SelectedText() : m_host.EditorText();
    if (!text || text->IsEmpty())
        return;

    const int position = m_host.VoicePosition();
    if (position < 0) {
        ShowMessage({IDS_SELECT_VOICE, MB_OK | MB_ICONINFORMATION});
        return;
    }

    if (!speak) {
        OutputFileChoice choice;
        if (!m_host.RunOutputFileDialog(choice))
            return;
        static_cast<OutputFileChoice&>(m_job) = std::move(choice);
    }

    const ProsodySettings prosody{m_host.VolumePosition(), m_host.SpeedPosition(),
                                  m_host.PitchPosition()};
    VoiceCatalogue catalogue(*m_sapi4, *m_sapi5);
    if (catalogue.IsSapi4(position)) {
        m_job.voiceIndex = position;
        StartWorker(true, std::move(text), prosody, speak ? nullptr : std::move(sentences));
        return;
    }

    if (catalogue.Sapi5Count() == 0)
        return;
    m_job.voiceIndex = catalogue.Sapi5Index(position);
    m_job.streamFormat = AudioFormatTable::FormatValueOfPosition(m_host.QualityPosition());
    StartWorker(false, std::move(text), prosody, speak ? nullptr : std::move(sentences));
}

bool JobControl::StartWorker(bool sapi4, std::shared_ptr<const JobText> text,
                             const ProsodySettings& prosody,
                             std::shared_ptr<SpokenSentences> sentences) {
    if (!m_stopEvent)
        CreateStopEvent();

    auto context = std::make_shared<JobContext>();
    context->job = m_job;
    context->text = std::move(text);
    context->prosody = prosody;
    context->stopEvent = m_stopEvent;
    context->cancelRequested = m_cancelRequested;
    context->sentences = std::move(sentences);
    m_abandoned = context->abandoned;
    if (sapi4) {
        context->sink = m_engineSink;
        context->sapi4 = m_sapi4;
    } else
        context->sapi5 = m_sapi5;

    std::unique_ptr<WorkerThread> thread =
        sapi4
            ? WorkerThread::Create([context]() mutable { return Sapi4Worker(std::move(context)); })
            : WorkerThread::Create([context]() mutable { return Sapi5Worker(std::move(context)); });
    if (!thread) {
        ShowMessage({IDS_WORKER_THREAD});
        return false;
    }
    // Unsignalled before the worker can wait on it; the job record is complete.
    m_stopEvent->Reset();
    (sapi4 ? m_sapi4Thread : m_sapi5Thread) = std::move(thread);
    (sapi4 ? m_sapi4Thread : m_sapi5Thread)->Resume();
    m_lastJob = std::move(context);
    return true;
}

void JobControl::RequestStop() {
    m_cancelRequested->store(true);
    if (m_stopEvent)
        m_stopEvent->Set();
}

void JobControl::EndJob() {
    RequestStop();
    const std::shared_ptr<CTTSNotifySink> sink = m_engineSink;
    if (EndWorker(m_sapi4Thread)) {
        m_retiredSapi4.push_back({sink, m_sapi4});
        m_sapi4 = std::make_shared<Sapi4Engine>(m_sapi4->Voices());
    }
    if (EndWorker(m_sapi5Thread)) {
        m_retiredSapi5.push_back(m_sapi5);
        m_sapi5 = Sapi5Engine::WithVoicesOf(*m_sapi5);
    }
    m_sapi4->SetNotifySink(m_engineSink.get());
    if (Result<> ended = m_sapi4->EndSpeech(); !ended)
        ShowMessage(ended.Message());
    m_sapi5->ReleaseSpeech();
}

bool JobControl::EndWorker(std::unique_ptr<WorkerThread>& thread) {
    if (!thread)
        return false;
    bool ended = thread->Wait(kEndJobWaitMs);
    if (!ended) {
        // Whatever still runs (a long conversion) is abandoned, so that no
        // half-written file outlives the job, nor the program when it closes.
        m_abandoned->store(true);
        ended = thread->Wait(kAbandonWaitMs);
    }
    const bool givenUp = !ended;
    // Destroying the thread object of a worker still running lets it go on
    // detached with its own context.
    thread.reset();
    if (givenUp)
        RenewSignals();
    return givenUp;
}

void JobControl::RenewSignals() {
    // The given-up worker keeps the set stop event, the cancel flag and the
    // sink it has; the next job must not be able to reset them under it.
    m_cancelRequested = std::make_shared<std::atomic<bool>>(true);
    m_engineSink = std::make_shared<CTTSNotifySink>();
    if (m_stopEvent) {
        m_stopEvent = std::make_shared<Event>(true);
        m_engineSink->SetStopEvent(m_stopEvent);
    }
}

bool JobControl::IsJobRunning() const {
    return (m_sapi4Thread && !m_sapi4Thread->HasEnded()) ||
           (m_sapi5Thread && !m_sapi5Thread->HasEnded());
}

bool JobControl::WaitForJob(unsigned timeoutMs) const {
    for (const WorkerThread* thread : {m_sapi4Thread.get(), m_sapi5Thread.get()})
        if (thread && !thread->HasEnded())
            return thread->Wait(timeoutMs) && !IsJobRunning();
    return true;
}

std::optional<double> JobControl::SpokenFraction() const {
    const double fraction = m_lastJob ? m_lastJob->spokenFraction.load() : -1.0;
    if (fraction < 0)
        return std::nullopt;
    return fraction;
}

const SpeechJob& JobControl::Job() const {
    return m_lastJob ? m_lastJob->job : m_job;
}
const Sapi4Engine& JobControl::Sapi4() const {
    return *m_sapi4;
}
const Sapi5Engine& JobControl::Sapi5() const {
    return *m_sapi5;
}
