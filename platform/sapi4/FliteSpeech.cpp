// Speaking one request with flite: tags change the settings between pieces
// of text, every piece is spoken sentence by sentence, and each sentence's
// samples reach the destination in text order.

#include "platform/sapi4/FliteSpeech.h"

#include "platform/sapi4/FliteSentence.h"
#include "platform/sapi4/SentencePool.h"
#include "platform/sync/sync.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <functional>
#include <sched.h>
#include <thread>
#include <utility>

namespace {

std::atomic<unsigned> g_fileThreads{0};

bool IsCancelled(const SpeechRequest& r) {
    return r.cancelled->load();
}

HRESULT Deliver(SpeechRequest& r, std::span<const short> samples) {
    if (IsCancelled(r))
        return E_ABORT;
    const std::size_t bytes = samples.size_bytes();
    HRESULT hr = r.destination->Write(r.epoch, samples.data(), bytes);
    if (SUCCEEDED(hr))
        *r.position += bytes;
    return hr;
}

bool IsFile(IAudioDestination* destination) {
    IAudioFile* file = nullptr;
    if (FAILED(destination->QueryInterface(IID_IAudioFile, reinterpret_cast<void**>(&file))))
        return false;
    file->Release();
    return true;
}

// Buffer notifications travel as the engine's others do: to the thread that
// gave the text, for it to dispatch.
void NotifyBuffer(const SpeechRequest& r, std::function<void(ITTSBufNotifySink*)> call) {
    if (r.bufSink)
        PostThreadTask(r.notifyThread,
                       [sink = r.bufSink, call = std::move(call)] { call(sink.Get()); });
}

// The audio of the sentence at `byteOffset` of the text has begun to reach
// the destination. It is stamped with where its first sound starts: the
// destination's position before its first samples, past the silence flite
// leads the sentence in with.
void TellWordPosition(const SpeechRequest& r, QWORD start, std::size_t leadIn, DWORD byteOffset) {
    const QWORD onset = start + leadIn * sizeof(short);
    NotifyBuffer(r,
                 [onset, byteOffset](ITTSBufNotifySink* s) { s->WordPosition(onset, byteOffset); });
}

// Calls `speak` for every sentence of the text, in order, with the settings
// in force where it starts, its number in the text (from 1) and its byte
// offset in the text given to TextData, until it fails.
template <typename Speak> HRESULT ForEachSentence(const SpeechRequest& r, Speak speak) {
    const FliteVoice& v = r.voice;
    VoiceSettings s = r.settings;
    std::uint32_t number = 0;
    for (const TextPiece& piece : r.pieces) {
        if (IsCancelled(r))
            return E_ABORT;
        switch (piece.kind) {
        case TextPiece::Kind::Reset:
            s = v.defaults;
            break;
        case TextPiece::Kind::Speed:
            s.speed = v.ClampSpeed(piece.value);
            break;
        case TextPiece::Kind::Volume:
            s.volume = piece.value;
            break;
        case TextPiece::Kind::Pitch:
            if (v.canSetPitch)
                s.pitch = v.ClampPitch(piece.value);
            break;
        case TextPiece::Kind::Text: {
            HRESULT hr = S_OK;
            ForEachSentenceOf(piece.text, [&](std::u16string_view sentence) {
                const std::size_t at = piece.sources.SourceOf(
                    static_cast<std::size_t>(sentence.data() - piece.text.data()));
                hr = speak(s, std::u16string(sentence), ++number,
                           static_cast<DWORD>(at * sizeof(WCHAR)));
                return SUCCEEDED(hr) && !IsCancelled(r);
            });
            if (FAILED(hr))
                return hr;
            break;
        }
        }
    }
    return S_OK;
}

HRESULT Stream(SpeechRequest& r) {
    return ForEachSentence(r, [&](const VoiceSettings& s, std::u16string sentence,
                                  std::uint32_t number, DWORD byteOffset) {
        bool told = false;
        std::size_t leadIn = 0;
        return SynthesizeSentence(
            r.voice, s, sentence, number,
            [&](std::span<const short> samples) {
                const QWORD start = r.position->load();
                HRESULT hr = Deliver(r, samples);
                if (SUCCEEDED(hr) && !std::exchange(told, true))
                    TellWordPosition(r, start, leadIn, byteOffset);
                return hr;
            },
            &leadIn);
    });
}

HRESULT SynthesizeInParallel(SpeechRequest& r, unsigned threads) {
    SentencePool pool(r.voice, threads, r.cancelled);
    // The byte offsets of the sentences in the pool, oldest first.
    std::deque<DWORD> offsets;
    std::vector<short> samples;
    auto writeOldest = [&] {
        const DWORD offset = offsets.front();
        offsets.pop_front();
        std::size_t leadIn = 0;
        HRESULT hr = pool.TakeNext(samples, leadIn);
        const QWORD start = r.position->load();
        if (SUCCEEDED(hr))
            hr = Deliver(r, samples);
        if (SUCCEEDED(hr) && !samples.empty())
            TellWordPosition(r, start, std::min(leadIn, samples.size()), offset);
        return hr;
    };
    HRESULT hr = ForEachSentence(r, [&](const VoiceSettings& s, std::u16string sentence,
                                        std::uint32_t number, DWORD byteOffset) {
        HRESULT written = pool.Full() ? writeOldest() : S_OK;
        if (SUCCEEDED(written)) {
            pool.Submit({std::move(sentence), s, number});
            offsets.push_back(byteOffset);
        }
        return written;
    });
    while (SUCCEEDED(hr) && !pool.Empty())
        hr = writeOldest();
    return hr;
}

unsigned ProcessorsAvailable() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof(set), &set) == 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

unsigned FileSynthesisThreads() {
    const unsigned chosen = g_fileThreads;
    return chosen ? chosen : ProcessorsAvailable();
}

class StopNotifier {
public:
    explicit StopNotifier(SpeechRequest& r) : m_request(r) {
        const QWORD at = r.position->load();
        NotifyBuffer(r, [at](ITTSBufNotifySink* s) { s->TextDataStarted(at); });
        NotifySinkList::Post(r.sinks, r.notifyThread,
                             [at](ITTSNotifySinkW* s) { s->AudioStart(at); });
    }
    // The text's own notification goes first: AudioStop may end the
    // dispatching of the thread that gave it.
    ~StopNotifier() {
        const QWORD at = m_request.position->load();
        const DWORD flags = IsCancelled(m_request) ? TTSBNS_ABORTED : 0;
        NotifyBuffer(m_request, [at, flags](ITTSBufNotifySink* s) { s->TextDataDone(at, flags); });
        NotifySinkList::Post(m_request.sinks, m_request.notifyThread,
                             [at](ITTSNotifySinkW* s) { s->AudioStop(at); });
    }
    StopNotifier(const StopNotifier&) = delete;
    StopNotifier& operator=(const StopNotifier&) = delete;

private:
    SpeechRequest& m_request;
};

} // namespace

void SetFileSynthesisThreads(unsigned threads) {
    g_fileThreads = threads;
}

void SpeakWithFlite(SpeechRequest& r) {
    // A text reset before its turn came is dropped without a sound.
    if (IsCancelled(r))
        return;
    // AudioStop follows AudioStart however the text ends.
    StopNotifier notifier(r);
    const unsigned threads = IsFile(r.destination) ? FileSynthesisThreads() : 1;
    HRESULT hr = threads > 1 ? SynthesizeInParallel(r, threads) : Stream(r);
    if (SUCCEEDED(hr) && !IsCancelled(r))
        r.destination->Complete(r.epoch);
}
