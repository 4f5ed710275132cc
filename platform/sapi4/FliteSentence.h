#pragma once
// Synthesises one sentence with flite. The settings travel as features of
// the sentence's own utterance, which flite searches before the voice's, so
// the shared voice is only ever read and any number of threads may speak
// with it at once.

#include "platform/com/unknown.h"
#include "platform/sapi4/FliteVoices.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

// Takes each stretch of samples as soon as flite has made it, at the
// settings' volume. A failure, E_ABORT included, ends the sentence there.
using SampleSink = std::function<HRESULT(std::span<const short>)>;

// `seed` starts the noise of unvoiced sounds: a sentence sounds the same
// whichever thread speaks it. Gives the failure of `sink` that ended it, or
// S_OK. `leadIn`, when given, is set before the first samples reach the sink
// to the samples before the sentence's first sound, as flite's own timing
// of the sentence's segments says: its leading pause, and the closure of a
// stop it starts with.
HRESULT SynthesizeSentence(const FliteVoice& voice, const VoiceSettings& settings,
                           std::u16string_view sentence, std::uint32_t seed, const SampleSink& sink,
                           std::size_t* leadIn = nullptr);
