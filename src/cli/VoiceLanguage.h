#pragma once
// The language of each voice as a BCP 47 tag, the voice a book's language
// asks for, and how fast a voice speaks at a speed setting (for estimates).

#include <optional>
#include <string>

class Sapi4Engine;
class Sapi5Engine;
class VoiceCatalogue;

// "en-US", "de", "yue": a SAPI 5 token's id ends in it; a SAPI 4 mode gives
// its language id. Empty when unknown.
std::string VoiceLanguageTag(const VoiceCatalogue& voices, const Sapi4Engine& sapi4,
                             const Sapi5Engine& sapi5, int position);

// The first voice whose language is the book's, or covers it, or is covered
// by it ("en" and "en-GB"); else the first of the same language in another
// region; none when no voice speaks it.
std::optional<int> VoiceForLanguage(const VoiceCatalogue& voices, const Sapi4Engine& sapi4,
                                    const Sapi5Engine& sapi5, const std::string& language);

// Words per minute of the voice at a speed slider position (-10..10), as the
// job's markup sets it.
double WordsPerMinute(const VoiceCatalogue& voices, const Sapi4Engine& sapi4, int position,
                      int speed);
