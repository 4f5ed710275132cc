#include "platform/sapi5/EspeakSynthesis.h"

#include "platform/sapi5/Homographs.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <espeak-ng/speak_lib.h>

namespace {

// Pitch -10..10 moves espeak's base pitch across its 0..100 range around 50.
int EspeakPitch(int pitch) {
    return std::clamp(50 + 5 * pitch, 0, 100);
}

// Forwards espeak's blocks to the listener the synthesis was started for.
int OnSynth(short* wav, int samples, espeak_EVENT* events) {
    auto* listener = events ? static_cast<SynthListener*>(events->user_data) : nullptr;
    if (!listener)
        return 0;
    thread_local std::vector<SynthEvent> heard;
    heard.clear();
    for (espeak_EVENT* e = events; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
        // espeak counts the characters of the text it was given from 1,
        // markup included.
        SynthEvent event;
        event.sample = static_cast<std::uint64_t>(std::max(e->sample, 0));
        event.character = static_cast<std::uint32_t>(std::max(e->text_position - 1, 0));
        if (e->type == espeakEVENT_WORD && e->text_position > 0) {
            event.kind = SynthEvent::kWord;
            event.length = static_cast<std::uint32_t>(std::max(e->length, 0));
        } else if (e->type == espeakEVENT_MARK && e->id.name) {
            event.kind = SynthEvent::kMark;
            event.mark = static_cast<std::uint32_t>(std::strtoul(e->id.name, nullptr, 10));
        } else if (e->type == espeakEVENT_SENTENCE) {
            event.kind = SynthEvent::kSentence;
        } else {
            continue;
        }
        heard.push_back(event);
    }
    return listener->Heard(wav, wav && samples > 0 ? static_cast<std::size_t>(samples) : 0, heard);
}

} // namespace

// Rate -10..10 spans a third to three times the normal speed, within what
// espeak-ng can do.
int EspeakWordsPerMinute(int rate) {
    double wpm = espeakRATE_NORMAL * std::pow(3.0, rate / 10.0);
    return std::clamp(static_cast<int>(std::lround(wpm)), espeakRATE_MINIMUM, espeakRATE_MAXIMUM);
}

int InitialiseEspeak() {
    int rate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kEspeakBlockMilliseconds, nullptr,
                                 espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0)
        return 0;
    espeak_SetSynthCallback(&OnSynth);
    return rate;
}

bool UseEspeakVoice(const std::string& name) {
    // The voice of the last run is usually the next one's: no reloading.
    static std::string current;
    if (name == current)
        return true;
    current.clear();
    if (espeak_SetVoiceByName(name.c_str()) != EE_OK)
        return false;
    espeak_SetParameter(espeakRANGE, 50, 0);
    espeak_SetParameter(espeakPUNCTUATION, espeakPUNCT_NONE, 0);
    espeak_SetParameter(espeakCAPITALS, 0, 0);
    current = name;
    return true;
}

bool SynthesiseSsml(std::string text, bool english, const SpeechProsody& prosody,
                    SynthListener& listener) {
    espeak_SetParameter(espeakVOLUME, prosody.volume, 0);
    espeak_SetParameter(espeakRATE, EspeakWordsPerMinute(prosody.rate), 0);
    espeak_SetParameter(espeakPITCH, EspeakPitch(prosody.pitch), 0);
    if (english)
        text = ReadHomographs(std::move(text));
    return espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                        espeakCHARS_UTF8 | espeakSSML | espeakPHONEMES, nullptr,
                        &listener) == EE_OK;
}
