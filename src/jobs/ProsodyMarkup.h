#pragma once
// The prosody markup a job's text carries in front of it: SAPI 4 control tags
// for SAPI 4 voices, SAPI 5 XML elements for SAPI 5 voices.

#include <string>

struct CSAPI4VoiceInfo;
class JobText;

// The slider positions: volume 0..100, speed and pitch -10..10.
struct ProsodySettings {
    int volume = 100;
    int speed = 0;
    int pitch = 0;
};

// The reset tag, then the speed, volume and pitch tags the voice allows and the
// sliders ask for, a space, and the text with every backslash doubled so that
// the user's backslashes cannot start a tag.
std::u16string BuildSapi4Prefix(const JobText& text, const CSAPI4VoiceInfo& voice,
                                const ProsodySettings& settings);

// The speed tag's value for a slider position: the slider spread over the
// voice's speed range.
long long Sapi4SpeedValue(const CSAPI4VoiceInfo& voice, int speed);

// The volume, rate and pitch elements, always all three, then the text as it
// is: markup in the user's text reaches the engine as markup.
std::u16string BuildSapi5Prefix(const JobText& text, const ProsodySettings& settings);
