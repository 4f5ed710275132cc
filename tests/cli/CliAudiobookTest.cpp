// vocalith-cli writing audiobooks: a run killed outright and run again makes
// only the pieces it had not finished, one file per chapter with a playlist,
// pieces the same however many a process makes, and outputs it cannot write
// refused before any speech.

#include "tests/cli/CliProcessFixture.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/TestData.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <thread>

namespace {

using CliAudiobookTest = CliProcessFixture;
namespace fs = std::filesystem;

std::string Documents(const std::string& name) {
    return TestDataFolder() / "documents" / name;
}

std::string Command(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::size_t count = std::fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, count);
        ::pclose(pipe);
    }
    return out;
}

// The finished pieces in a parts folder: name to inode and modification time.
std::map<std::string, std::pair<ino_t, std::int64_t>> Pieces(const fs::path& parts) {
    std::map<std::string, std::pair<ino_t, std::int64_t>> pieces;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(parts, ignored)) {
        const std::string name = entry.path().filename();
        struct stat info {};
        if (name.size() == 64 + 5 && name.ends_with(".opus") &&
            ::stat(entry.path().c_str(), &info) == 0)
            pieces[name] = {info.st_ino, info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec};
    }
    return pieces;
}

// A process and all it started, frozen first so that none starts another.
void KillTree(pid_t pid) {
    ::kill(pid, SIGSTOP);
    const std::string children =
        ReadAll("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children");
    for (std::size_t at = 0; at < children.size();) {
        const std::size_t end = children.find(' ', at);
        KillTree(static_cast<pid_t>(std::stol(children.substr(at, end - at))));
        at = end == std::string::npos ? children.size() : end + 1;
    }
    ::kill(pid, SIGKILL);
}

TEST_F(CliAudiobookTest, AKilledRunResumesWithTheUnfinishedPiecesOnly) {
    const std::string book = Documents("book3.epub");
    const Outcome whole = Run({"-j", "2", "-o", "whole.opus", book});
    ASSERT_EQ(whole.status, 0) << whole.err;
    EXPECT_FALSE(fs::exists(folder / "whole.opus.parts"));

    const std::vector<std::string> command = {"-j", "2", "--keep-parts", "-o", "book.opus", book};
    const pid_t first = Start(command);
    for (int i = 0; i < 60000 && Pieces(folder / "book.opus.parts").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    KillTree(first);
    EXPECT_EQ(Finish(first).status, 128 + SIGKILL);
    const auto finished = Pieces(folder / "book.opus.parts");
    ASSERT_FALSE(fs::exists(folder / "book.opus")) << "the run ended before it was killed";
    ASSERT_GE(finished.size(), 1u);
    ASSERT_LT(finished.size(), 5u);

    const Outcome resumed = Run(command);
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_EQ(resumed.err, "") << "nothing to say when all went well";
    std::vector<std::string> files = folder.Files();
    std::ranges::sort(files);
    EXPECT_EQ(files, (std::vector<std::string>{"book.opus", "book.opus.parts", "whole.opus"}));
    const auto all = Pieces(folder / "book.opus.parts");
    EXPECT_EQ(all.size(), 5u);
    for (const auto& [name, identity] : finished)
        EXPECT_EQ(all.at(name), identity) << name << " was made again";

    const DecodedAudio expected = DecodeAudioFile(folder / "whole.opus");
    const DecodedAudio got = DecodeAudioFile(folder / "book.opus");
    ASSERT_TRUE(expected.Ok() && got.Ok()) << got.error;
    EXPECT_GT(got.rms, 0.01);
    EXPECT_NEAR(static_cast<double>(got.frames), static_cast<double>(expected.frames), 5 * 960);
    const std::string chapters = "ffprobe -v error -show_chapters -of csv=p=0 ";
    const std::string expectedChapters = Command(chapters + (folder / "whole.opus").string());
    EXPECT_NE(expectedChapters.find("The Return"), std::string::npos) << expectedChapters;
    EXPECT_EQ(Command(chapters + (folder / "book.opus").string()), expectedChapters);
}

TEST_F(CliAudiobookTest, SplitsIntoTaggedChapterFilesWithAPlaylist) {
    const Outcome split =
        Run({"--split", "--mp3", "64", "-o", "chapters", Documents("book3.epub")});
    ASSERT_EQ(split.status, 0) << split.err;
    EXPECT_EQ(split.err, "");
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(folder / "chapters"))
        files.push_back(entry.path().filename());
    std::ranges::sort(files);
    const std::vector<std::string> names = {"01 - The Storm.mp3", "02 - The Ship.mp3",
                                            "03 - The Rescue.mp3", "04 - The Letter.mp3",
                                            "05 - The Return.mp3"};
    std::vector<std::string> expected = names;
    expected.push_back("The Lighthouse Keeper.m3u8");
    EXPECT_EQ(files, expected);

    const std::string playlist = ReadAll(folder / "chapters/The Lighthouse Keeper.m3u8");
    EXPECT_TRUE(playlist.starts_with("#EXTM3U\n#EXTINF:")) << playlist;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const fs::path file = folder / "chapters" / names[i];
        const std::string format =
            Command("ffprobe -v error -show_format -of json '" + file.string() + "'");
        EXPECT_NE(format.find("\"track\": \"" + std::to_string(i + 1) + "/5\""), std::string::npos)
            << format;
        const DecodedAudio audio = DecodeAudioFile(file);
        ASSERT_TRUE(audio.Ok()) << names[i];
        const std::string title = names[i].substr(5, names[i].size() - 9);
        // A player lists each file by its chapter, within the book.
        EXPECT_NE(format.find("\"title\": \"" + title + "\""), std::string::npos) << format;
        EXPECT_NE(format.find("\"album\": \"The Lighthouse Keeper\""), std::string::npos) << format;
        EXPECT_NE(playlist.find("#EXTINF:" + std::to_string(std::lround(audio.seconds)) + "," +
                                title + "\n" + names[i] + "\n"),
                  std::string::npos)
            << playlist;
    }
}

// A piece damaged after it was made (cut short by a disk error) is made
// again by the next run, which then completes.
TEST_F(CliAudiobookTest, ADamagedPieceIsMadeAgain) {
    const std::vector<std::string> command = {"--keep-parts", "--chapters",           "2", "-o",
                                              "book.m4b",     Documents("book3.epub")};
    ASSERT_EQ(Run(command).status, 0);
    const double seconds = DecodeAudioFile(folder / "book.m4b").seconds;
    fs::remove(folder / "book.m4b");
    fs::path piece;
    for (const auto& entry : fs::directory_iterator(folder / "book.m4b.parts"))
        if (entry.path().extension() != ".cues") // each piece's sentences, beside it
            piece = entry.path();
    ASSERT_EQ(piece.extension(), ".m4b");
    fs::resize_file(piece, fs::file_size(piece) / 2);

    const Outcome again = Run(command);
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.err.find("the piece is made again"), std::string::npos) << again.err;
    const DecodedAudio audio = DecodeAudioFile(folder / "book.m4b");
    ASSERT_TRUE(audio.Ok());
    EXPECT_NEAR(audio.seconds, seconds, 0.01);
}

// A child makes its pieces in turn: one that fails is named, those before it
// stay for the next run and none after it is started.
TEST_F(CliAudiobookTest, APieceProcessKeepsThePiecesBeforeOneThatFails) {
    WriteAll(folder / "one.txt", "The first piece.");
    WriteAll(folder / "three.txt", "The third piece.");
    const Outcome outcome =
        Run({"--make-piece", "opus:32", "--", "600", "a.opus", "one.txt", "book, chapter 1", "600",
             "no/b.opus", "one.txt", "book, chapter 2", "1500", "c.opus", "three.txt",
             "book, chapter 3"});
    EXPECT_EQ(outcome.status, 1);
    EXPECT_EQ(outcome.err.rfind("book, chapter 2: ", 0), 0u) << outcome.err;
    std::vector<std::string> files = folder.Files();
    std::ranges::sort(files);
    EXPECT_EQ(files, (std::vector<std::string>{"a.cues", "a.opus", "one.txt", "three.txt"}));
    EXPECT_GT(DecodeAudioFile(folder / "a.opus").rms, 0.01);
}

// One process makes a few pieces in turn while many are left: each piece and
// the book are those of a run that gives every piece a process of its own.
TEST_F(CliAudiobookTest, PiecesMadeAFewByEachProcessAreThoseMadeOneByEach) {
    std::string text;
    for (int i = 1; i <= 12; ++i)
        text += "# Part " + std::to_string(i) + "\n\n" + std::string(i % 4 + 1, 'A') + " said " +
                std::to_string(i * 37) + ".\n\n";
    WriteAll(folder / "book.md", text);
    std::map<std::string, std::int64_t> frames[2];
    std::string chapters[2];
    const char* jobs[2] = {"1", "4"};
    for (int run = 0; run < 2; ++run) {
        const std::string output = std::string("book") + jobs[run] + ".opus";
        const Outcome outcome = Run({"-j", jobs[run], "--keep-parts", "-o", output, "book.md"});
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        for (const auto& [name, identity] : Pieces(folder / (output + ".parts")))
            frames[run][name] = DecodeAudioFile(folder / (output + ".parts") / name).frames;
        chapters[run] =
            Command("ffprobe -v error -show_chapters -of csv=p=0 " + (folder / output).string());
    }
    EXPECT_EQ(frames[0].size(), 12u);
    EXPECT_EQ(frames[0], frames[1]);
    EXPECT_NE(chapters[0].find("Part 12"), std::string::npos) << chapters[0];
    EXPECT_EQ(chapters[0], chapters[1]);
}

TEST_F(CliAudiobookTest, RefusesOutputsItCannotWriteBeforeSpeaking) {
    WriteAll(folder / "taken.m4b", "mine");
    WriteAll(folder / "file", "mine");
    WriteAll(folder / "book.srt", "mine");
    struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"-o", "taken.m4b"}, "taken.m4b already exists; --overwrite replaces it"},
        {{"-o", "file/book.m4b"}, "file/book.m4b.parts"},
        {{"--split", "-o", "file"}, "cannot create the folder file"},
        {{"--subtitles", "srt", "-o", "book.m4b"}, "book.srt already exists; --overwrite"},
    };
    for (auto& c : cases) {
        c.arguments.push_back(Documents("book3.epub"));
        const Outcome outcome = Run(c.arguments);
        EXPECT_EQ(outcome.status, 1);
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
        EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << "one line: " << outcome.err;
    }
    std::vector<std::string> files = folder.Files();
    std::ranges::sort(files);
    EXPECT_EQ(files, (std::vector<std::string>{"book.srt", "file", "taken.m4b"}));
    EXPECT_EQ(ReadAll(folder / "taken.m4b"), "mine");
}

} // namespace
