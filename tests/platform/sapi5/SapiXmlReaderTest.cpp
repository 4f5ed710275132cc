#include "platform/sapi5/SapiXmlReader.h"

#include <gtest/gtest.h>

namespace {

using Segments = std::vector<SpeechSegment>;

// What a run gives espeak-ng to say: its SSML without the elements, the
// characters unescaped.
std::u16string Spoken(std::u16string_view ssml) {
    std::u16string text;
    for (std::size_t i = 0; i < ssml.size(); ++i) {
        if (ssml[i] == u'<') {
            i = ssml.find(u'>', i);
            continue;
        }
        constexpr std::pair<std::u16string_view, char16_t> kEscapes[] = {
            {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&amp;", u'&'}};
        bool escaped = false;
        for (auto [escape, c] : kEscapes) {
            if (ssml.substr(i).starts_with(escape)) {
                text += c;
                i += escape.size() - 1;
                escaped = true;
                break;
            }
        }
        if (!escaped)
            text += ssml[i];
    }
    return text;
}

std::u16string Texts(const Segments& segments) {
    std::u16string all;
    for (const auto& s : segments)
        all += s.silenceMs ? u"[pause]" : Spoken(s.text);
    return all;
}

TEST(SapiXmlReader, ThePrefixOfAJobSetsTheProsodyOfItsText) {
    Segments s = SapiXmlReader::Read(
        u"<volume level=\"50\"/><rate absspeed=\"-3\"/><pitch absmiddle=\"7\"/>Hello there.");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(Spoken(s[0].text), u"Hello there.");
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
    EXPECT_EQ(Spoken(s[0].text), u"<tag> & \"q\" 'a' AB\U0001F600 &unknown; & &#0; &#x;");
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
        EXPECT_EQ(Spoken(s[0].text), text);
        EXPECT_EQ(s[0].prosody, SpeechProsody{});
        EXPECT_TRUE(s[0].bookmarks.empty());
    }
}

TEST(SapiXmlReader, OtherMarkupIsSkippedAndItsTextKept) {
    Segments s = SapiXmlReader::Read(
        u"<?xml version=\"1.0\"?><!-- note --><SAPI><speak><partofsp "
        u"part=\"interjection\">Big</partofsp> "
        u"<Unknown a=\"1\">deal</unknown> <![CDATA[<raw>]]></speak></nothing></sapi>");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].text, u"Big deal &lt;raw&gt;");
    EXPECT_EQ(s[0].prosody, SpeechProsody{});
    EXPECT_EQ(s[0].voice, VoiceRequest{});
}

TEST(SapiXmlReader, EndTagsCloseByNameWithoutRegardToCase) {
    // A stray end tag changes nothing; one that closes an outer element ends
    // the inner ones too.
    Segments s = SapiXmlReader::Read(u"<VOLUME LEVEL=\"10\"><pitch absmiddle=\"5\">a</rate>b"
                                     u"</Volume>c");
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(Spoken(s[0].text), u"ab");
    EXPECT_EQ(s[0].prosody, (SpeechProsody{10, 0, 5}));
    EXPECT_EQ(Spoken(s[1].text), u"c");
    EXPECT_EQ(s[1].prosody, SpeechProsody{});
}

TEST(SapiXmlReader, NothingToSayGivesNoSegments) {
    EXPECT_TRUE(SapiXmlReader::Read(u"").empty());
    EXPECT_TRUE(SapiXmlReader::Read(u"<volume level=\"50\"/>  \n").empty());
    EXPECT_TRUE(SapiXmlReader::ReadPlain(u" \t").empty());
    Segments s = SapiXmlReader::ReadPlain(u"<volume level=\"5\"/>");
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(s[0].text, u"&lt;volume level=\"5\"/&gt;");
    // Text that would open espeak-ng's phoneme input is kept as text.
    EXPECT_EQ(SapiXmlReader::ReadPlain(u"[[h@'loU]]")[0].text, u"[ [h@'loU]]");
    EXPECT_EQ(SapiXmlReader::Read(u"[<emph>[x]]</emph>")[0].text, u"[<emphasis> [x]]</emphasis>");
}

TEST(SapiXmlReader, NulCharactersDoNotCutTheText) {
    std::u16string text = u"one";
    text += u'\0';
    text += u"two";
    Segments s = SapiXmlReader::Read(text);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_EQ(Spoken(s[0].text), u"one two");
}

} // namespace

namespace {

TEST(SapiXmlReader, ElementsBecomeEspeakMarkup) {
    struct {
        const char16_t* xml;
        std::vector<std::u16string> texts; // one per segment
    } cases[] = {
        {u"<emph>big</emph> deal", {u"<emphasis>big</emphasis> deal"}},
        {u"<SPELL>ab1</Spell>", {u"<say-as interpret-as=\"characters\">ab1</say-as>"}},
        {u"<context id=\"number_digit\">42</context> <context id=\"date_mdy\">1/2/20</context>",
         {u"<say-as interpret-as=\"tts:digits\">42</say-as> 1/2/20"}},
        {u"<pron sym=\"h eh 1 l ow\">hi</pron>!", {u" [[h|'E|l|oU]] !"}},
        {u"<pron sym=\"m ay 1 - k r ow 2 &amp; f ow n\"/>", {u" [[m|'aI|k|r|,oU f|oU|n]] "}},
        // An unknown phone, a stress without a vowel, no phones: the text.
        {u"<pron sym=\"h xx l\">hi</pron> <pron sym=\"1 ae\">a</pron> <pron sym=\"\">b</pron>",
         {u"hi a b"}},
        {u"<p><s>One.</s></p>", {u"<p><s>One.</s></p>"}},
        {u"<partofsp part=\"Verb\">record</partofsp>",
         {u"<partofsp part=\"verb\">record</partofsp>"}},
        // A run that ends inside an element closes it and the next opens it again.
        {u"<emph>a<volume level=\"50\">b</volume>c</emph>",
         {u"<emphasis>a</emphasis>", u"<emphasis>b</emphasis>", u"<emphasis>c</emphasis>"}},
        {u"<spell>ab<silence msec=\"5\"/></spell>",
         {u"<say-as interpret-as=\"characters\">ab</say-as>", u""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.xml, c.xml + std::char_traits<char16_t>::length(c.xml)));
        Segments s = SapiXmlReader::Read(c.xml);
        std::vector<std::u16string> texts;
        for (const auto& segment : s)
            texts.push_back(segment.text);
        EXPECT_EQ(texts, c.texts);
    }
}

TEST(SapiXmlReader, BookmarksAreMarksInTheirRun) {
    Segments s = SapiXmlReader::Read(u"<bookmark mark=\"start\"/><silence msec=\"10\"/>a"
                                     u"<Bookmark Mark=\"7 up\"/> b<bookmark mark=\"\"/>");
    ASSERT_EQ(s.size(), 3u);
    EXPECT_EQ(s[0].text, u"");
    EXPECT_EQ(s[0].bookmarks, std::vector<std::u16string>{u"start"});
    EXPECT_EQ(s[1].silenceMs, 10u);
    EXPECT_EQ(s[2].text, u"a<mark name=\"0\"/> b<mark name=\"1\"/>");
    EXPECT_EQ(s[2].bookmarks, (std::vector<std::u16string>{u"7 up", u""}));
}

TEST(SapiXmlReader, VoiceAndLangAskForVoicesOuterFirst) {
    Segments s = SapiXmlReader::Read(
        u"a<voice required=\"Gender=Female\" optional=\"Age=Teen\">b<LANG LANGID=\"0x0407\">c"
        u"</lang></voice>d");
    std::vector<VoiceRequest> voices;
    for (const auto& segment : s)
        voices.push_back(segment.voice);
    EXPECT_EQ(Texts(s), u"abcd");
    EXPECT_EQ(voices, (std::vector<VoiceRequest>{{},
                                                 {u"Gender=Female", u"Age=Teen"},
                                                 {u"Gender=Female;Language=0x0407", u"Age=Teen"},
                                                 {}}));
}

} // namespace
