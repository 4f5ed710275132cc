// vocalith-cli writing an audiobook's subtitles: one cue per sentence beside
// each audio file, each starting where the decoded audio's speech starts,
// with either engine; a failure to write them leaves no audio behind.

#include "tests/cli/CliProcessFixture.h"
#include "tests/support/TestData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace {

using CliSubtitlesTest = CliProcessFixture;
namespace fs = std::filesystem;

std::string Book() {
    return TestDataFolder() / "documents" / "book.md";
}

std::string Command(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[65536];
        while (std::size_t count = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, count);
        ::pclose(pipe);
    }
    return out;
}

struct Sound {
    int rate = 0;
    std::vector<float> samples; // mono

    double Seconds(std::size_t sample) const { return static_cast<double>(sample) / rate; }
    bool Quiet(std::size_t sample) const { return std::fabs(samples[sample]) < 0.01f; }
};

// A file decoded by FFmpeg as players decode it.
Sound Decode(const fs::path& file) {
    const std::string quoted = "'" + file.string() + "'";
    Sound sound;
    sound.rate = std::atoi(Command("ffprobe -v error -select_streams a:0 -show_entries "
                                   "stream=sample_rate -of csv=p=0 " +
                                   quoted)
                               .c_str());
    const std::string bytes = Command("ffmpeg -v error -i " + quoted + " -ac 1 -f f32le -");
    sound.samples.resize(bytes.size() / 4);
    std::memcpy(sound.samples.data(), bytes.data(), sound.samples.size() * 4);
    return sound;
}

// Where the speech that starts near `seconds` starts: the first sample above
// the threshold from 50 ms before it on, after at least 40 ms below it (or
// the file's start). None when speech is going on there. Sentences within a
// piece are 150 ms apart or more, but the voices end a piece's speech with
// its last word: where two chapters meet, only some 50 ms are quiet.
std::optional<double> SpeechStartNear(const Sound& sound, double seconds) {
    std::size_t at = static_cast<std::size_t>(std::max(0.0, seconds - 0.05) * sound.rate);
    while (at < sound.samples.size() && sound.Quiet(at))
        ++at;
    const std::size_t quietNeeded = static_cast<std::size_t>(sound.rate * 0.04);
    std::size_t quiet = 0;
    while (quiet < at && quiet < quietNeeded && sound.Quiet(at - quiet - 1))
        ++quiet;
    if (at == sound.samples.size() || (quiet < quietNeeded && quiet < at))
        return std::nullopt;
    return sound.Seconds(at);
}

struct Cue {
    double start = 0, end = 0;
    std::string text;
};

double ClockSeconds(const std::string& time) {
    int hours = 0, minutes = 0, seconds = 0, ms = 0;
    std::sscanf(time.c_str(), "%d:%d:%d%*[,.]%d", &hours, &minutes, &seconds, &ms);
    return hours * 3600 + minutes * 60 + seconds + ms / 1000.0;
}

// The cues of an SRT or WebVTT file, their lines joined by spaces.
std::vector<Cue> ReadCues(const fs::path& file) {
    std::vector<Cue> cues;
    const std::string text = ReadAll(file);
    bool inCue = false; // from a timing line to the blank line that ends its cue
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (const std::size_t arrow = line.find(" --> "); arrow != std::string::npos) {
            cues.push_back(
                {ClockSeconds(line.substr(0, arrow)), ClockSeconds(line.substr(arrow + 5)), ""});
            inCue = true;
        } else if (line.empty()) {
            inCue = false;
        } else if (inCue) {
            cues.back().text += (cues.back().text.empty() ? "" : " ") + line;
        }
    }
    return cues;
}

TEST_F(CliSubtitlesTest, EachCueStartsWhereItsSentenceIsHeard) {
    // Chapter 2's sentences hold markup and an ampersand as text; the SAPI 5
    // voice is given them escaped, the SAPI 4 voice as they are. A chapter's
    // title is a sentence of its own.
    struct {
        std::vector<std::string> arguments;
        std::vector<std::string> audio; // each file written, in the folder the test runs in
        std::string subtitleExtension;
        std::vector<std::size_t> sentences; // in each file
        std::vector<std::string> shown;     // of those cues, as the subtitles show them
    } cases[] = {
        {{"--chapters", "1-2", "--subtitles", "srt", "-o", "book.m4b"},
         {"book.m4b"},
         ".srt",
         {10},
         {"The Storm\nRain came early that night.\n", "Salt & iron stood thick in the air.",
          "log: <volume level=\"0\"> was the"}},
        {{"-v", "slt", "--split", "--chapters", "2-3", "--subtitles", "vtt", "-o", "chapters"},
         {"chapters/01 - The Ship.mp3", "chapters/02 - The Rescue.mp3"},
         ".vtt",
         {5, 4},
         {"The Rescue\nThe boat reached", "Salt &amp; iron stood thick in the air.",
          "log: &lt;volume level=\"0\"&gt; was the"}},
    };
    for (auto& c : cases) {
        c.arguments.push_back(Book());
        const Outcome outcome = Run(c.arguments);
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        std::string allText;
        for (std::size_t f = 0; f < c.audio.size(); ++f) {
            const fs::path audio = folder / c.audio[f];
            const fs::path subtitles = fs::path(audio).replace_extension(c.subtitleExtension);
            ASSERT_TRUE(fs::exists(audio) && fs::exists(subtitles)) << subtitles;
            if (c.subtitleExtension == ".vtt") {
                EXPECT_TRUE(ReadAll(subtitles).starts_with("WEBVTT\n\n"));
            }
            const std::vector<Cue> cues = ReadCues(subtitles);
            EXPECT_EQ(cues.size(), c.sentences[f]) << subtitles;
            const Sound sound = Decode(audio);
            ASSERT_GT(sound.rate, 0) << audio;
            for (std::size_t i = 0; i < cues.size(); ++i) {
                EXPECT_LT(cues[i].start, cues[i].end) << cues[i].text;
                if (i + 1 < cues.size()) {
                    EXPECT_EQ(cues[i].end, cues[i + 1].start) << cues[i].text;
                }
                const std::optional<double> speech = SpeechStartNear(sound, cues[i].start);
                ASSERT_TRUE(speech) << subtitles << ": " << cues[i].text << " at " << cues[i].start
                                    << " is in the middle of speech";
                EXPECT_NEAR(cues[i].start, *speech, 0.05) << subtitles << ": " << cues[i].text;
                allText += cues[i].text + "\n";
            }
            EXPECT_NEAR(cues.back().end, sound.Seconds(sound.samples.size()), 0.05)
                << "the last cue lasts to the file's end";
        }
        for (const std::string& shown : c.shown)
            EXPECT_NE(allText.find(shown), std::string::npos) << allText;
    }
}

// Subtitles that cannot be put in place (a folder stands at their name) fail
// the run: one message, the audio file taken back, the pieces kept.
TEST_F(CliSubtitlesTest, SubtitlesThatCannotBeWrittenTakeTheirAudioBack) {
    fs::create_directory(folder / "book.lrc");
    const Outcome outcome =
        Run({"--overwrite", "--chapters", "1", "--subtitles", "lrc", "-o", "book.opus", Book()});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.err.find("cannot write book.lrc"), std::string::npos) << outcome.err;
    EXPECT_EQ(std::ranges::count(outcome.err, '\n'), 1) << outcome.err;
    EXPECT_FALSE(fs::exists(folder / "book.opus"));
    EXPECT_TRUE(fs::is_directory(folder / "book.lrc"));
    EXPECT_FALSE(fs::is_empty(folder / "book.opus.parts"));

    fs::remove(folder / "book.lrc");
    const Outcome again =
        Run({"--overwrite", "--chapters", "1", "--subtitles", "lrc", "-o", "book.opus", Book()});
    ASSERT_EQ(again.status, 0) << again.err;
    const std::string lrc = ReadAll(folder / "book.lrc");
    EXPECT_TRUE(lrc.starts_with("[ti:The Lighthouse Keeper]\n[ar:Mara Quill]\n"
                                "[al:The Lighthouse Keeper]\n[00:"))
        << lrc;
    EXPECT_FALSE(fs::exists(folder / "book.opus.parts"));
}

} // namespace
