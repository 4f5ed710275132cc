#pragma once
// The SAPI phone set of American English ("h eh 1 l ow": phones separated by
// spaces, stress digits 1 and 2 after their vowel) in espeak-ng's phoneme
// mnemonics, ready for its "[[...]]" phoneme input.

#include <optional>
#include <string>
#include <string_view>

// The phonemes, without the brackets; nothing when a phone is not in the set
// or there is no phone at all.
std::optional<std::u16string> EspeakPhonemes(std::u16string_view sapiPhones);
