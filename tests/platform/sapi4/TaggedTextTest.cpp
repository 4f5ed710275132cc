#include "platform/sapi4/TaggedText.h"

#include <gtest/gtest.h>
#include <string>

namespace {

using Kind = TextPiece::Kind;

// The pieces as one readable line: text as is, tags as <kind=value>.
std::u16string Render(const std::vector<TextPiece>& pieces) {
    std::u16string out;
    for (const TextPiece& p : pieces) {
        switch (p.kind) {
        case Kind::Text:
            out += u"[" + p.text + u"]";
            break;
        case Kind::Reset:
            out += u"<rst>";
            break;
        default: {
            const char16_t* name = p.kind == Kind::Speed    ? u"spd"
                                   : p.kind == Kind::Volume ? u"vol"
                                                            : u"pit";
            std::string value = std::to_string(p.value);
            out += u"<" + std::u16string(name) + u"=" + std::u16string(value.begin(), value.end()) +
                   u">";
        }
        }
    }
    return out;
}

std::u16string Parse(std::u16string_view text, bool tagged = true) {
    return Render(ParseTaggedText(text, tagged));
}

} // namespace

TEST(TaggedText, TheProgramsPrefixAndEscapedText) {
    EXPECT_EQ(Parse(u"\\rst\\\\spd=150\\\\vol=32767\\ a\\\\b"),
              u"<rst><spd=150><vol=32767>[ a\\b]");
    EXPECT_EQ(Parse(u"\\rst\\ plain"), u"<rst>[ plain]");
    // Backslashes doubled in a row stay literal, one for each pair.
    EXPECT_EQ(Parse(u"a\\\\\\\\b"), u"[a\\\\b]");
}

TEST(TaggedText, NamesIgnoreCaseAndSpacesUnknownTagsVanish) {
    EXPECT_EQ(Parse(u"\\SPD=200\\x\\ Pit = 90 \\y"), u"<spd=200>[x]<pit=90>[y]");
    EXPECT_EQ(Parse(u"a\\emp\\b\\mrk=5\\c"), u"[abc]");
}

TEST(TaggedText, MalformedTagsNeverStopTheText) {
    // A value that is not a number drops the tag.
    EXPECT_EQ(Parse(u"\\spd=fast\\go"), u"[go]");
    EXPECT_EQ(Parse(u"\\spd=\\go"), u"[go]");
    EXPECT_EQ(Parse(u"\\vol=-5\\go"), u"[go]");
    // A value beyond 32 bits saturates.
    EXPECT_EQ(Parse(u"\\vol=99999999999999999999\\"), u"<vol=4294967295>");
    // A tag that never closes is spoken without its backslash.
    EXPECT_EQ(Parse(u"say \\spd=100"), u"[say spd=100]");
    EXPECT_EQ(Parse(u"end\\"), u"[end]");
    EXPECT_EQ(Parse(u"\\"), u"");
    EXPECT_EQ(Parse(u"\\\\\\"), u"[\\]");
}

TEST(TaggedText, UntaggedTextKeepsEveryBackslash) {
    EXPECT_EQ(Parse(u"\\rst\\ a\\\\b", false), u"[\\rst\\ a\\\\b]");
}

TEST(TaggedText, SentencesAreCutAtTheirEndsAndNothingIsLost) {
    const auto s = SplitIntoSentences(
        u"One. Two!  Three?\nFour; five: six\n\n  seven 3.5 ok... \"Eight.\" (Nine?) Ten.\"x");
    ASSERT_EQ(s.size(), 10u);
    EXPECT_EQ(s[0], u"One.");
    EXPECT_EQ(s[1], u" Two!");
    EXPECT_EQ(s[5], u" six\n");
    // A decimal point does not end a sentence.
    EXPECT_EQ(s[6], u"  seven 3.5 ok...");
    // What closes a sentence goes with it.
    EXPECT_EQ(s[7], u" \"Eight.\"");
    EXPECT_EQ(s[8], u" (Nine?)");
    EXPECT_EQ(s[9], u" Ten.\"x");
    EXPECT_TRUE(SplitIntoSentences(u" \n\t \n").empty());
}

TEST(TaggedText, ALongRunWithoutStopsIsCutAtSpaces) {
    std::u16string words;
    for (int i = 0; i < 500; ++i)
        words += u"word ";
    std::u16string blob(1500, u'x');
    const auto s = SplitIntoSentences(words + blob);
    std::u16string joined;
    for (const auto& piece : s) {
        EXPECT_LE(piece.size(), 400u);
        // Cuts fall after a space, never inside a word, while there are spaces.
        if (piece.find(u'x') == std::u16string::npos) {
            EXPECT_EQ(piece.back(), u' ');
        }
        joined += piece;
    }
    EXPECT_EQ(joined, words + blob);
}
