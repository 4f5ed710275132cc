// vocalith-cli as a user runs it: a real process over the real runtimes,
// compared with the window's job path driven in this process.

#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/sapi4/sapi4.h"
#include "platform/sapi5/sapi5.h"
#include "platform/wmf/wmsdk.h"
#include "src/cli/VoiceLanguage.h"
#include "src/jobs/JobControl.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"
#include "src/speech/VoiceCatalogue.h"
#include "tests/cli/CliProcessFixture.h"
#include "tests/fakes/FakeJobHost.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace {

class CliProcessTest : public CliProcessFixture {
protected:
    static void SetUpTestSuite() {
        RegisterSapi4Runtime();
        RegisterSapi5Runtime();
        RegisterWmfRuntime();
    }
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override { CoUninitialize(); }

    // The window's Write command on the same text and settings.
    void WriteThroughWindow(const std::string& text, int voice, int speed,
                            const OutputFileChoice& choice) {
        FakeJobHost host;
        host.editorText = FromUtf8(text);
        host.voicePosition = voice;
        host.speedPosition = speed;
        host.dialogChoice = choice;
        JobControl control(host, std::make_unique<Sapi4Engine>(), std::make_unique<Sapi5Engine>());
        control.CreateStopEvent();
        control.StartJob(false, false);
        while (control.IsJobRunning())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }

    int FirstSapi5Voice() { return static_cast<int>(Sapi4Engine().VoiceCount()); }
};

TEST_F(CliProcessTest, ListsTheWindowsVoiceList) {
    const Outcome listed = Run({"--list-voices", "--json"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    // The value of every "name" key (GCC 12 warns falsely inside std::regex
    // under the sanitizers, so a plain scan).
    const std::string key = "\"name\": \"";
    std::vector<std::string> names;
    for (std::size_t at = listed.out.find(key); at != std::string::npos;
         at = listed.out.find(key, at)) {
        at += key.size();
        const std::size_t end = listed.out.find('"', at);
        names.push_back(listed.out.substr(at, end - at));
        at = end;
    }

    Sapi4Engine sapi4;
    Sapi5Engine sapi5;
    const VoiceCatalogue window(sapi4, sapi5);
    ASSERT_EQ(names.size(), window.Count());
    ASSERT_GT(window.Sapi4Count(), 0u);
    ASSERT_GT(window.Sapi5Count(), 0u);
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(names[i], ToUtf8(window.DisplayString(static_cast<int>(i))));
}

TEST_F(CliProcessTest, WritesWhatTheWindowWrites) {
    const std::string text = "Write it once from the window, once from the command line.";
    WriteAll(folder / "in.txt", text);
    struct {
        int voice;
        std::string file;
        OutputKind kind;
        std::vector<std::string> options;
        int speed = 0; // the SAPI 4 markup maps it over the voice's probed range
    } cases[] = {
        {0, "flite.wav", OutputKind::Wav, {}},
        {2, "flite-fast.wav", OutputKind::Wav, {}, 6},
        {FirstSapi5Voice(), "espeak.wav", OutputKind::Wav, {}},
        {FirstSapi5Voice(), "espeak.mp3", OutputKind::Mp3, {"--mp3", "128"}},
        {0, "flite.wma", OutputKind::Wma, {"--wma", "0/4"}},
    };
    for (const auto& c : cases) {
        OutputFileChoice choice;
        choice.outputPath = folder.U16("window-" + c.file);
        choice.outputKind = c.kind;
        choice.mp3Kbps = 128;
        choice.mp3Quality = 5;
        choice.wmaFormatIndex = 4;
        WriteThroughWindow(text, c.voice, c.speed, choice);

        std::vector<std::string> arguments = {
            "-v", std::to_string(c.voice), "--speed", std::to_string(c.speed), "-o", c.file};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        arguments.push_back("in.txt");
        const Outcome written = Run(arguments);
        ASSERT_EQ(written.status, 0) << c.file << ": " << written.err;
        EXPECT_EQ(written.err, "");

        if (c.kind == OutputKind::Wav) {
            EXPECT_EQ(ReadAll(folder / c.file), ReadAll(folder / ("window-" + c.file))) << c.file;
            continue;
        }
        const DecodedAudio cli = DecodeAudioFile(folder / c.file);
        const DecodedAudio window = DecodeAudioFile(folder / ("window-" + c.file));
        ASSERT_TRUE(cli.Ok() && window.Ok()) << c.file << cli.error;
        EXPECT_EQ(cli.codec, window.codec);
        EXPECT_EQ(cli.sampleRate, window.sampleRate);
        EXPECT_EQ(cli.channels, window.channels);
        EXPECT_EQ(cli.frames, window.frames) << c.file;
        EXPECT_GT(cli.rms, 0.01);
    }
}

TEST_F(CliProcessTest, EstimatesWithTheWindowsSpeedRange) {
    const auto number = [](const Outcome& listed, const std::string& key) {
        const std::size_t at = listed.out.find("\"" + key + "\": ");
        EXPECT_NE(at, std::string::npos) << listed.out;
        return at == std::string::npos ? 0.0 : std::stod(listed.out.substr(at + key.size() + 4));
    };
    WriteAll(folder / "in.txt", "Seven words to be spoken rather slowly.");
    const Outcome listed = Run({"--list-chapters", "--json", "-v", "1", "--speed", "-4", "in.txt"});
    ASSERT_EQ(listed.status, 0) << listed.err;
    Sapi4Engine sapi4;
    Sapi5Engine sapi5;
    const double wordsPerMinute = WordsPerMinute(VoiceCatalogue(sapi4, sapi5), sapi4, 1, -4);
    EXPECT_NEAR(number(listed, "seconds"), 60 * number(listed, "words") / wordsPerMinute, 0.06)
        << listed.out;

    // At a voice's own pace the listed length is near enough the length
    // written to plan by (the pace of this prose is not that of the prose
    // each rate was measured on).
    WriteAll(folder / "prose.txt",
             "The harbour was quiet in the early morning, and the fishing boats rocked gently "
             "against the wooden piers while the gulls argued over scraps on the sea wall. Mary "
             "had lived in the town for thirty years, long enough to remember when the "
             "lighthouse still had a keeper and the ferry left twice a day for the islands. "
             "Every Tuesday she walked to the library, returned the books she had finished, and "
             "chose three more, always one history, one novel and one book about birds.");
    for (const char* voice : {"0", "English (America), SAPI5"}) {
        SCOPED_TRACE(voice);
        const Outcome estimate = Run({"--list-chapters", "--json", "-v", voice, "prose.txt"});
        ASSERT_EQ(estimate.status, 0) << estimate.err;
        const Outcome written =
            Run({"--quiet", "--overwrite", "-v", voice, "-o", "prose.wav", "prose.txt"});
        ASSERT_EQ(written.status, 0) << written.err;
        const DecodedAudio audio = DecodeAudioFile(folder / "prose.wav");
        ASSERT_TRUE(audio.Ok()) << audio.error;
        EXPECT_NEAR(number(estimate, "seconds") / audio.seconds, 1.0, 0.25) << estimate.out;
    }
}

TEST_F(CliProcessTest, ReadsTheThreeEncodingsAlike) {
    WriteAll(folder / "utf8.txt", "Un caf\xC3\xA9 na\xC3\xAFve.");
    WriteAll(folder / "latin1.txt", "Un caf\xE9 na\xEFve.");
    std::string utf16 = "\xFF\xFE";
    for (char16_t c : FromUtf8("Un caf\xC3\xA9 na\xC3\xAFve.")) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>(c >> 8);
    }
    WriteAll(folder / "utf16.txt", utf16);
    for (const char* input : {"utf8", "latin1", "utf16"}) {
        const Outcome written = Run({"-v", "French (France)", "-o", std::string(input) + ".wav",
                                     std::string(input) + ".txt"});
        ASSERT_EQ(written.status, 0) << written.err;
    }
    const std::string expected = ReadAll(folder / "utf8.wav");
    EXPECT_GT(expected.size(), 10000u);
    EXPECT_EQ(ReadAll(folder / "latin1.wav"), expected);
    EXPECT_EQ(ReadAll(folder / "utf16.wav"), expected);
}

TEST_F(CliProcessTest, RefusesWithTheWindowsMessages) {
    WriteAll(folder / "in.txt", "Hello.");
    WriteAll(folder / "taken.wav", "mine");
    struct {
        std::vector<std::string> arguments;
        int status;
        std::string message;
    } cases[] = {
        {{"--mp3", "100", "-o", "a.mp3", "in.txt"}, 2, "Please select MP3 bitrate"},
        {{"--wma", "9", "-o", "a.wma", "in.txt"}, 2, "Please select WMA codec"},
        {{"--wma", "0/999", "-o", "a.wma", "in.txt"}, 2, "Please select WMA format"},
        {{"-v", "no such voice", "in.txt"}, 2, "no voice is called 'no such voice'"},
        {{"-o", "taken.wav", "in.txt"}, 1, "in.txt: taken.wav already exists"},
        {{"-o", "b.wav", "missing.txt"}, 1, "missing.txt: cannot open the file"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = Run(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << outcome.err;
        EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
    }
    EXPECT_EQ(ReadAll(folder / "taken.wav"), "mine");
    EXPECT_EQ(Run({"--overwrite", "-o", "taken.wav", "in.txt"}).status, 0);
    EXPECT_NE(ReadAll(folder / "taken.wav"), "mine");
}

TEST_F(CliProcessTest, BatchGoesOnPastABadInput) {
    std::filesystem::create_directory(folder / "out");
    WriteAll(folder / "a.txt", "The first document.");
    WriteAll(folder / "c.txt", "The third document.");
    const Outcome batch = Run({"-j", "2", "--mp3", "64", "-o", "out", "a.txt", "b.txt", "c.txt"});
    EXPECT_EQ(batch.status, 1);
    EXPECT_NE(batch.err.find("b.txt: cannot open the file"), std::string::npos) << batch.err;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "out"))
        files.push_back(entry.path().filename());
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a.mp3", "c.mp3"}));
}

TEST_F(CliProcessTest, InterruptedBatchLeavesNoPartialFile) {
    std::filesystem::create_directory(folder / "out");
    // Long, but one piece of plain text: written as the window writes it,
    // through an intermediate WAV.
    std::string longText;
    for (int i = 0; i < 75; ++i)
        longText += "This sentence is one of many in a long document. ";
    WriteAll(folder / "short.txt", "Done before the interruption.");
    WriteAll(folder / "long1.txt", longText);
    WriteAll(folder / "long2.txt", longText);
    WriteAll(folder / "long3.txt", longText);
    const pid_t batch = Start({"-j", "2", "--mp3", "64", "-o", "out", "short.txt", "long1.txt",
                               "long2.txt", "long3.txt"});
    // Interrupted once the short document is complete and a long one is being written.
    const auto busy = [&] {
        return std::filesystem::exists(folder / "out/short.mp3") &&
               std::filesystem::exists(folder / "out/long1.mp3.wav");
    };
    for (int i = 0; i < 3000 && !busy(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(busy());
    kill(batch, SIGINT);
    const Outcome outcome = Finish(batch);
    EXPECT_EQ(outcome.status, 130) << outcome.err;
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "out"))
        files.push_back(entry.path().filename());
    EXPECT_EQ(files, std::vector<std::string>{"short.mp3"});
}

} // namespace
