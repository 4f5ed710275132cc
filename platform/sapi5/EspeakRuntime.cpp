#include "platform/sapi5/EspeakRuntime.h"

#include "platform/com/langid.h"
#include "platform/com/strings.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <espeak-ng/speak_lib.h>
#include <future>
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
    if (voice.name.empty())
        voice.name = FromUtf8(voice.identifier);
    return voice;
}

// espeak's callback, on the synthesis thread: passes each block on, and
// stops the synthesis of a purged or failed request.
int OnSynth(short* wav, int samples, espeak_EVENT* events) {
    auto* request = events ? static_cast<SpeechRequest*>(events->user_data) : nullptr;
    if (!request)
        return 0;
    if (request->abort)
        return 1;
    if (wav && samples > 0) {
        HRESULT hr = request->sink->Write(wav, static_cast<std::size_t>(samples));
        if (FAILED(hr)) {
            if (!request->abort)
                request->result = hr;
            return 1;
        }
    }
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
            status_ = SPERR_NO_DRIVER;
        } else {
            format_ = MakePcmFormat(static_cast<DWORD>(rate), 16, 1);
            espeak_SetSynthCallback(&OnSynth);
            if (const espeak_VOICE** list = espeak_ListVoices(nullptr))
                for (; *list; ++list)
                    if ((*list)->identifier)
                        voices_.push_back(VoiceOf(**list));
        }
        ready.set_value();
        if (SUCCEEDED(status_))
            Run();
    }).detach();
    started.wait();
}

const EspeakVoice* EspeakRuntime::FindVoice(std::string_view identifier) const {
    for (const auto& v : voices_)
        if (v.identifier == identifier)
            return &v;
    return nullptr;
}

const EspeakVoice* EspeakRuntime::DefaultVoice() const {
    if (voices_.empty())
        return nullptr;
    LANGID user = GetUserDefaultLangID();
    for (const auto& v : voices_)
        if (v.langId == user)
            return &v;
    for (const auto& v : voices_)
        if (v.langId && (v.langId & 0x3FF) == (user & 0x3FF))
            return &v;
    return &voices_.front();
}

HRESULT EspeakRuntime::Queue(std::shared_ptr<SpeechRequest> request) {
    if (FAILED(status_))
        return status_;
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(request));
    wake_.notify_one();
    return S_OK;
}

void EspeakRuntime::Purge(const SpeechChannel* channel) {
    std::vector<std::shared_ptr<SpeechRequest>> dropped;
    {
        std::unique_lock lock(mutex_);
        for (auto it = queue_.begin(); it != queue_.end();) {
            if ((*it)->channel.get() == channel) {
                dropped.push_back(std::move(*it));
                it = queue_.erase(it);
            } else {
                ++it;
            }
        }
        if (running_ && running_->channel.get() == channel) {
            running_->abort = true;
            if (running_->sink)
                running_->sink->Abort();
            settled_.wait(lock, [&] { return !running_ || running_->channel.get() != channel; });
        }
    }
    for (auto& request : dropped)
        request->channel->Ended(S_OK);
}

void EspeakRuntime::Run() {
    for (;;) {
        std::shared_ptr<SpeechRequest> request;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [&] { return !queue_.empty(); });
            request = queue_.front();
            queue_.pop_front();
            running_ = request;
        }
        request->channel->Started(request->streamNumber);
        Synthesise(*request);
        // The sink goes before the speech counts as complete: a stream the
        // voice's client releases then must be the last reference, so that
        // the release completes its file there and then.
        std::shared_ptr<SpeechSink> sink;
        {
            std::lock_guard lock(mutex_);
            sink = std::move(request->sink);
        }
        sink.reset();
        std::lock_guard lock(mutex_);
        running_.reset();
        request->channel->Ended(request->abort ? S_OK : request->result);
        settled_.notify_all();
    }
}

void EspeakRuntime::Synthesise(SpeechRequest& request) {
    if (espeak_SetVoiceByName(request.voice.c_str()) != EE_OK) {
        request.result = SPERR_NOT_FOUND;
        return;
    }
    espeak_SetParameter(espeakRANGE, 50, 0);
    espeak_SetParameter(espeakPUNCTUATION, espeakPUNCT_NONE, 0);
    espeak_SetParameter(espeakCAPITALS, 0, 0);
    for (const auto& segment : request.segments) {
        if (request.abort || FAILED(request.result))
            return;
        if (segment.silenceMs > 0) {
            request.result = WriteSilence(request, segment.silenceMs);
            continue;
        }
        espeak_SetParameter(espeakVOLUME, segment.prosody.volume, 0);
        espeak_SetParameter(espeakRATE, EspeakRate(segment.prosody.rate), 0);
        espeak_SetParameter(espeakPITCH, EspeakPitch(segment.prosody.pitch), 0);
        std::string text = ToUtf8(segment.text);
        espeak_ERROR error = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                          espeakCHARS_UTF8, nullptr, &request);
        if (error != EE_OK && !request.abort && SUCCEEDED(request.result))
            request.result = E_FAIL;
    }
    if (!request.abort && SUCCEEDED(request.result)) {
        HRESULT hr = request.sink->Finish();
        if (!request.abort)
            request.result = hr;
    }
}

HRESULT EspeakRuntime::WriteSilence(SpeechRequest& request, unsigned milliseconds) {
    std::vector<std::int16_t> block(format_.nSamplesPerSec * kBlockMilliseconds / 1000);
    std::size_t left = static_cast<std::size_t>(format_.nSamplesPerSec) * milliseconds / 1000;
    while (left > 0 && !request.abort) {
        std::size_t n = std::min(left, block.size());
        HRESULT hr = request.sink->Write(block.data(), n);
        if (FAILED(hr))
            return request.abort ? S_OK : hr;
        left -= n;
    }
    return S_OK;
}
