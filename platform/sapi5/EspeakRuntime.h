#pragma once
// espeak-ng keeps its state in globals, so the runtime gives it one thread of
// its own: the voices are listed there once, at start, and the speech of every
// voice queues up there and is synthesised one request after another, in
// espeak's synchronous mode. A purge stops the running synthesis through the
// return value of espeak's callback.
//
// A long text written to a file is synthesised faster on every core: in
// helper processes (espeak's globals allow one synthesis per process), a
// stretch of sentences each, its audio and events passed on in text order as
// if synthesised here. Short texts, one core or no helper program: here.

#include "platform/audio/PcmSink.h"
#include "platform/audio/mmreg.h"
#include "platform/sapi5/ChunkPlanner.h"
#include "platform/sapi5/SapiXmlReader.h"
#include "platform/sapi5/SentenceBoundaries.h"
#include "platform/sapi5/SpeechChannel.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct EspeakVoice {
    std::string identifier; // what espeak_SetVoiceByName takes: "gmw/en-US"
    std::u16string name;    // "English (America)"
    std::string language;   // "en-us"
    LANGID langId = 0;      // 0 when the language has no id
    int gender = 0;         // 0 unknown, 1 male, 2 female
    int age = 0;            // in years; 0 unknown
};

// One Speak call: the text as read from its markup, the voice that speaks it
// and where the audio goes.
struct SpeechRequest {
    std::vector<SpeechSegment> segments;
    std::string voice;
    std::shared_ptr<PcmSink> sink;
    // The format the audio reaches its output in, in whose bytes events give
    // their offsets.
    WAVEFORMATEX output{};
    std::shared_ptr<SpeechChannel> channel;
    ULONG streamNumber = 0;
    // The output is a file: the audio may be synthesised in helpers.
    bool toFile = false;
    std::atomic<bool> abort{false};

    // The synthesis thread's.
    HRESULT result = S_OK;
    std::uint64_t samples = 0; // written so far, in the runtime's format
    const SpeechSegment* segment = nullptr;
    std::uint64_t segmentStart = 0;  // samples before the synthesis of the segment's text
    std::size_t characterOffset = 0; // the segment's characters before that text
    std::size_t nextMark = 0;        // the segment's first bookmark not raised yet
    // The last word espeak reported in the segment: the character it
    // counts (from 0, a surrogate pair as one) and its place in `text`.
    std::size_t wordCharacter = 0;
    std::size_t wordUnit = 0;
    // The sentences espeak has started, told as they are heard.
    SentenceBoundaries sentences;
};

class EspeakRuntime {
public:
    // Starts the runtime on first use. It lives as long as the process: a
    // worker given up by the program may still be speaking through it.
    static EspeakRuntime& Instance();

    // S_OK, or why espeak-ng could not start (no voice data, say).
    HRESULT Status() const { return m_status; }
    const std::vector<EspeakVoice>& Voices() const { return m_voices; }
    const EspeakVoice* FindVoice(std::string_view identifier) const;
    // The voice of the user's language, else the first voice.
    const EspeakVoice* DefaultVoice() const;
    // espeak-ng's own output: its rate, 16-bit mono.
    const WAVEFORMATEX& Format() const { return m_format; }

    HRESULT Queue(std::shared_ptr<SpeechRequest> request);
    // Drops the channel's queued requests and stops its running one; returns
    // once the synthesis thread has let go of all of them.
    void Purge(const SpeechChannel* channel);

private:
    EspeakRuntime();
    void Start();
    void Run();
    void Synthesise(SpeechRequest& request);
    // The voice and language each segment is spoken in.
    std::vector<RunVoice> VoicesOf(const SpeechRequest& request) const;
    // How many helpers to synthesise the request in; 0 for here.
    unsigned HelpersFor(const SpeechRequest& request, std::string& helper) const;
    void SynthesiseHere(SpeechRequest& request, const std::vector<RunVoice>& voices);
    void SynthesiseInHelpers(SpeechRequest& request, const std::vector<RunVoice>& voices,
                             const std::string& helper, unsigned count);
    HRESULT WriteSilence(SpeechRequest& request, unsigned milliseconds);

    HRESULT m_status = S_OK;
    std::vector<EspeakVoice> m_voices;
    WAVEFORMATEX m_format{};

    std::mutex m_mutex;
    std::condition_variable m_wake;    // the synthesis thread: new work
    std::condition_variable m_settled; // purgers: the running request ended
    std::deque<std::shared_ptr<SpeechRequest>> m_queue;
    std::shared_ptr<SpeechRequest> m_running;
};
