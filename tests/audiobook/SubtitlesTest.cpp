// Subtitle files as players read them: SubRip, WebVTT and LRC with their own
// time forms, escaping and line lengths, and the cues of an audio file taken
// from its pieces' cue files.

#include "src/audiobook/Subtitles.h"

#include "src/audiobook/SubtitleFiles.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

namespace {

TEST(SubtitlesTest, WritesEachFormatAsPlayersReadIt) {
    const SubtitleTags tags{"The Storm", "Mara Quill", "The Lighthouse Keeper"};
    const std::string longSentence =
        "Elin climbed the stairs to the lamp room and trimmed the wick by hand.";
    struct {
        SubtitleFormat format;
        std::vector<TimedCue> cues;
        double end;
        std::string expected;
    } cases[] = {
        // Milliseconds rounded, carried into the seconds; hours past 99; a
        // cue ends where the next begins, the last at the file's end.
        {SubtitleFormat::Srt,
         {{0.0004, "Rain."}, {59.9996, "Wind."}, {360000.0016, "Dawn."}},
         360003.5,
         "1\n00:00:00,000 --> 00:01:00,000\nRain.\n\n"
         "2\n00:01:00,000 --> 100:00:00,002\nWind.\n\n"
         "3\n100:00:00,002 --> 100:00:03,500\nDawn.\n\n"},
        // Long sentences wrap at spaces near 42 characters; a timing arrow
        // in the text cannot be read as a timing line.
        {SubtitleFormat::Srt,
         {{1.5, longSentence}, {6, "a --> b"}},
         7,
         "1\n00:00:01,500 --> 00:00:06,000\nElin climbed the stairs to the lamp room\n"
         "and trimmed the wick by hand.\n\n2\n00:00:06,000 --> 00:00:07,000\na -> b\n\n"},
        {SubtitleFormat::Vtt,
         {{3723.25, "Salt & iron <volume level=\"0\"> --> here"}},
         3725,
         "WEBVTT\n\n01:02:03.250 --> 01:02:05.000\nSalt &amp; iron &lt;volume level=\"0\"&gt; "
         "--&gt; here\n\n"},
        // Centiseconds; minutes past 99; no wrapping; the last line cleared at the end.
        {SubtitleFormat::Lrc,
         {{0.125, longSentence}, {6000.994, "Years later."}},
         6010,
         "[ti:The Storm]\n[ar:Mara Quill]\n[al:The Lighthouse Keeper]\n[00:00.13]" + longSentence +
             "\n[100:00.99]Years later.\n[100:10.00]\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatSubtitles(c.format, c.cues, c.end, tags), c.expected);
    EXPECT_EQ(
        WrapCueText("Über élan vital, a word: Donaudampfschifffahrtsgesellschaftskapitän", 20),
        "Über élan vital, a\nword:\nDonaudampfschifffahrtsgesellschaftskapitän");
}

TEST(SubtitlesTest, ReadableTextDropsTheVoicesMarkupOnly) {
    struct {
        std::u16string text;
        CueMarkup markup;
        std::string readable;
    } cases[] = {
        {u"Salt &amp; iron <emph>stood</emph>\n\t thick. ", CueMarkup::Xml,
         "Salt & iron stood thick."},
        {u"&lt;volume level=\"0\"&gt; &#233;t&#xE9; a & b &bogus;", CueMarkup::Xml,
         "<volume level=\"0\"> été a & b &bogus;"},
        {u"Hello <emph>world</emph>. un<emph>believ</emph>able <silence msec=\"500\"/>",
         CueMarkup::Xml, "Hello world. unbelievable"},
        // A SAPI 4 voice is given its text as it is.
        {u" a\\b\\ <x> &amp;\r\n", CueMarkup::None, "a\\b\\ <x> &amp;"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadableText(c.text, c.markup), c.readable);
}

TEST(SubtitlesTest, CuesRunFromSentenceToSentenceInUtf16Units) {
    // "Été" and the emoji count as UTF-16 units, as the engine counts them.
    const std::u16string text = u"<p>Été 😀 came. <break/> </p>Elin climbed.\n\nThe sea.";
    const std::vector<SentenceMark> sentences = {
        {3, 0.25}, {16, 1.5}, {29, 1.75}, {44, 3.0}, {200, 4.0}};
    const std::vector<PieceCue> cues = MakePieceCues(text, sentences, CueMarkup::Xml);
    ASSERT_EQ(cues.size(), 3u);
    EXPECT_EQ(cues[0].text, "Été 😀 came.");
    EXPECT_EQ(cues[0].seconds, 0.25);
    EXPECT_EQ(cues[1].text, "Elin climbed.");
    EXPECT_EQ(cues[1].seconds, 1.75); // the sentence of markup alone is left out
    EXPECT_EQ(cues[2].text, "The sea.");
}

TEST(SubtitlesTest, AFilesCuesAreItsPiecesShiftedToWhereTheyAreHeard) {
    ScratchFolder folder;
    const std::string first = folder / "a.m4b", second = folder / "b.m4b";
    ASSERT_EQ(WritePieceCues(CuesPath(first), {{0.5, "One."}, {1.25, "Two."}}), "");
    ASSERT_EQ(WritePieceCues(CuesPath(second), {{0.1, "Three."}}), "");
    EXPECT_EQ(ReadPieceCues(CuesPath(second))->front().text, "Three.");

    const std::string srt = folder / "book.srt";
    EXPECT_EQ(WriteSubtitleFile(srt, SubtitleFormat::Srt, {{first, second}, {0, 2.0}, 3}, {}), "");
    EXPECT_EQ(ReadAll(srt), "1\n00:00:00,500 --> 00:00:01,250\nOne.\n\n"
                            "2\n00:00:01,250 --> 00:00:02,100\nTwo.\n\n"
                            "3\n00:00:02,100 --> 00:00:03,000\nThree.\n\n");

    // Damaged or missing cues, or no piece starts: a message, and no file.
    for (const char* damaged : {"vocalith cues 1\n0.1x\tThree.\n", "vocalith cues 1\n0.1\n",
                                "vocalith cues 1\n0.1\tThree.", "vocalith cues 1\n-1\tThree.\n"})
        EXPECT_FALSE(ParsePieceCues(damaged)) << damaged;
    WriteAll(CuesPath(second), "vocalith cues 1\n0.1x\tThree.\n");
    EXPECT_FALSE(ReadPieceCues(folder / "none.cues"));
    const std::string vtt = folder / "book.vtt";
    EXPECT_NE(WriteSubtitleFile(vtt, SubtitleFormat::Vtt, {{first, second}, {0, 2.0}, 3}, {}), "");
    EXPECT_NE(WriteSubtitleFile(vtt, SubtitleFormat::Vtt, {{first}, {}, 3}, {}), "");
    EXPECT_EQ(folder.Files().size(), 3u) << "nothing but the three files written here";

    EXPECT_EQ(SubtitlePath("out/07 - The End.mp3", SubtitleFormat::Lrc), "out/07 - The End.lrc");
    EXPECT_EQ(SubtitlePath("v1.0/book", SubtitleFormat::Vtt), "v1.0/book.vtt");
}

} // namespace
