#pragma once
// The SAPI 5 engine adapter: the list of SAPI 5 voices, built once at start-up,
// and the voice, stream and format of the job speaking through one of them. A
// failing operation hands back the message the user is to see; it shows none
// itself.

#include "platform/audio/mmreg.h"
#include "platform/com/ComPtr.h"
#include "platform/sapi5/sapi5.h"
#include "src/resources/UserMessage.h"
#include "src/speech/CSpObjectToken.h"
#include "src/speech/EngineSentence.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Event;

class Sapi5Engine {
public:
    Sapi5Engine(); // runs EnumerateVoices()
    // A fresh engine over the same voice list (tokens shared), without
    // enumerating and without any job objects.
    static std::unique_ptr<Sapi5Engine> WithVoicesOf(const Sapi5Engine& other);
    ~Sapi5Engine();
    Sapi5Engine(const Sapi5Engine&) = delete;
    Sapi5Engine& operator=(const Sapi5Engine&) = delete;

    // Appends one entry per voice token; false when the category or its
    // enumerator cannot be had (no message).
    bool EnumerateVoices();
    // Both start the speech and return: the voice goes on asynchronously and
    // signals DoneEvent() when it has finished. A file's speech may keep the
    // sentence boundaries the voice raises (see TakeSentences).
    Result<> SpeakToFile(const std::u16string& wavPath, const std::u16string& text,
                         ISpObjectToken* token, int streamFormat, bool keepSentences = false);
    Result<> SpeakToSpeakers(const std::u16string& text, ISpObjectToken* token);
    // After a file's speech failed to start, its file (completed, empty)
    // stays until this call, so that the user reads the message with the
    // file still there: removes it. Harmless after any other start.
    void AbandonStart();
    // A stopped job: the queued speech is purged at once.
    void Abort();
    // The end of a job's speech: completes the file and releases the job
    // objects. A message when speech that was not aborted failed on the way
    // or its file could not be completed.
    Result<> EndSpeech();
    // Releases the stream (which completes its file), the voice and the
    // format, and removes the file of a start that failed; harmless when
    // nothing is held.
    void ReleaseSpeech();
    // Signalled when the voice has completed the speech; owned by the voice.
    // None before a job has started.
    const Event* DoneEvent() const;
    // Where in the text the voice has got: the position, in characters of
    // the text it was given, of the word it spoke last. None when no voice
    // speaks or it does not say.
    std::optional<std::size_t> SpokenPosition() const;
    // Takes the sentence boundaries the voice has queued since the last call,
    // so that they do not pile up in it: the worker calls it while it waits.
    void CollectSentences();
    // The sentences kept by the last SpeakToFile that asked, up to EndSpeech:
    // positions in the text the voice was given, offsets in the file's
    // sample data.
    EngineSentences TakeSentences();

    std::size_t VoiceCount() const;
    // Out of range: throws std::invalid_argument.
    const CSpObjectToken& Voice(std::size_t index) const;

    // What the engine holds of the current job, to be looked at, not used.
    const ISpVoice* HeldVoice() const;
    const ISpStream* HeldStream() const;
    const WAVEFORMATEX* HeldFormat() const;

private:
    struct NoEnumeration {};
    explicit Sapi5Engine(NoEnumeration);
    // Speech that ended by itself may still have failed on the way (a full
    // disk under the output file).
    bool SpeechFailed() const;

    struct TaskMemFree {
        void operator()(void* p) const;
    };

    // Declared so that destruction lets go of the voices, the voice, the
    // stream and then the format.
    std::unique_ptr<WAVEFORMATEX, TaskMemFree> m_waveFormat;
    ComPtr<ISpStream> m_stream;
    ComPtr<ISpVoice> m_voice;
    // The voice's events, when its sentences are kept.
    ComPtr<ISpEventSource> m_events;
    EngineSentences m_sentences;
    Event* m_doneEvent = nullptr;
    bool m_aborted = false;
    // The file of a start that failed, until AbandonStart.
    std::optional<std::u16string> m_refusedFile;
    std::vector<std::unique_ptr<CSpObjectToken>> m_voices;
};
