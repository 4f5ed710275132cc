// Speaking one request with flite: tags change the settings between pieces
// of text, every piece is spoken sentence by sentence, and flite's streaming
// callback hands each stretch of samples to the destination as soon as it is
// synthesised.

#include "platform/sapi4/FliteSpeech.h"

#include "platform/com/strings.h"

#include <algorithm>
#include <vector>

// flite's headers other than flite.h do not declare C linkage themselves.
extern "C" {
#include <flite/flite.h>
}

namespace {

struct StreamContext {
    SpeechRequest* request;
    float gain;
    HRESULT result = S_OK;
    std::vector<short> buffer;
};

bool IsCancelled(const SpeechRequest& r) {
    return r.cancelled->load();
}

int OnAudio(const cst_wave* wave, int start, int size, int, cst_audio_streaming_info* info) {
    auto* context = static_cast<StreamContext*>(info->userdata);
    SpeechRequest& r = *context->request;
    if (IsCancelled(r)) {
        context->result = E_ABORT;
        return CST_AUDIO_STREAM_STOP;
    }
    if (size <= 0)
        return CST_AUDIO_STREAM_CONT;
    const short* samples = wave->samples + start;
    context->buffer.assign(samples, samples + size);
    if (context->gain < 1.0f)
        for (short& s : context->buffer)
            s = static_cast<short>(static_cast<float>(s) * context->gain);
    const std::size_t bytes = context->buffer.size() * sizeof(short);
    HRESULT hr = r.destination->Write(r.epoch, context->buffer.data(), bytes);
    if (FAILED(hr)) {
        context->result = hr;
        return CST_AUDIO_STREAM_STOP;
    }
    *r.position += bytes;
    return CST_AUDIO_STREAM_CONT;
}

void ApplySettings(const FliteVoice& v, const VoiceSettings& s) {
    cst_voice* voice = v.voice;
    flite_feat_set_float(voice->features, "duration_stretch",
                         v.stretch * static_cast<float>(v.defaults.speed) /
                             static_cast<float>(s.speed));
    if (v.canSetPitch) {
        const float scale = static_cast<float>(s.pitch) / static_cast<float>(v.defaults.pitch);
        flite_feat_set_float(voice->features, "int_f0_target_mean", static_cast<float>(s.pitch));
        flite_feat_set_float(voice->features, "int_f0_target_stddev", v.f0Stddev * scale);
    }
}

HRESULT SpeakSentence(SpeechRequest& r, const VoiceSettings& s, const std::u16string& sentence) {
    cst_voice* voice = r.voice.voice;
    ApplySettings(r.voice, s);
    // A mono voice plays at the left channel's level.
    StreamContext context{&r, static_cast<float>(s.volume & 0xFFFF) / 65535.0f, S_OK, {}};
    cst_audio_streaming_info* info = new_audio_streaming_info();
    info->asc = OnAudio;
    info->userdata = &context;
    // The features own the streaming record from here and free it on removal.
    feat_set(voice->features, "streaming_info", audio_streaming_info_val(info));
    cst_utterance* utterance = flite_synth_text(ToUtf8(sentence).c_str(), voice);
    feat_remove(voice->features, "streaming_info");
    if (utterance)
        delete_utterance(utterance);
    return context.result;
}

class StopNotifier {
public:
    explicit StopNotifier(SpeechRequest& r) : m_request(r) {
        NotifySinkList::Post(r.sinks, r.notifyThread,
                             [at = r.position->load()](ITTSNotifySinkW* s) { s->AudioStart(at); });
    }
    ~StopNotifier() {
        NotifySinkList::Post(
            m_request.sinks, m_request.notifyThread,
            [at = m_request.position->load()](ITTSNotifySinkW* s) { s->AudioStop(at); });
    }
    StopNotifier(const StopNotifier&) = delete;
    StopNotifier& operator=(const StopNotifier&) = delete;

private:
    SpeechRequest& m_request;
};

} // namespace

void SpeakWithFlite(SpeechRequest& r) {
    // A text reset before its turn came is dropped without a sound.
    if (IsCancelled(r))
        return;
    // AudioStop follows AudioStart however the text ends.
    StopNotifier notifier(r);
    const FliteVoice& v = r.voice;
    VoiceSettings s = r.settings;
    HRESULT hr = S_OK;
    for (const TextPiece& piece : r.pieces) {
        if (FAILED(hr) || IsCancelled(r))
            break;
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
        case TextPiece::Kind::Text:
            for (const std::u16string& sentence : SplitIntoSentences(piece.text)) {
                hr = SpeakSentence(r, s, sentence);
                if (FAILED(hr) || IsCancelled(r))
                    break;
            }
            break;
        }
    }
    if (SUCCEEDED(hr) && !IsCancelled(r))
        r.destination->Complete(r.epoch);
}
