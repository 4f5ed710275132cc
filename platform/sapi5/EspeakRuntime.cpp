#include "platform/sapi5/EspeakRuntime.h"

#include "platform/com/com.h"
#include "platform/com/langid.h"
#include "platform/com/strings.h"
#include "platform/sapi5/Homographs.h"
#include "platform/sapi5/SpObjectToken.h"
#include "platform/sapi5/VoiceAttributes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <espeak-ng/speak_lib.h>
#include <future>
#include <optional>
#include <thread>

namespace {

// espeak hands over its audio in blocks of this length: short enough for the
// first words to play at once and for a purge to take effect at once.
constexpr int kBlockMilliseconds = 50;

// Rate -10..10 spans a third to three times the normal speed, within what
// espeak-ng can do.
int EspeakRate(int rate) {
    double wpm = espeakRATE_NORMAL * std::pow(3.0, rate / 10.0);
    return std::clamp(static_cast<int>(std::lround(wpm)), espeakRATE_MINIMUM, espeakRATE_MAXIMUM);
}

// Pitch -10..10 moves espeak's base pitch across its 0..100 range around 50.
int EspeakPitch(int pitch) {
    return std::clamp(50 + 5 * pitch, 0, 100);
}

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

void Raise(SpeechRequest& request, SPEVENTENUM id, std::uint64_t sample,
           std::u16string_view text = {}) {
    if (!request.channel->Wants(id))
        return;
    const WAVEFORMATEX& output = request.output;
    SPEVENT event{};
    event.eEventId = id;
    event.ulStreamNum = request.streamNumber;
    event.ullAudioStreamOffset = sample * output.nSamplesPerSec /
                                 EspeakRuntime::Instance().Format().nSamplesPerSec *
                                 output.nBlockAlign;
    if (id == SPEI_TTS_BOOKMARK) {
        LPWSTR copy = nullptr;
        if (FAILED(CoTaskMemString(text, &copy)))
            return;
        event.elParamType = SPET_LPARAM_IS_STRING;
        event.lParam = reinterpret_cast<LPARAM>(copy);
        // The mark's leading number, as SAPI gives it.
        std::string digits = ToUtf8(text);
        event.wParam = static_cast<WPARAM>(std::strtol(digits.c_str(), nullptr, 10));
    }
    request.channel->Raise(event);
}

// Raises the segment's bookmarks up to `end` (exclusive) at the sample.
void RaiseBookmarks(SpeechRequest& request, std::size_t end, std::uint64_t sample) {
    const auto& marks = request.segment->bookmarks;
    for (; request.nextMark < std::min(end, marks.size()); ++request.nextMark)
        Raise(request, SPEI_TTS_BOOKMARK, sample, marks[request.nextMark]);
}

// espeak counts a surrogate pair as one character.
std::size_t UnitsOfCharacterAt(std::u16string_view text, std::size_t unit) {
    const bool pair = text[unit] >= 0xD800 && text[unit] < 0xDC00 && unit + 1 < text.size() &&
                      text[unit + 1] >= 0xDC00 && text[unit + 1] < 0xE000;
    return pair ? 2 : 1;
}

// The place in the segment's text of the character espeak counts as
// `character`, walking on from the last word's: words come in text order.
std::size_t UnitOf(SpeechRequest& request, std::size_t character) {
    const std::u16string& text = request.segment->text;
    if (character < request.wordCharacter)
        request.wordCharacter = request.wordUnit = 0;
    std::size_t unit = request.wordUnit;
    for (std::size_t c = request.wordCharacter; c < character && unit < text.size(); ++c)
        unit += UnitsOfCharacterAt(text, unit);
    request.wordCharacter = character;
    request.wordUnit = unit;
    return unit;
}

struct SpokenWord {
    ULONG position; // in the caller's text
    ULONG length;
};

// A word event in the caller's terms. espeak counts the characters of the
// text it was given from 1, markup included.
SpokenWord WordOf(SpeechRequest& request, const espeak_EVENT& event) {
    const SpeechSegment& segment = *request.segment;
    const std::size_t start = UnitOf(request, static_cast<std::size_t>(event.text_position - 1));
    std::size_t end = start;
    for (int c = 0; c < event.length && end < segment.text.size(); ++c)
        end += UnitsOfCharacterAt(segment.text, end);
    end = std::min(end, segment.text.size());
    const std::size_t from = segment.sources.SourceOf(start);
    const std::size_t to = end > start ? segment.sources.SourceOf(end - 1) + 1 : from;
    return {static_cast<ULONG>(from), static_cast<ULONG>(std::max(to, from) - from)};
}

// espeak's callback, on the synthesis thread: passes each block on, raises
// the bookmarks espeak reached, tells the voice the last word whose audio
// the block delivered, and stops the synthesis of a purged or failed request.
int OnSynth(short* wav, int samples, espeak_EVENT* events) {
    auto* request = events ? static_cast<SpeechRequest*>(events->user_data) : nullptr;
    if (!request)
        return 0;
    if (request->abort)
        return 1;
    std::optional<SpokenWord> word;
    for (espeak_EVENT* e = events; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        if (e->type == espeakEVENT_WORD && e->text_position > 0)
            word = WordOf(*request, *e);
        if (e->type != espeakEVENT_MARK || !e->id.name)
            continue;
        std::uint64_t at =
            request->segmentStart + static_cast<std::uint64_t>(e->audio_position) *
                                        EspeakRuntime::Instance().Format().nSamplesPerSec / 1000;
        RaiseBookmarks(*request, std::strtoul(e->id.name, nullptr, 10) + 1, at);
    }
    if (wav && samples > 0) {
        HRESULT hr = request->sink->Write(wav, static_cast<std::size_t>(samples) * sizeof *wav);
        if (FAILED(hr)) {
            if (!request->abort)
                request->result = hr;
            return 1;
        }
        request->samples += static_cast<std::uint64_t>(samples);
    }
    if (word)
        request->channel->Spoken(word->position, word->length);
    return 0;
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
        int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBlockMilliseconds, nullptr,
                                     espeakINITIALIZE_DONT_EXIT);
        if (rate <= 0) {
            m_status = SPERR_NO_DRIVER;
        } else {
            m_format = MakePcmFormat(static_cast<DWORD>(rate), 16, 1);
            espeak_SetSynthCallback(&OnSynth);
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
        Raise(*request, SPEI_START_INPUT_STREAM, 0);
        Synthesise(*request);
        if (!request->abort)
            Raise(*request, SPEI_END_INPUT_STREAM, request->samples);
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

bool EspeakRuntime::UseVoice(const std::string& name) {
    if (espeak_SetVoiceByName(name.c_str()) != EE_OK)
        return false;
    espeak_SetParameter(espeakRANGE, 50, 0);
    espeak_SetParameter(espeakPUNCTUATION, espeakPUNCT_NONE, 0);
    espeak_SetParameter(espeakCAPITALS, 0, 0);
    return true;
}

void EspeakRuntime::Synthesise(SpeechRequest& request) {
    const EspeakVoice* speaking = FindVoice(request.voice);
    if (!speaking) {
        request.result = SPERR_NOT_FOUND;
        return;
    }
    std::string current;
    bool english = false;
    for (const auto& segment : request.segments) {
        if (request.abort || FAILED(request.result))
            return;
        // Voice markup that no voice meets leaves the speaking voice on.
        std::string voice = segment.voice == VoiceRequest{}
                                ? request.voice
                                : ChooseVoice(m_voices, *speaking, segment.voice);
        if (voice.empty())
            voice = request.voice;
        if (voice != current) {
            if (!UseVoice(voice)) {
                request.result = SPERR_NOT_FOUND;
                return;
            }
            current = voice;
            const EspeakVoice* chosen = FindVoice(voice.substr(0, voice.find('+')));
            english = chosen && chosen->language.starts_with("en");
        }
        request.segment = &segment;
        request.segmentStart = request.samples;
        request.nextMark = 0;
        request.wordCharacter = request.wordUnit = 0;
        if (segment.silenceMs > 0) {
            request.result = WriteSilence(request, segment.silenceMs);
            continue;
        }
        if (!segment.text.empty()) {
            espeak_SetParameter(espeakVOLUME, segment.prosody.volume, 0);
            espeak_SetParameter(espeakRATE, EspeakRate(segment.prosody.rate), 0);
            espeak_SetParameter(espeakPITCH, EspeakPitch(segment.prosody.pitch), 0);
            std::string text = ToUtf8(segment.text);
            if (english)
                text = ReadHomographs(std::move(text));
            espeak_ERROR error =
                espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                             espeakCHARS_UTF8 | espeakSSML | espeakPHONEMES, nullptr, &request);
            if (error != EE_OK && !request.abort && SUCCEEDED(request.result))
                request.result = E_FAIL;
        }
        // Marks espeak did not report are where the segment ends.
        if (!request.abort)
            RaiseBookmarks(request, segment.bookmarks.size(), request.samples);
    }
    if (!request.abort && SUCCEEDED(request.result)) {
        HRESULT hr = request.sink->Finish();
        if (!request.abort)
            request.result = hr;
    }
}

HRESULT EspeakRuntime::WriteSilence(SpeechRequest& request, unsigned milliseconds) {
    std::vector<std::int16_t> block(m_format.nSamplesPerSec * kBlockMilliseconds / 1000);
    std::size_t left = static_cast<std::size_t>(m_format.nSamplesPerSec) * milliseconds / 1000;
    while (left > 0 && !request.abort) {
        std::size_t n = std::min(left, block.size());
        HRESULT hr = request.sink->Write(block.data(), n * sizeof block[0]);
        if (FAILED(hr))
            return request.abort ? S_OK : hr;
        left -= n;
        request.samples += n;
    }
    return S_OK;
}
