#pragma once
// A stretch of one run of text synthesised on its own, by a helper process or
// in process, with audio that fits between its neighbours' as if the run had
// been synthesised whole. espeak's sentence depends on what it follows (its
// first sentence starts differently) and on what follows it (the pause after
// its last), so the stretch comes with the sentence before it and the text
// after it: the audio is cut where espeak starts the stretch's first sentence
// and where it starts the next one.
//
// Requests and their audio cross pipes in the framing below: a 64-bit byte
// count, then the fields in this process's byte order (helpers are built with
// the program).

#include "platform/com/types.h"
#include "platform/sapi5/EspeakSynthesis.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ChunkRequest {
    std::string voice;
    bool english = false;
    SpeechProsody prosody;
    std::string text; // espeak's SSML, UTF-8: lead-in, the stretch, lead-out
    // The stretch's first and end characters in `text`: 0 and its length when
    // there is no lead-in or lead-out.
    std::uint32_t from = 0;
    std::uint32_t to = 0;
};

struct ChunkAudio {
    HRESULT result = S_OK;
    std::vector<std::int16_t> samples;
    // The events of the stretch's text, with samples from the audio's start.
    std::vector<SynthEvent> events;
};

// Synthesises in this process; stops early, with E_ABORT, once `abort` is
// set. Fails when espeak starts no sentence at the stretch's ends.
ChunkAudio SynthesiseChunk(const ChunkRequest& request, const std::atomic<bool>* abort = nullptr);

std::string Serialise(const ChunkRequest& request);
std::string Serialise(const ChunkAudio& audio);
// The first whole message at the front of `bytes`, taken out of it; nothing
// while it is incomplete, or ill-formed (`bad` set).
std::optional<ChunkRequest> TakeRequest(std::string& bytes, bool& bad);
std::optional<ChunkAudio> TakeAudio(std::string& bytes, bool& bad);
// Writes a whole message. False when the pipe broke (its reader died): the
// write fails with EPIPE and the signal raised for it, blocked on this thread
// meanwhile, is taken back.
bool SendMessage(int fd, const std::string& bytes);
