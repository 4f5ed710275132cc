#pragma once
// The SAPI 4 engine adapter: the list of SAPI 4 voices, built once at start-up,
// and the engine objects of the job speaking through one of them. A failing
// operation hands back the message the user is to see; it shows none itself.

#include "platform/com/ComPtr.h"
#include "platform/sapi4/sapi4.h"
#include "src/resources/UserMessage.h"
#include "src/speech/CSAPI4VoiceInfo.h"
#include "src/speech/CTTSBufNotifySink.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// When the attribute ranges of the voices are probed; each probe creates an
// engine instance for its voice.
enum class Sapi4Probing {
    AtEnumeration, // every voice: the window's control bar needs them all
    OnDemand,      // none until ProbeVoice: a command line speaks with one voice
};

class Sapi4Engine {
public:
    // Enumerates the voices; the start-up enumeration has nobody to hand its
    // message to, so it shows it.
    explicit Sapi4Engine(Sapi4Probing probing = Sapi4Probing::AtEnumeration);
    // No enumeration: a fresh engine over a known list.
    explicit Sapi4Engine(std::vector<CSAPI4VoiceInfo> voices);
    ~Sapi4Engine();
    Sapi4Engine(const Sapi4Engine&) = delete;
    Sapi4Engine& operator=(const Sapi4Engine&) = delete;

    Result<> EnumerateVoices();
    // Probes the ranges of a voice enumerated without them; harmless for a
    // voice whose ranges are known. Out of range: throws std::invalid_argument.
    void ProbeVoice(std::size_t index);
    // The sink the engine tells when its audio has stopped; it must outlive
    // the engine objects of every job started after this call.
    void SetNotifySink(ITTSNotifySinkW* sink);
    // Both start the speech and return: the engine goes on in the background
    // and tells the sink when its audio has stopped. A file's speech may keep
    // the word positions the engine tells (see Sentences).
    Result<> SpeakToFile(const std::u16string& wavPath, const std::u16string& text,
                         const CSAPI4VoiceInfo& voice, bool keepPositions = false);
    Result<> SpeakToSpeakers(const std::u16string& text, const CSAPI4VoiceInfo& voice);
    // After a file's text was refused, the engine and the file it created
    // stay until this call, so that the user reads the message with the file
    // still there: unregisters the sink, lets go of the engine and the
    // destination, and removes the file. Harmless after any other start.
    void AbandonStart();
    // A stopped job: the audio not yet played or written is discarded.
    void Abort();
    // Completes the file, releases the destinations and the engine; harmless
    // when nothing is held. A message when the file of speech that was not
    // aborted could not be completed: a stopped job's file goes anyway.
    Result<> EndSpeech();
    // Where in the text the engine's audio has got: the position, in
    // characters of the text it was given, of the word it spoke last, as the
    // engine told it while the calling thread dispatched its messages. None
    // before it has told.
    std::optional<std::size_t> SpokenPosition() const;
    // The word positions kept by the last SpeakToFile that asked, as the
    // engine told them up to EndSpeech: positions in the text it was given,
    // offsets in the file's sample data. This runtime tells the first word
    // of each piece of text it synthesises on its own, about a sentence.
    EngineSentences TakeSentences();

    std::size_t VoiceCount() const;
    // Out of range: throws std::invalid_argument.
    const CSAPI4VoiceInfo& Voice(std::size_t index) const;
    const std::vector<CSAPI4VoiceInfo>& Voices() const;

    // What the engine holds of the current job, to be looked at, not used.
    const ITTSCentralW* HeldEngine() const;
    const IAudioFile* HeldFile() const;
    const IAudioMultiMediaDevice* HeldDevice() const;
    DWORD SinkKey() const;

private:
    // What both speak routines do first: find the mode of `voice`, create the
    // destination, select the mode into it, ready it and register the sink.
    // `notCreated` is the message when the destination cannot be created. On
    // failure the destination is let go again.
    template <class Destination>
    Result<> OpenEngine(const CSAPI4VoiceInfo& voice, REFCLSID destinationClass,
                        UserMessage notCreated, ComPtr<Destination>& destination);
    Result<> SendText(const std::u16string& text, bool keepPositions);
    // A start that failed once the sink was registered: unregister it and let
    // go of the engine and its destination.
    void AbandonEngine();

    ITTSNotifySinkW* m_sink = nullptr;
    ComPtr<ITTSCentralW> m_central;
    ComPtr<IAudioFile> m_audioFile;
    ComPtr<IAudioMultiMediaDevice> m_audioDevice;
    // The current text's; a fresh one for each text.
    ComPtr<CTTSBufNotifySink> m_bufSink;
    // What the last text's sink kept, taken from it when it goes.
    EngineSentences m_sentences;
    DWORD m_sinkKey = 0;
    // The file whose text the engine refused, until AbandonStart.
    std::optional<std::u16string> m_refusedFile;
    bool m_aborted = false;
    Sapi4Probing m_probing = Sapi4Probing::AtEnumeration;
    std::vector<CSAPI4VoiceInfo> m_voices;
    // Whether each voice's ranges are known, by list position.
    std::vector<bool> m_probed;
};
