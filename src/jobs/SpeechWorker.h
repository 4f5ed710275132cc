#pragma once
// The course of a job on its worker thread, the same for both engine
// generations: choose the WAV file, start the speech, wait for its end or a
// stop, end the speech, finish the job's files. What differs per generation
// is how the speech starts and how the worker waits, given by a SpeechSession.
//
// The worker is the boundary of the job: the messages the engines and the
// conversions hand back, and any exception, are shown here, once each.

#include "platform/com/types.h"
#include "src/resources/UserMessage.h"
#include "src/speech/EngineSentence.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

class JobText;
struct JobContext;
struct ProsodySettings;
struct SpeechJob;

class SpeechSession {
public:
    virtual ~SpeechSession() = default;
    // The engine's text: the job's text with its generation's prosody markup.
    virtual std::u16string BuildText(const JobText& text, const SpeechJob& job,
                                     const ProsodySettings& prosody) = 0;
    // A file's speech keeps the sentences the engine tells of when asked.
    virtual Result<> Start(const SpeechJob& job, const std::u16string& wavPath,
                           bool keepSentences) = 0;
    // After a failed start's message has been answered: lets go of what the
    // start still holds and removes the files it created.
    virtual void AbandonStart() = 0;
    // Waits for the end of speech or a stop, reporting the engine's progress
    // meanwhile; true when the job counts as stopped.
    virtual bool Wait(JobContext& context) = 0;
    // A stopped job: the engine discards what it has not played or written.
    virtual void Abort() = 0;
    // Lets go of the engine objects; a message when the file is incomplete.
    virtual Result<> EndSpeech() = 0;
    // After EndSpeech, the sentences kept: positions in the text the job was
    // given, found in `engineText`, the text built for the engine.
    virtual EngineSentences TakeSentences(const std::u16string& engineText) = 0;
};

// Records how far the engine has got: `position` in characters of the job's
// text, none when the engine does not say.
void ReportSpoken(JobContext& context, std::optional<std::size_t> position);

// The thread procedure of both workers. COM is initialised for the thread
// (the job does not run without it) and uninitialised after the last
// reference to the context has gone.
DWORD RunSpeechWorker(std::shared_ptr<JobContext> context, SpeechSession& session);
