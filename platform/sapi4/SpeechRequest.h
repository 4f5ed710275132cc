#pragma once
// One text accepted by an engine, with everything its synthesis touches. The
// synthesis thread owns the request, so the engine and the destination may
// be released by their users while it is still being spoken.

#include "platform/com/ComPtr.h"
#include "platform/sapi4/AudioDestination.h"
#include "platform/sapi4/FliteVoices.h"
#include "platform/sapi4/NotifySinkList.h"
#include "platform/sapi4/TaggedText.h"

#include <atomic>
#include <memory>
#include <vector>

struct SpeechRequest {
    SpeechRequest(const FliteVoice& voice, IAudioDestination* destination)
        : voice(voice), destination(destination) {
        destination->AddRef();
    }
    ~SpeechRequest() { destination->Release(); }
    SpeechRequest(const SpeechRequest&) = delete;
    SpeechRequest& operator=(const SpeechRequest&) = delete;

    const FliteVoice& voice;
    IAudioDestination* destination;
    std::uint64_t epoch = 0;
    std::vector<TextPiece> pieces;
    // The engine's attributes when the text was accepted; tags change them
    // for this text only.
    VoiceSettings settings;
    // Set by AudioReset and by the engine's release: the text is dropped at
    // the next sound it would deliver.
    std::shared_ptr<std::atomic<bool>> cancelled;
    std::shared_ptr<NotifySinkList> sinks;
    // Hears how this text goes; may be none.
    ComPtr<ITTSBufNotifySink> bufSink;
    DWORD notifyThread = 0;
    // Bytes of audio the engine has delivered, over all its texts.
    std::shared_ptr<std::atomic<QWORD>> position;
};
