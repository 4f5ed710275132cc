// Which runs write an audiobook, in which format and at which bit rate, and
// which are written exactly as the window writes them.

#include "src/cli/AudiobookChoice.h"

#include "src/cli/CliOptions.h"

#include <gtest/gtest.h>
#include <numeric>

namespace {

Book MakeBook(bool plainText, std::size_t chapters, std::size_t characters) {
    Book book;
    book.obeysMarkup = plainText;
    for (std::size_t i = 0; i < chapters; ++i)
        book.chapters.push_back({"Title", 1, std::string(characters, 'a'), false});
    return book;
}

TEST(AudiobookChoiceTest, TheOutputAndTheDocumentChooseThePath) {
    const Book note = MakeBook(true, 1, 100), chapters = MakeBook(true, 2, 100),
               long_ = MakeBook(true, 1, 100001), page = MakeBook(true, 1, 100000),
               epub = MakeBook(false, 1, 100);
    struct {
        std::vector<std::string> arguments;
        const Book& book;
        std::optional<AudiobookFormat> format;
        int kbps = 0;
        std::string error;
    } cases[] = {
        {{"-o", "a.m4b"}, note, AudiobookFormat::M4b, 64},
        {{"--bitrate", "48", "-o", "a.opus"}, note, AudiobookFormat::Opus, 48},
        {{"-o", "a.FLAC"}, note, AudiobookFormat::Flac, 0},
        {{"-o", "a.mp3"}, note, std::nullopt},
        {{"--mp3", "128", "-o", "a.mp3"}, note, std::nullopt},
        {{"--bitrate", "96", "-o", "a.mp3"}, note, AudiobookFormat::Mp3, 96},
        {{"-o", "a.mp3"}, chapters, AudiobookFormat::Mp3, 64},
        {{"--mp3", "128", "-o", "a.mp3"}, epub, AudiobookFormat::Mp3, 128},
        {{"-o", "a.wav"}, note, std::nullopt},
        {{"-o", "a.wav"}, page, std::nullopt},
        {{"-o", "a.wav"}, long_, AudiobookFormat::Wav, 0},
        {{"-o", "a.wma"}, epub, std::nullopt},
        {{}, epub, std::nullopt},
        {{"--split", "-o", "d"}, note, AudiobookFormat::Mp3, 64},
        {{"--split=opus", "-o", "d"}, note, AudiobookFormat::Opus, 32},
        {{"--split", "--wav", "-o", "d"}, note, AudiobookFormat::Wav, 0},
        {{"--mp3", "64", "-o", "a.m4b"}, note, std::nullopt, 0, "do not go with a.m4b"},
        {{"--vbr", "-o", "a.opus"}, note, std::nullopt, 0, "--vbr and --mp3-quality go with MP3"},
        {{"--vbr", "-o", "a.mp3"}, note, std::nullopt},
        {{"--vbr", "-o", "a.mp3"}, epub, std::nullopt, 0, "not to an audiobook's"},
        // Subtitles are timed by an audiobook's pieces.
        {{"--subtitles", "srt", "-o", "a.mp3"}, note, AudiobookFormat::Mp3, 64},
        {{"--subtitles", "vtt", "-o", "a.wav"}, note, AudiobookFormat::Wav, 0},
        {{"--subtitles", "lrc", "-o", "a.wma"}, epub, std::nullopt, 0, "not with a.wma"},
    };
    for (auto& c : cases) {
        c.arguments.push_back("in");
        const ParseResult parsed = ParseArguments(c.arguments);
        ASSERT_EQ(parsed.error, "") << c.arguments.front();
        std::vector<std::size_t> all(c.book.chapters.size());
        std::iota(all.begin(), all.end(), 0);
        const AudiobookChoice choice =
            ChooseAudiobook(parsed.options, parsed.options.output.value_or(""), c.book, all, true);
        const std::string what = testing::PrintToString(c.arguments);
        EXPECT_EQ(choice.encoding.has_value(), c.format.has_value()) << what;
        if (choice.encoding && c.format) {
            EXPECT_EQ(choice.encoding->format, *c.format) << what;
            EXPECT_EQ(choice.encoding->kbps, c.kbps) << what;
        }
        EXPECT_NE(choice.error.find(c.error), std::string::npos) << what << ": " << choice.error;
        EXPECT_EQ(choice.error.empty(), c.error.empty()) << what;
    }
}

} // namespace
