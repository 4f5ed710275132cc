#pragma once
// What --list-voices, --list-qualities and --list-wma print: the window's
// voice list, its quality list and the output dialog's WMA codecs and
// formats, in their order, as text or as JSON.

#include <string>

class Sapi4Engine;
class Sapi5Engine;
class WmaCodecCatalogue;

// Through the voice catalogue, as the window fills its voice list.
std::string VoiceListing(const Sapi4Engine& sapi4, const Sapi5Engine& sapi5, bool json);
std::string QualityListing(bool json);
std::string WmaListing(const WmaCodecCatalogue& wma, bool json);
