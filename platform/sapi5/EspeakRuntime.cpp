#include "platform/sapi5/EspeakRuntime.h"

#include "platform/com/PrivateLibrary.h"
#include "platform/com/com.h"
#include "platform/com/langid.h"
#include "platform/com/strings.h"
#include "platform/sapi5/EspeakSynthesis.h"
#include "platform/sapi5/HelperPool.h"
#include "platform/sapi5/RequestSpeech.h"
#include "platform/sapi5/VoiceAttributes.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <espeak-ng/speak_lib.h>
#include <future>
#include <optional>
#include <sched.h>
#include <thread>

namespace {

// Shorter texts are synthesised here: starting helpers and loading their
// voices costs more than the cores save.
constexpr std::size_t kHelperTextUnits = 6000;
// The text one helper synthesises at a time: long enough that its lead-in
// sentence costs little, short enough that the audio waiting to be written
// stays small.
constexpr std::size_t kStretchUnits = 1500;
constexpr char kHelperProgram[] = "vocalith-espeak-helper";

std::u16string Trimmed(const char* text) {
    std::string s = text ? text : "";
    auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return FromUtf8(s);
}

EspeakVoice VoiceOf(const espeak_VOICE& v) {
    EspeakVoice voice;
    voice.identifier = v.identifier ? v.identifier : "";
    voice.name = Trimmed(v.name);
    // The list of languages is a priority byte and a name per entry; the
    // first is the voice's own.
    if (v.languages && v.languages[0])
        voice.language = v.languages + 1;
    voice.langId = LangIdFromLocaleName(voice.language);
    voice.gender = v.gender;
    voice.age = v.age;
    if (voice.name.empty())
        voice.name = FromUtf8(voice.identifier);
    return voice;
}

unsigned Cores() {
    cpu_set_t set;
    return sched_getaffinity(0, sizeof set, &set) == 0 ? static_cast<unsigned>(CPU_COUNT(&set))
                                                       : std::thread::hardware_concurrency();
}

} // namespace

EspeakRuntime& EspeakRuntime::Instance() {
    static EspeakRuntime* runtime = [] {
        auto* r = new EspeakRuntime;
        r->Start();
        return r;
    }();
    return *runtime;
}

EspeakRuntime::EspeakRuntime() = default;

void EspeakRuntime::Start() {
    std::promise<void> ready;
    std::future<void> started = ready.get_future();
    std::thread([this, ready = std::move(ready)]() mutable {
        int rate = InitialiseEspeak();
        if (rate <= 0) {
            m_status = SPERR_NO_DRIVER;
        } else {
            m_format = MakePcmFormat(static_cast<DWORD>(rate), 16, 1);
            if (const espeak_VOICE** list = espeak_ListVoices(nullptr))
                for (; *list; ++list)
                    if ((*list)->identifier)
                        m_voices.push_back(VoiceOf(**list));
        }
        ready.set_value();
        if (SUCCEEDED(m_status))
            Run();
    }).detach();
    started.wait();
}

const EspeakVoice* EspeakRuntime::FindVoice(std::string_view identifier) const {
    for (const auto& v : m_voices)
        if (v.identifier == identifier)
            return &v;
    return nullptr;
}

const EspeakVoice* EspeakRuntime::DefaultVoice() const {
    if (m_voices.empty())
        return nullptr;
    LANGID user = GetUserDefaultLangID();
    for (const auto& v : m_voices)
        if (v.langId == user)
            return &v;
    for (const auto& v : m_voices)
        if (v.langId && (v.langId & 0x3FF) == (user & 0x3FF))
            return &v;
    return &m_voices.front();
}

HRESULT EspeakRuntime::Queue(std::shared_ptr<SpeechRequest> request) {
    if (FAILED(m_status))
        return m_status;
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(request));
    m_wake.notify_one();
    return S_OK;
}

void EspeakRuntime::Purge(const SpeechChannel* channel) {
    std::vector<std::shared_ptr<SpeechRequest>> dropped;
    {
        std::unique_lock lock(m_mutex);
        for (auto it = m_queue.begin(); it != m_queue.end();) {
            if ((*it)->channel.get() == channel) {
                dropped.push_back(std::move(*it));
                it = m_queue.erase(it);
            } else {
                ++it;
            }
        }
        if (m_running && m_running->channel.get() == channel) {
            m_running->abort = true;
            if (m_running->sink)
                m_running->sink->Abort();
            m_settled.wait(lock, [&] { return !m_running || m_running->channel.get() != channel; });
        }
    }
    for (auto& request : dropped)
        request->channel->Ended(S_OK);
}

void EspeakRuntime::Run() {
    for (;;) {
        std::shared_ptr<SpeechRequest> request;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [&] { return !m_queue.empty(); });
            request = m_queue.front();
            m_queue.pop_front();
            m_running = request;
        }
        request->channel->Started(request->streamNumber);
        RaiseEvent(*request, SPEI_START_INPUT_STREAM, 0);
        Synthesise(*request);
        if (!request->abort)
            RaiseEvent(*request, SPEI_END_INPUT_STREAM, request->samples);
        // The sink goes before the speech counts as complete: a stream the
        // voice's client releases then must be the last reference, so that
        // the release completes its file there and then.
        std::shared_ptr<PcmSink> sink;
        {
            std::lock_guard lock(m_mutex);
            sink = std::move(request->sink);
        }
        sink.reset();
        std::lock_guard lock(m_mutex);
        m_running.reset();
        request->channel->Ended(request->abort ? S_OK : request->result);
        m_settled.notify_all();
    }
}

std::vector<RunVoice> EspeakRuntime::VoicesOf(const SpeechRequest& request) const {
    const EspeakVoice* speaking = FindVoice(request.voice);
    std::vector<RunVoice> voices;
    for (const auto& segment : request.segments) {
        // Voice markup that no voice meets leaves the speaking voice on.
        RunVoice run;
        run.voice = segment.voice == VoiceRequest{}
                        ? request.voice
                        : ChooseVoice(m_voices, *speaking, segment.voice);
        if (run.voice.empty())
            run.voice = request.voice;
        const EspeakVoice* chosen = FindVoice(run.voice.substr(0, run.voice.find('+')));
        run.english = chosen && chosen->language.starts_with("en");
        voices.push_back(std::move(run));
    }
    return voices;
}

unsigned EspeakRuntime::HelpersFor(const SpeechRequest& request, std::string& helper) const {
    if (!request.toFile)
        return 0;
    std::size_t units = 0;
    for (const auto& segment : request.segments)
        units += segment.text.size();
    if (units < kHelperTextUnits)
        return 0;
    // The environment may ask for a number of processes (1: none) and name
    // the helper program, for measurements and diagnosis.
    const char* processes = std::getenv("VOCALITH_SYNTHESIS_PROCESSES");
    const unsigned count = processes ? static_cast<unsigned>(std::atoi(processes)) : Cores();
    if (count < 2)
        return 0;
    const char* path = std::getenv("VOCALITH_ESPEAK_HELPER");
    helper = path ? path : FindPrivateProgram(kHelperProgram);
    return helper.empty() ? 0 : count;
}

void EspeakRuntime::Synthesise(SpeechRequest& request) {
    if (!FindVoice(request.voice)) {
        request.result = SPERR_NOT_FOUND;
        return;
    }
    request.sentences = SentenceBoundaries(m_format.nSamplesPerSec);
    const std::vector<RunVoice> voices = VoicesOf(request);
    std::string helper;
    if (unsigned helpers = HelpersFor(request, helper))
        SynthesiseInHelpers(request, voices, helper, helpers);
    else
        SynthesiseHere(request, voices);
    FinishRequest(request);
}

void EspeakRuntime::SynthesiseHere(SpeechRequest& request, const std::vector<RunVoice>& voices) {
    RequestSpeech speech(request);
    for (std::size_t i = 0; i < request.segments.size(); ++i) {
        if (request.abort || FAILED(request.result))
            return;
        const SpeechSegment& segment = request.segments[i];
        if (!UseEspeakVoice(voices[i].voice)) {
            request.result = SPERR_NOT_FOUND;
            return;
        }
        BeginSegment(request, segment);
        if (segment.silenceMs > 0) {
            request.result = WriteSilence(request, segment.silenceMs);
            continue;
        }
        if (!segment.text.empty() &&
            !SynthesiseSsml(ToUtf8(segment.text), voices[i].english, segment.prosody, speech) &&
            !request.abort && SUCCEEDED(request.result))
            request.result = E_FAIL;
        EndSegment(request);
    }
}

void EspeakRuntime::SynthesiseInHelpers(SpeechRequest& request, const std::vector<RunVoice>& voices,
                                        const std::string& helper, unsigned count) {
    HelperPool pool(helper, count);
    if (pool.Helpers() == 0) {
        SynthesiseHere(request, voices);
        return;
    }
    ChunkPlanner planner(request.segments, voices, kStretchUnits);
    std::deque<PlannedChunk> planned; // given to the pool, not yet taken
    auto plan = [&] {
        while (!pool.Full()) {
            std::optional<PlannedChunk> chunk = planner.Next();
            if (!chunk)
                return;
            pool.Submit(std::move(chunk->request));
            planned.push_back(std::move(*chunk));
        }
    };
    auto take = [&] {
        PlannedChunk chunk = std::move(planned.front());
        planned.pop_front();
        ChunkAudio audio = pool.TakeNext(request.abort);
        plan();
        return std::pair(std::move(chunk), std::move(audio));
    };
    RequestSpeech speech(request);
    const std::size_t block = m_format.nSamplesPerSec * kEspeakBlockMilliseconds / 1000;
    for (std::size_t i = 0; i < request.segments.size(); ++i) {
        if (request.abort || FAILED(request.result))
            return;
        const SpeechSegment& segment = request.segments[i];
        BeginSegment(request, segment);
        if (segment.silenceMs > 0) {
            request.result = WriteSilence(request, segment.silenceMs);
            continue;
        }
        plan();
        while (!request.abort && SUCCEEDED(request.result) && !planned.empty() &&
               planned.front().segment == i) {
            auto [chunk, audio] = take();
            if (audio.result == E_FAIL) {
                // espeak read the sentences otherwise than planned: the rest
                // of the run is synthesised here, in one.
                planner.SkipSegment(i);
                while (!request.abort && !planned.empty() && planned.front().segment == i)
                    take();
                const std::size_t end = segment.text.size();
                audio = SynthesiseChunk(
                    ChunkOf(segment, i, voices[i], chunk.textFrom, chunk.stretchFrom, end, end)
                        .request,
                    &request.abort);
            }
            if (request.abort)
                return;
            if (FAILED(audio.result))
                request.result = audio.result;
            else
                speech.Replay(audio, chunk.characterOffset, block);
        }
        EndSegment(request);
    }
}

HRESULT EspeakRuntime::WriteSilence(SpeechRequest& request, unsigned milliseconds) {
    std::vector<std::int16_t> block(m_format.nSamplesPerSec * kEspeakBlockMilliseconds / 1000);
    std::size_t left = static_cast<std::size_t>(m_format.nSamplesPerSec) * milliseconds / 1000;
    while (left > 0 && !request.abort) {
        std::size_t n = std::min(left, block.size());
        HRESULT hr = request.sink->Write(block.data(), n * sizeof block[0]);
        if (FAILED(hr))
            return request.abort ? S_OK : hr;
        left -= n;
        request.samples += n;
        request.sentences.HeardSilence(n);
    }
    return S_OK;
}
