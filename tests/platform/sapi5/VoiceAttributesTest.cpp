#include "platform/sapi5/VoiceAttributes.h"

#include <gtest/gtest.h>

namespace {

EspeakVoice Voice(const char* id, const char16_t* name, LANGID langId, int gender, int age = 0) {
    return EspeakVoice{id, name, "", langId, gender, age};
}

const std::vector<EspeakVoice> kVoices = {
    Voice("gmw/en-US", u"English (America)", 0x409, 1),
    Voice("gmw/en", u"English (Great Britain)", 0x809, 1),
    Voice("gmw/de", u"German", 0x407, 1),
    Voice("roa/fr", u"French", 0x40c, 2, 70),
};

TEST(VoiceAttributes, TokensHaveSapiAttributes) {
    EXPECT_EQ(VoiceAttribute(kVoices[0], u"language"), u"409");
    EXPECT_EQ(VoiceAttribute(kVoices[0], u"Gender"), u"Male");
    EXPECT_EQ(VoiceAttribute(kVoices[0], u"Age"), u"Adult");
    EXPECT_EQ(VoiceAttribute(kVoices[3], u"Age"), u"Senior");
    EXPECT_EQ(VoiceAttribute(kVoices[3], u"NAME"), u"French");
    EXPECT_EQ(VoiceAttribute(kVoices[3], u"Vendor"), u"eSpeak NG");
    EXPECT_TRUE(MeetsAll(kVoices[1], u"Language=0409;809; Gender = male ;Vendor"));
    EXPECT_FALSE(MeetsAll(kVoices[1], u"Language=409;Age"));
    EXPECT_FALSE(MeetsAll(kVoices[1], u"Name!=English (Great Britain)"));
    EXPECT_EQ(MeetsCount(kVoices[2], u"Language=407;Gender=Female;Age=Adult"), 2);
}

TEST(VoiceAttributes, MarkupChoosesAVoice) {
    struct {
        const char16_t* required;
        const char16_t* optional;
        std::size_t speaking;
        const char* chosen;
    } cases[] = {
        {u"Language=407", u"", 0, "gmw/de"},
        // The speaking voice first, then its language, then the list's order.
        {u"Language=409;809", u"", 1, "gmw/en"},
        {u"Gender=Male", u"", 2, "gmw/de"},
        {u"", u"Language=809", 0, "gmw/en"},
        // A voice of the gender before a variant; a variant before no voice.
        {u"Gender=Female", u"", 0, "roa/fr"},
        {u"Gender=Female;Language=407", u"", 0, "gmw/de+f3"},
        {u"Gender!=Female;Language=40c", u"", 0, "roa/fr+m3"},
        // Of two conditions on one attribute the later counts.
        {u"Language=409;Language=407", u"", 0, "gmw/de"},
        {u"Language=411", u"", 0, ""},
        {u"Language=0x0407", u"", 0, "gmw/de"},
        {u"Language=zz", u"", 0, ""},
        {u"Name!=English (America);Language=409", u"", 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(
            std::string(c.required, c.required + std::char_traits<char16_t>::length(c.required)));
        EXPECT_EQ(ChooseVoice(kVoices, kVoices[c.speaking], {c.required, c.optional}), c.chosen);
    }
}

} // namespace
