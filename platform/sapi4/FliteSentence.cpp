#include "platform/sapi4/FliteSentence.h"

#include "platform/com/strings.h"
#include "platform/sapi4/ThreadRandom.h"

#include <new>
#include <utility>
#include <vector>

// flite's headers other than flite.h do not declare C linkage themselves.
extern "C" {
#include <flite/flite.h>
}

namespace {

struct StreamContext {
    const SampleSink* sink;
    float gain;
    HRESULT result = S_OK;
    std::vector<short> buffer;
    std::size_t* leadIn = nullptr; // told at the first samples, then cleared
};

// Where the utterance's first sound starts, in samples, by flite's own
// timing of its segments: after the pause it starts with, and when its first
// phone is a stop, at the stop's release, the end of its segment (its
// closure is as silent as the pause).
std::size_t FirstSound(const cst_utterance* utterance, int sampleRate) {
    const cst_item* segment =
        utterance ? relation_head(utt_relation(utterance, "Segment")) : nullptr;
    if (!segment || !cst_streq(item_feat_string(segment, "name"), "pau"))
        return 0;
    float start = item_feat_float(segment, "end");
    const cst_item* next = item_next(segment);
    if (next && cst_streq(ffeature_string(next, "ph_ctype"), "s"))
        start = item_feat_float(next, "end");
    return start > 0 ? static_cast<std::size_t>(start * static_cast<float>(sampleRate)) : 0;
}

int OnAudio(const cst_wave* wave, int start, int size, int, cst_audio_streaming_info* info) {
    auto* context = static_cast<StreamContext*>(info->userdata);
    if (size <= 0)
        return CST_AUDIO_STREAM_CONT;
    if (context->leadIn) {
        *std::exchange(context->leadIn, nullptr) = FirstSound(info->utt, wave->sample_rate);
    }
    // No exception may unwind through flite's C frames.
    try {
        const short* samples = wave->samples + start;
        context->buffer.assign(samples, samples + size);
        if (context->gain < 1.0f)
            for (short& s : context->buffer)
                s = static_cast<short>(static_cast<float>(s) * context->gain);
        context->result = (*context->sink)(context->buffer);
    } catch (const std::bad_alloc&) {
        context->result = E_OUTOFMEMORY;
    }
    return SUCCEEDED(context->result) ? CST_AUDIO_STREAM_CONT : CST_AUDIO_STREAM_STOP;
}

void SetProsody(cst_features* features, const FliteVoice& v, const VoiceSettings& s) {
    feat_set_float(features, "duration_stretch",
                   v.stretch * static_cast<float>(v.defaults.speed) / static_cast<float>(s.speed));
    if (v.canSetPitch) {
        const float scale = static_cast<float>(s.pitch) / static_cast<float>(v.defaults.pitch);
        feat_set_float(features, "int_f0_target_mean", static_cast<float>(s.pitch));
        feat_set_float(features, "int_f0_target_stddev", v.f0Stddev * scale);
    }
}

} // namespace

HRESULT SynthesizeSentence(const FliteVoice& voice, const VoiceSettings& settings,
                           std::u16string_view sentence, std::uint32_t seed, const SampleSink& sink,
                           std::size_t* leadIn) {
    if (leadIn)
        *leadIn = 0;
    // A mono voice plays at the left channel's level.
    StreamContext context{
        &sink, static_cast<float>(settings.volume & 0xFFFF) / 65535.0f, S_OK, {}, leadIn};
    cst_utterance* utterance = new_utterance();
    utt_set_input_text(utterance, ToUtf8(sentence).c_str());
    SetProsody(utterance->features, voice, settings);
    cst_audio_streaming_info* info = new_audio_streaming_info();
    info->asc = OnAudio;
    info->userdata = &context;
    // The utterance owns the streaming record from here and frees it with
    // its features.
    feat_set(utterance->features, "streaming_info", audio_streaming_info_val(info));
    SeedThreadRandom(seed);
    // flite_do_synth deletes the utterance itself when synthesis fails; a
    // text it cannot say (stray symbols alone) is passed over in silence.
    utterance = flite_do_synth(utterance, voice.voice, utt_synth);
    if (utterance)
        delete_utterance(utterance);
    return context.result;
}
