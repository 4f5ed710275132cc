#pragma once
// The attributes of an espeak-ng voice's token (Name, Gender, Age, Language as
// a hex language id, Vendor) and the attribute conditions SAPI writes in token
// queries and voice markup: "Gender=Female;Language=409;Name!=x", where a
// hex id after a Language condition ("Language=409;809") is another language
// it accepts and a bare name ("Age") asks only that the attribute be there.

#include "platform/sapi5/EspeakRuntime.h"
#include "platform/sapi5/SapiXmlReader.h"

#include <string>
#include <string_view>

std::u16string VoiceAttribute(const EspeakVoice& voice, std::u16string_view name);

// Whether the voice meets every condition of the list; of several on the same
// attribute the last one counts.
bool MeetsAll(const EspeakVoice& voice, std::u16string_view conditions);
// How many of the list's conditions it meets.
int MeetsCount(const EspeakVoice& voice, std::u16string_view conditions);

// The espeak-ng voice name that speaks a passage of voice markup: the first
// voice meeting every required condition, those meeting more optional ones
// first, then the speaking voice, then voices of its language. A required
// gender that no such voice has is given by a variant ("gmw/en-US+f3").
// Empty when nothing meets the conditions and the speaking voice goes on.
std::string ChooseVoice(const std::vector<EspeakVoice>& voices, const EspeakVoice& speaking,
                        const VoiceRequest& request);
