#pragma once
// What a request's synthesis, here or in a helper, tells the voice that asked
// for it: its audio passed on to the sink block by block, the bookmarks
// reached, the words and sentences started, the last word whose audio
// reached the output, and the stream's events, at offsets in the output's
// format.

#include "platform/sapi5/EspeakChunk.h"
#include "platform/sapi5/EspeakRuntime.h"
#include "platform/sapi5/EspeakSynthesis.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// Raises the event for the voice's client if it asked for it; a bookmark's
// name is its `text`. `sample` counts the runtime's samples.
void RaiseEvent(SpeechRequest& request, SPEVENTENUM id, std::uint64_t sample,
                std::u16string_view text = {});
// A word or sentence boundary: its place and length in the caller's text.
void RaiseBoundary(SpeechRequest& request, SPEVENTENUM id, std::uint64_t sample,
                   std::size_t position, std::size_t length);

// The request's speech as it is synthesised: stops a purged or failed
// request through the listener's answer.
class RequestSpeech : public SynthListener {
public:
    explicit RequestSpeech(SpeechRequest& request) : m_request(request) {}

    int Heard(const short* samples, std::size_t count,
              const std::vector<SynthEvent>& events) override;
    // A helper's audio of the stretch that starts `characterOffset`
    // characters into the segment, in blocks as espeak would have given them
    // here.
    void Replay(const ChunkAudio& audio, std::size_t characterOffset, std::size_t block);

private:
    SpeechRequest& m_request;
};

void BeginSegment(SpeechRequest& request, const SpeechSegment& segment);
// Raises the bookmarks espeak did not report, where the segment ends.
void EndSegment(SpeechRequest& request);
// Completes the sink of a request that neither failed nor was purged.
void FinishRequest(SpeechRequest& request);
