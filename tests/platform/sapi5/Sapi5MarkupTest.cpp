// The XML markup as it is heard: elements against reference speech, markup
// that is not well formed, bookmarks and silence where they are written.

#include "tests/platform/sapi5/Sapi5RuntimeFixture.h"

namespace {

namespace fs = std::filesystem;

TEST_F(Sapi5Runtime, MarkupThatIsNotWellFormedIsSpoken) {
    const std::u16string texts[] = {u"a < b & c", u"<unclosed",
                                    u"&lt;tag&gt; &amp; &quot;quoted&quot;",
                                    u"<volume level=\"50\""};
    for (const auto& text : texts) {
        SCOPED_TRACE(ToUtf8(text));
        auto wav = SpeakToFile(Prosody(100, 0, 0) + text);
        ASSERT_TRUE(wav);
        EXPECT_GT(SecondsOf(*wav), 0.3);
        EXPECT_GT(Rms(ToMono(wav->data, wav->format)), 0.01);
    }
}

enum class Heard { Same, Different, Longer, LongerOrLouder, Higher };

// Each snippet against a reference on the real audio: the same speech, or
// other speech, or longer, louder or higher.
TEST_F(Sapi5Runtime, MarkupIsHeardAsMarkedUp) {
    struct {
        const char16_t* markup;
        const char16_t* reference;
        const char* referenceVoice;
        Heard heard;
    } cases[] = {
        // Elements without a sound of their own never speak their names.
        {u"<Unknown Attr=\"x\">one two</unknown>", u"one two", "gmw/en-US", Heard::Same},
        {u"<sapi><partofsp part=\"noun\">record</partofsp></sapi>", u"record", "gmw/en-US",
         Heard::Same},
        {u"<pron sym=\"h xx l ow\">word</pron>", u"word", "gmw/en-US", Heard::Same},
        {u"<partofsp part=\"verb\">record</partofsp>", u"<partofsp part=\"noun\">record</partofsp>",
         "gmw/en-US", Heard::Different},
        {u"<pron sym=\"h eh 1 l ow\">goodbye</pron>", u"goodbye", "gmw/en-US", Heard::Different},
        {u"<lang langid=\"407\">Guten Tag</lang>", u"Guten Tag", "gmw/de", Heard::Same},
        {u"<lang langid=\"407\">Guten Tag</lang>", u"Guten Tag", "gmw/en-US", Heard::Different},
        {u"<voice required=\"Language=809\">Good day</voice>", u"Good day", "gmw/en", Heard::Same},
        {u"<voice required=\"Gender=Female\">Good morning to you all.</voice>",
         u"Good morning to you all.", "gmw/en-US", Heard::Higher},
        {u"<spell>cab</spell>", u"cab", "gmw/en-US", Heard::Longer},
        {u"We will <emph>not</emph> go home.", u"We will not go home.", "gmw/en-US",
         Heard::LongerOrLouder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.markup));
        auto marked = SpeakToFile(c.markup);
        auto reference = SpeakToFile(c.reference, SPSF_22kHz16BitMono, c.referenceVoice);
        ASSERT_TRUE(marked && reference);
        auto a = ToMono(marked->data, marked->format);
        auto b = ToMono(reference->data, reference->format);
        const unsigned rate = marked->format.nSamplesPerSec;
        const double distance = SpectralDistance(Spectrum(a, rate), Spectrum(b, rate));
        switch (c.heard) {
        // espeak-ng varies its voice a little from one call to the next, so
        // the same speech is told by its length and spectrum.
        case Heard::Same:
            EXPECT_NEAR(double(a.size()) / b.size(), 1.0, 0.05);
            EXPECT_LT(distance, 2.0);
            break;
        case Heard::Different:
            EXPECT_GT(distance, 2.5);
            break;
        case Heard::Longer:
            EXPECT_GT(a.size(), b.size() * 3 / 2);
            break;
        case Heard::LongerOrLouder:
            EXPECT_TRUE(a.size() > b.size() * 21 / 20 || Rms(a) > Rms(b) * 1.05)
                << a.size() << " against " << b.size() << ", " << Rms(a) << " against " << Rms(b);
            break;
        case Heard::Higher:
            EXPECT_GT(MedianPitch(a, rate), MedianPitch(b, rate) * 1.3);
            break;
        }
    }
}

// Word and sentence boundaries in the caller's text, escapes and markup
// included: an abbreviation's stop starts no sentence, and each boundary's
// offset lies in the audio in text order.
TEST_F(Sapi5Runtime, WordsAndSentencesAreTheCallersAtTheirAudio) {
    const std::u16string text = u"<rate speed=\"2\">Fish &amp; chips</rate> cost less. "
                                u"Mr. Smith paid &lt; 5 pounds. \"Really?\" Yes.";
    std::vector<SPEVENT> events;
    auto wav = SpeakToFile(text, SPSF_48kHz16BitStereo, "gmw/en-US",
                           SPFEI(SPEI_WORD_BOUNDARY) | SPFEI(SPEI_SENTENCE_BOUNDARY), &events);
    ASSERT_TRUE(wav);
    std::vector<std::size_t> words, sentences;
    ULONGLONG last = 0;
    for (SPEVENT& e : events) {
        EXPECT_EQ(e.elParamType, SPET_LPARAM_IS_UNDEFINED);
        EXPECT_EQ(e.ullAudioStreamOffset % wav->format.nBlockAlign, 0u);
        EXPECT_LE(e.ullAudioStreamOffset, wav->data.size());
        const auto position = static_cast<std::size_t>(e.lParam);
        ASSERT_LE(position + e.wParam, text.size());
        EXPECT_GT(e.wParam, 0u);
        if (e.eEventId == SPEI_WORD_BOUNDARY) {
            // A word's length, unless written as an escape.
            if (text[position] != u'&') {
                const std::size_t end = text.find_first_of(u" .?\"<", position);
                EXPECT_EQ(e.wParam, end - position) << position;
            }
            EXPECT_GE(e.ullAudioStreamOffset, last);
            last = e.ullAudioStreamOffset;
            words.push_back(position);
        } else {
            sentences.push_back(position);
        }
    }
    auto positionsOf = [&](std::initializer_list<const char16_t*> parts) {
        std::vector<std::size_t> positions;
        std::size_t from = 0;
        for (const char16_t* part : parts)
            positions.push_back(from = text.find(part, from));
        return positions;
    };
    EXPECT_EQ(words, positionsOf({u"Fish", u"&amp;", u"chips", u"cost", u"less", u"Mr", u"Smith",
                                  u"paid", u"5", u"pounds", u"Really", u"Yes"}));
    EXPECT_EQ(sentences, positionsOf({u"Fish", u"Mr", u"Really", u"Yes"}));
}

TEST_F(Sapi5Runtime, BookmarksAndSilenceComeWhereTheyAreWritten) {
    std::vector<SPEVENT> events;
    auto wav = SpeakToFile(
        u"One two<bookmark mark=\"1st\"/> three<bookmark mark=\"22\"/>"
        u"<silence msec=\"1000\"/>four<bookmark mark=\"4\"/> five six.<bookmark mark=\"end\"/>",
        SPSF_16kHz16BitStereo, "gmw/en-US", SPFEI(SPEI_TTS_BOOKMARK), &events);
    ASSERT_TRUE(wav);
    auto samples = ToMono(wav->data, wav->format);
    const double rate = wav->format.nSamplesPerSec, block = wav->format.nBlockAlign;
    Stretch gap = LongestQuiet(samples, 0.01f);
    // The second of silence, between "three" and "four".
    EXPECT_GT(gap.length / rate, 1.0);
    EXPECT_LT(gap.length / rate, 1.6);
    EXPECT_GT(gap.start / rate, 0.5);
    EXPECT_GT((samples.size() - gap.start - gap.length) / rate, 0.5);

    ASSERT_EQ(events.size(), 4u);
    const char16_t* marks[] = {u"1st", u"22", u"4", u"end"};
    const WPARAM numbers[] = {1, 22, 4, 0};
    double at[4];
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(events[i].eEventId, SPEI_TTS_BOOKMARK);
        ASSERT_EQ(events[i].elParamType, SPET_LPARAM_IS_STRING);
        EXPECT_EQ(std::u16string(reinterpret_cast<LPCWSTR>(events[i].lParam)), marks[i]);
        EXPECT_EQ(events[i].wParam, numbers[i]);
        EXPECT_EQ(events[i].ullAudioStreamOffset % wav->format.nBlockAlign, 0u);
        at[i] = events[i].ullAudioStreamOffset / block / rate;
        SpClearEvent(&events[i]);
    }
    // "1st" after "One two", before "three"; "22" where the silence starts
    // (after the pause espeak-ng ends "three" with); "4" after "four";
    // "end" at the end.
    EXPECT_GT(at[0], 0.3);
    EXPECT_LT(at[0], at[1] - 0.2);
    EXPECT_GE(at[1], gap.start / rate - 0.02);
    EXPECT_LE(at[1], (gap.start + gap.length) / rate - 0.95);
    EXPECT_GT(at[2], (gap.start + gap.length) / rate + 0.1);
    EXPECT_LT(at[2], at[3] - 0.3);
    EXPECT_NEAR(at[3], samples.size() / rate, 0.05);

    // Only the events asked for come: here the start and end of the speech.
    events.clear();
    wav = SpeakToFile(u"a<bookmark mark=\"x\"/>b", SPSF_16kHz16BitMono, "gmw/en-US",
                      SPFEI(SPEI_START_INPUT_STREAM) | SPFEI(SPEI_END_INPUT_STREAM), &events);
    ASSERT_TRUE(wav);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].eEventId, SPEI_START_INPUT_STREAM);
    EXPECT_EQ(events[0].ullAudioStreamOffset, 0u);
    EXPECT_EQ(events[1].eEventId, SPEI_END_INPUT_STREAM);
    // Within what resampling to the stream's rate rounds away.
    EXPECT_NEAR(double(events[1].ullAudioStreamOffset), double(wav->data.size()), 320.0);
}

} // namespace
