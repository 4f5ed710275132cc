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
    : host_(host), engineSink_(std::make_shared<CTTSNotifySink>()), sapi4_(std::move(sapi4)),
      sapi5_(std::move(sapi5)), cancelRequested_(std::make_shared<std::atomic<bool>>(false)) {
    sapi4_->SetNotifySink(engineSink_.get());
}

JobControl::~JobControl() {
    EndJob();
}

void JobControl::CreateStopEvent() {
    stopEvent_ = std::make_shared<Event>(true);
    engineSink_->SetStopEvent(stopEvent_);
}

void JobControl::CloseStopEvent() {
    engineSink_->SetStopEvent({});
    stopEvent_.reset();
}

void JobControl::StartJob(bool speak, bool selectionOnly) {
    EndJob();
    job_.speak = speak ? TRUE : FALSE;
    cancelRequested_->store(false);

    job_.text =
        selectionOnly && host_.SelectionHasText() ? host_.SelectedText() : host_.EditorText();
    if (job_.text.empty())
        return;

    const int position = host_.VoicePosition();
    if (position < 0) {
        ShowMessage({IDS_SELECT_VOICE, MB_OK | MB_ICONINFORMATION});
        return;
    }

    if (!speak) {
        OutputFileChoice choice;
        if (!host_.RunOutputFileDialog(choice))
            return;
        job_.outputKind = choice.outputKind;
        job_.mp3Kbps = choice.mp3Kbps;
        job_.mp3Quality = choice.mp3Quality;
        job_.mp3Vbr = choice.mp3Vbr;
        job_.wmaCodecIndex = choice.wmaCodecIndex;
        job_.wmaFormatIndex = choice.wmaFormatIndex;
        job_.outputPath = choice.outputPath;
    }

    VoiceCatalogue catalogue(*sapi4_, *sapi5_);
    if (catalogue.IsSapi4(position)) {
        job_.voiceIndex = position;
        ProsodySettings settings{host_.VolumePosition(), host_.SpeedPosition(),
                                 host_.PitchPosition()};
        job_.text = BuildSapi4Prefix(job_.text, sapi4_->Voice(static_cast<std::size_t>(position)),
                                     settings);
        StartWorker(true);
        return;
    }

    if (catalogue.Sapi5Count() == 0)
        return;
    job_.voiceIndex = catalogue.Sapi5Index(position);
    job_.streamFormat = AudioFormatTable::FormatValueOfPosition(host_.QualityPosition());
    ProsodySettings settings{host_.VolumePosition(), host_.SpeedPosition(), host_.PitchPosition()};
    job_.text = BuildSapi5Prefix(job_.text, settings);
    StartWorker(false);
}

bool JobControl::StartWorker(bool sapi4) {
    if (!stopEvent_)
        CreateStopEvent();

    auto context = std::make_shared<JobContext>();
    context->job = job_;
    context->stopEvent = stopEvent_;
    context->cancelRequested = cancelRequested_;
    abandoned_ = context->abandoned;
    if (sapi4) {
        context->sink = engineSink_;
        context->sapi4 = sapi4_;
    } else
        context->sapi5 = sapi5_;

    std::unique_ptr<WorkerThread> thread =
        sapi4
            ? WorkerThread::Create([context]() mutable { return Sapi4Worker(std::move(context)); })
            : WorkerThread::Create([context]() mutable { return Sapi5Worker(std::move(context)); });
    if (!thread) {
        ShowMessage({IDS_WORKER_THREAD});
        return false;
    }
    // Unsignalled before the worker can wait on it; the job record is complete.
    stopEvent_->Reset();
    (sapi4 ? sapi4Thread_ : sapi5Thread_) = std::move(thread);
    (sapi4 ? sapi4Thread_ : sapi5Thread_)->Resume();
    return true;
}

void JobControl::RequestStop() {
    cancelRequested_->store(true);
    if (stopEvent_)
        stopEvent_->Set();
}

void JobControl::EndJob() {
    RequestStop();
    const std::shared_ptr<CTTSNotifySink> sink = engineSink_;
    if (EndWorker(sapi4Thread_)) {
        retiredSapi4_.push_back({sink, sapi4_});
        sapi4_ = std::make_shared<Sapi4Engine>(sapi4_->Voices());
    }
    if (EndWorker(sapi5Thread_)) {
        retiredSapi5_.push_back(sapi5_);
        sapi5_ = Sapi5Engine::WithVoicesOf(*sapi5_);
    }
    sapi4_->SetNotifySink(engineSink_.get());
    if (Result<> ended = sapi4_->EndSpeech(); !ended)
        ShowMessage(ended.Message());
    sapi5_->ReleaseSpeech();
}

bool JobControl::EndWorker(std::unique_ptr<WorkerThread>& thread) {
    if (!thread)
        return false;
    bool ended = thread->Wait(kEndJobWaitMs);
    if (!ended) {
        // Whatever still runs (a long conversion) is abandoned, so that no
        // half-written file outlives the job, nor the program when it closes.
        abandoned_->store(true);
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
    cancelRequested_ = std::make_shared<std::atomic<bool>>(true);
    engineSink_ = std::make_shared<CTTSNotifySink>();
    if (stopEvent_) {
        stopEvent_ = std::make_shared<Event>(true);
        engineSink_->SetStopEvent(stopEvent_);
    }
}

bool JobControl::IsJobRunning() const {
    return (sapi4Thread_ && !sapi4Thread_->HasEnded()) ||
           (sapi5Thread_ && !sapi5Thread_->HasEnded());
}

const SpeechJob& JobControl::Job() const {
    return job_;
}
const Sapi4Engine& JobControl::Sapi4() const {
    return *sapi4_;
}
const Sapi5Engine& JobControl::Sapi5() const {
    return *sapi5_;
}
