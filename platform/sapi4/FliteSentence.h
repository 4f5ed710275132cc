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
// S_OK.
HRESULT SynthesizeSentence(const FliteVoice& voice, const VoiceSettings& settings,
                           std::u16string_view sentence, std::uint32_t seed,
                           const SampleSink& sink);
