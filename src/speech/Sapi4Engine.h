#pragma once
// The SAPI 4 engine adapter: the list of SAPI 4 voices, built once at start-up,
// and the engine objects of the job speaking through one of them.

#include "platform/sapi4/sapi4.h"
#include "src/speech/CSAPI4VoiceInfo.h"

#include <cstddef>
#include <string>
#include <vector>

class Sapi4Engine {
public:
    Sapi4Engine(); // clears all fields and runs EnumerateVoices()
    // No enumeration: a fresh engine over a known list.
    explicit Sapi4Engine(std::vector<CSAPI4VoiceInfo> voices);
    ~Sapi4Engine();
    Sapi4Engine(const Sapi4Engine&) = delete;
    Sapi4Engine& operator=(const Sapi4Engine&) = delete;

    bool EnumerateVoices();
    // Both start the speech and return: the engine goes on in the background
    // and tells `sink` when its audio has stopped.
    bool SpeakToFile(const std::u16string& wavPath, const std::u16string& text,
                     const CSAPI4VoiceInfo& voice);
    bool SpeakToSpeakers(const std::u16string& text, const CSAPI4VoiceInfo& voice);
    // Completes the file, releases the destinations and the engine; harmless
    // when nothing is held. False (message 136 shown) when the file could not
    // be completed.
    bool EndSpeech();

    std::size_t VoiceCount() const;
    // Out of range: throws std::invalid_argument.
    const CSAPI4VoiceInfo& Voice(std::size_t index) const;

    // The record's fields, public as the frame and the worker use them:
    ITTSNotifySinkW* sink = nullptr;
    ITTSCentralW* central = nullptr;
    IAudioFile* audioFile = nullptr;
    IAudioMultiMediaDevice* audioDevice = nullptr;
    DWORD sinkKey = 0;
    std::vector<CSAPI4VoiceInfo> voices;

private:
    // A start that failed once the sink was registered: unregister it and let
    // go of the engine and its destination.
    void AbandonEngine();
};
