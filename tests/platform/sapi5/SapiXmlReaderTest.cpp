#include "platform/sapi5/SapiXmlReader.h"

#include <gtest/gtest.h>

namespace {

using Segments = std::vector<SpeechSegment>;

std::u16string Texts(const Segments& segments) {
    std::u16string all;
    for (const auto& s : segments)
        all += s.silenceMs ? u"[pause]" : s.text;
    return all;
}

TEST(SapiXmlReader, ThePrefixOfAJobSetsTheProsodyOfItsText) {
    Segments s = SapiXmlReader::Read(
        u"<volume level=\"50\"/><rate absspeed=\"-3\"/><pitch absmiddle=\"7\"/>Hello there.");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].text, u"Hello there.");
    EXPECT_EQ(s[0].prosody, (SpeechProsody{50, -3, 7}));
    EXPECT_EQ(s[0].silenceMs, 0u);
}

TEST(SapiXmlReader, ValuesAreClampedAndBadOnesIgnored) {
    Segments s = SapiXmlReader::Read(u"<volume level='250'/><rate absspeed=\"-99\"/>"
                                     u"<pitch absmiddle=\"ten\"/>x");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].prosody, (SpeechProsody{100, -10, 0}));
    s = SapiXmlReader::Read(u"<volume level=\"-5\"/><pitch absmiddle=\"99999999999999\"/>x");
    EXPECT_EQ(s[0].prosody, (SpeechProsody{0, 0, 10}));
}

TEST(SapiXmlReader, ElementsAroundTextApplyToItOnly) {
    Segments s =
        SapiXmlReader::Read(u"a <volume level=\"20\">b <rate speed=\"3\">c</rate> d</volume> e");
    ASSERT_EQ(s.size(), 5u);
    EXPECT_EQ(s[0].prosody, (SpeechProsody{100, 0, 0}));
    EXPECT_EQ(s[1].prosody, (SpeechProsody{20, 0, 0}));
    EXPECT_EQ(s[2].prosody, (SpeechProsody{20, 3, 0}));
    EXPECT_EQ(s[3].prosody, (SpeechProsody{20, 0, 0}));
    EXPECT_EQ(s[4].prosody, (SpeechProsody{100, 0, 0}));
    EXPECT_EQ(Texts(s), u"a b c d e");
}

TEST(SapiXmlReader, RelativeValuesAddUp) {
    Segments s = SapiXmlReader::Read(
        u"<rate absspeed=\"4\"/><rate speed=\"4\"/><pitch middle=\"-3\"/><pitch middle=\"-9\"/>x");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].prosody.rate, 8);
    EXPECT_EQ(s[0].prosody.pitch, -10);
}

TEST(SapiXmlReader, SilenceIsAPauseOfItsOwn) {
    Segments s = SapiXmlReader::Read(u"one<silence msec=\"500\"/>two<silence msec=\"9999999\"/>");
    ASSERT_EQ(s.size(), 4u);
    EXPECT_EQ(s[1].silenceMs, 500u);
    EXPECT_TRUE(s[1].text.empty());
    EXPECT_EQ(s[3].silenceMs, SapiXmlReader::kMaxSilenceMs);
}

TEST(SapiXmlReader, EntitiesAreDecoded) {
    Segments s = SapiXmlReader::Read(u"&lt;tag&gt; &amp; &quot;q&quot; &apos;a&apos; "
                                     u"&#65;&#x42;&#x1F600; &unknown; & &#0; &#x;");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].text, u"<tag> & \"q\" 'a' AB\U0001F600 &unknown; & &#0; &#x;");
    // In attribute values as well.
    s = SapiXmlReader::Read(u"<volume level=\"&#53;0\"/>x");
    EXPECT_EQ(s[0].prosody.volume, 50);
}

TEST(SapiXmlReader, WhatIsNotMarkupIsSpokenAsWritten) {
    const std::u16string texts[] = {
        u"a < b & c",
        u"<unclosed",
        u"x <volume level=\"5\" y",
        u"1 <2> 3",
        u"<a b>",
        u"< volume level=\"5\"/>",
        u"<volume level=5/>",
        u"<!-- open comment",
        u"<?pi",
        u"</>",
        u"a<",
        u"&",
    };
    for (const auto& text : texts) {
        SCOPED_TRACE(std::string(text.begin(), text.end()));
        Segments s = SapiXmlReader::Read(text);
        ASSERT_EQ(s.size(), 1u);
        EXPECT_EQ(s[0].text, text);
        EXPECT_EQ(s[0].prosody, SpeechProsody{});
    }
}

TEST(SapiXmlReader, OtherMarkupIsSkippedAndItsTextKept) {
    Segments s = SapiXmlReader::Read(
        u"<?xml version=\"1.0\"?><!-- note --><speak><emph>Big</emph> <voice "
        u"required=\"Gender=Female\">"
        u"deal</voice> <![CDATA[<raw>]]></speak><bookmark mark=\"m\"/></nothing>");
    EXPECT_EQ(Texts(s), u"Big deal <raw>");
    for (const auto& segment : s)
        EXPECT_EQ(segment.prosody, SpeechProsody{});
}

TEST(SapiXmlReader, EndTagsCloseByNameWithoutRegardToCase) {
    // A stray end tag changes nothing; one that closes an outer element ends
    // the inner ones too.
    Segments s = SapiXmlReader::Read(u"<VOLUME LEVEL=\"10\"><pitch absmiddle=\"5\">a</rate>b"
                                     u"</Volume>c");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].text, u"ab");
    EXPECT_EQ(s[0].prosody, (SpeechProsody{10, 0, 5}));
    EXPECT_EQ(s[1].text, u"c");
    EXPECT_EQ(s[1].prosody, SpeechProsody{});
}

TEST(SapiXmlReader, NothingToSayGivesNoSegments) {
    EXPECT_TRUE(SapiXmlReader::Read(u"").empty());
    EXPECT_TRUE(SapiXmlReader::Read(u"<volume level=\"50\"/>  \n").empty());
    EXPECT_TRUE(SapiXmlReader::ReadPlain(u" \t").empty());
    Segments s = SapiXmlReader::ReadPlain(u"<volume level=\"5\"/>");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].text, u"<volume level=\"5\"/>");
}

TEST(SapiXmlReader, NulCharactersDoNotCutTheText) {
    std::u16string text = u"one";
    text += u'\0';
    text += u"two";
    Segments s = SapiXmlReader::Read(text);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].text, u"one two");
}

} // namespace
