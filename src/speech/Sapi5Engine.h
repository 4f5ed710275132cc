#pragma once
// The SAPI 5 engine adapter: the list of SAPI 5 voices, built once at start-up,
// and the voice, stream and format of the job speaking through one of them.

#include "platform/audio/mmreg.h"
#include "platform/sapi5/sapi5.h"
#include "src/speech/CSpObjectToken.h"

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

class Event;

class Sapi5Engine {
public:
    Sapi5Engine(); // clears all fields and runs EnumerateVoices()
    // A fresh engine over the same voice list (tokens AddRef'd), without
    // enumerating and without any job objects.
    static std::unique_ptr<Sapi5Engine> WithVoicesOf(const Sapi5Engine& other);
    ~Sapi5Engine();
    Sapi5Engine(const Sapi5Engine&) = delete;
    Sapi5Engine& operator=(const Sapi5Engine&) = delete;

    // Appends one entry per voice token; false when the category or its
    // enumerator cannot be had (no message).
    bool EnumerateVoices();
    // Both start the speech and return: the voice goes on asynchronously and
    // sets doneEvent when it has finished. False after showing the message.
    bool SpeakToFile(const std::u16string& wavPath, ISpObjectToken* token,
                     const std::u16string& text, int streamFormat);
    bool SpeakToSpeakers(const std::u16string& text, ISpObjectToken* token);
    // Releases the stream (which completes its file), the voice and the
    // format; harmless when nothing is held.
    void ReleaseSpeech();
    // Completes the WAV file of a finished speech (closes the stream); a
    // failure means its end did not reach the disk. S_OK without a stream.
    HRESULT CompleteFile();

    std::size_t VoiceCount() const;
    // Out of range: throws std::invalid_argument.
    const CSpObjectToken& Voice(std::size_t index) const;

    ISpStream* stream = nullptr;
    ISpVoice* voice = nullptr;
    std::vector<std::unique_ptr<CSpObjectToken>> voices;
    Event* doneEvent = nullptr;         // owned by the voice
    WAVEFORMATEX* waveFormat = nullptr; // CoTaskMemAlloc'd

private:
    struct NoEnumeration {};
    explicit Sapi5Engine(NoEnumeration);
    void ReleaseJobObjects();
};
