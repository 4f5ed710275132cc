// The command line, document decoding and name matching of vocalith-cli.

#include "platform/com/strings.h"
#include "src/cli/CliOptions.h"
#include "src/cli/DocumentSettings.h"
#include "src/documents/TextDecoding.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    std::vector<std::string> arguments;
    std::string error; // a part of the message; empty: accepted
};

TEST(CliParsingTest, RefusesWhatTheWindowWouldNotAccept) {
    const ParseCase cases[] = {
        {{"-o", "a.wav", "in.txt"}, ""},
        {{"--speed=-10", "--volume", "0", "--pitch", "+10", "in.txt"}, ""},
        {{"-j4", "--mp3", "128", "--vbr", "--mp3-quality", "0", "-o", "d", "a", "b"}, ""},
        {{"--", "-starts-with-dash.txt"}, ""},
        {{"--speed", "11", "x"}, "--speed takes a whole number from -10 to 10"},
        {{"--volume", "-1", "x"}, "--volume takes a whole number from 0 to 100"},
        {{"--pitch", "1.5", "x"}, "--pitch takes"},
        {{"--mp3-quality", "10", "-o", "a.mp3", "x"}, "--mp3-quality takes"},
        {{"-j", "0", "x"}, "-j takes"},
        {{"--mp3", "128", "--wma", "0", "-o", "a", "x"}, "exclude each other"},
        {{"--mp3", "128", "x"}, "need -o OUTPUT"},
        {{"-o", "   ", "x"}, "Please specify output filename."},
        {{"-o", "a.wav"}, "no input"},
        {{"-", "-"}, "only once"},
        {{"--bogus", "x"}, "unknown option '--bogus'"},
        {{"x", "-v"}, "-v needs a value"},
        {{"--quiet", "--verbose", "x"}, "exclude each other"},
        {{"--split=opus", "--bitrate", "48", "--keep-parts", "-o", "d", "x"}, ""},
        {{"--split", "x"}, "--split writes one book into the folder -o names"},
        {{"--split", "-o", "d", "x", "y"}, "--split writes one book"},
        {{"--split=ogg", "-o", "d", "x"}, "--split=FORMAT takes mp3, m4b, opus, flac or wav"},
        {{"--split", "--wma", "0", "-o", "d", "x"}, "not WMA"},
        {{"--bitrate", "5", "-o", "a.m4b", "x"}, "--bitrate takes a whole number from 6"},
        {{"--subtitles", "srt", "--split", "-o", "d", "x"}, ""},
        {{"--subtitles=ass", "-o", "a.m4b", "x"}, "--subtitles takes srt, vtt or lrc, not 'ass'"},
        {{"--subtitles", "srt", "x"}, "spoken aloud, there is no file"},
        {{"--subtitles", "vtt", "--list-voices"}, "not with a listing"},
        {{"--subtitles", "lrc", "--list-chapters", "x"}, "not with a listing"},
        {{"--subtitles", "srt", "--wma", "0", "-o", "a", "x"}, "not WMA"},
    };
    for (const ParseCase& c : cases) {
        const ParseResult result = ParseArguments(c.arguments);
        if (c.error.empty())
            EXPECT_EQ(result.error, "") << c.arguments.front();
        else
            EXPECT_NE(result.error.find(c.error), std::string::npos)
                << c.arguments.front() << ": " << result.error;
    }
}

TEST(CliParsingTest, KeepsWhatWasAskedFor) {
    const ParseResult r =
        ParseArguments({"-v", "slt", "-q", "3", "--speed", "-4", "--volume=50", "--wma", "0/2",
                        "--overwrite", "-o", " out.wma ", "-", "b.txt"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.voice, "slt");
    EXPECT_EQ(r.options.quality, "3");
    EXPECT_EQ(r.options.speed, -4);
    EXPECT_EQ(r.options.volume, 50);
    EXPECT_EQ(r.options.wma, "0/2");
    EXPECT_TRUE(r.options.overwrite);
    EXPECT_EQ(r.options.output, "out.wma"); // trimmed, as the output dialog trims
    EXPECT_EQ(r.options.inputs, (std::vector<std::string>{"-", "b.txt"}));
    EXPECT_EQ(ParseArguments({"--list-voices", "--json"}).options.action, CliAction::List);
    EXPECT_EQ(ParseArguments({"x", "--help"}).options.action, CliAction::Help);
}

TEST(CliParsingTest, OutputKindFollowsTheOptionsThenTheExtension) {
    struct {
        std::vector<std::string> arguments;
        OutputKind kind;
    } cases[] = {
        {{"-o", "a.MP3", "x"}, OutputKind::Mp3},
        {{"-o", "a.wma", "x"}, OutputKind::Wma},
        {{"-o", "a.ogg", "x"}, OutputKind::Wav},
        {{"--mp3", "64", "-o", "a.wav", "x"}, OutputKind::Mp3},
        {{"--wav", "-o", "a.mp3", "x"}, OutputKind::Wav},
    };
    for (const auto& c : cases) {
        const CliOptions options = ParseArguments(c.arguments).options;
        EXPECT_EQ(RequestedKind(options, *options.output), c.kind) << *options.output;
    }
}

TEST(CliParsingTest, DecodesTheThreeEncodings) {
    struct {
        std::string bytes;
        std::u16string text;
    } cases[] = {
        {"Caf\xC3\xA9", u"Café"},
        {"\xEF\xBB\xBF"
         "Caf\xC3\xA9",
         u"Café"},
        {std::string("\xFF\xFE"
                     "C\0a\0f\0\xE9\0",
                     10),
         u"Café"},
        {std::string("\xFE\xFF\0C\0a\0f\0\xE9", 10), u"Café"},
        {std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), u"\U0001F600"},
        {"Caf\xE9 na\xEFve", u"Café naïve"},     // not UTF-8: Latin-1
        {"\xC0\xAF", u"\u00C0\u00AF"},           // overlong UTF-8 is no UTF-8
        {"\xED\xA0\x80", u"\u00ED\u00A0\u0080"}, // nor is an encoded surrogate
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FromUtf8(DecodeTextToUtf8(c.bytes)), c.text) << c.bytes;
}

TEST(CliParsingTest, MatchesNamesAsTheHelpSays) {
    const std::vector<std::u16string> voices = {u"Kal (flite), SAPI4", u"Kal 16 kHz (flite), SAPI4",
                                                u"Afrikaans, SAPI5", u"English, SAPI5",
                                                u"English (America), SAPI5"};
    struct {
        std::string wanted;
        int index;
    } cases[] = {
        {"3", 3},
        {"5", -1},
        {"afr", 2},
        {"KAL 16", 1},
        {"kal", -1},    // a prefix of two voices
        {"english", 3}, // a whole name wins over longer names
        {"English, SAPI5", 3},
        {"english (", 4},
        {"zulu", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchName(voices, c.wanted, "voice").index, c.index) << c.wanted;
}

} // namespace
