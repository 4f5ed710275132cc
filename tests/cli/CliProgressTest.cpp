// The progress line as a user sees it: vocalith-cli on a pseudo-terminal
// (script(1) gives it one) shows how much of the text has been spoken.

#include "platform/com/com.h"
#include "platform/sapi4/sapi4.h"
#include "src/cli/BatchTally.h"
#include "src/cli/ProgressLine.h"
#include "src/speech/Sapi4Engine.h"
#include "tests/support/ScratchFolder.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace {

TEST(CliProgress, TheLineAndTheBatchRecordCarryTheSpokenShare) {
    struct {
        std::optional<double> spoken;
        double elapsed;
        std::uint64_t bytes;
        const char* line;
    } cases[] = {
        {std::nullopt, 12, 0, "doc  0:12 elapsed"},
        {0.25, 12, 1363149, "doc  25%  0:12 elapsed  0:36 left  1.3 MB"},
        // A conversion after the speech has no estimate of its own.
        {1.0, 25, 37849129, "doc  100%  0:25 elapsed  36.1 MB"},
    };
    for (const auto& c : cases) {
        const DocumentProgress progress{c.elapsed, c.bytes, c.spoken};
        EXPECT_EQ(ProgressLine("doc", progress), c.line);
        std::string record = ProgressRecord(progress);
        record.pop_back(); // the line's end
        const std::optional<DocumentProgress> passed = ParseProgressRecord(record);
        ASSERT_TRUE(passed);
        EXPECT_EQ(ProgressLine("doc", *passed), c.line);
    }
}

// A document stopped by Ctrl+C was neither written nor did it fail.
TEST(CliProgress, TheBatchLineCountsStoppedDocumentsApart) {
    const auto exited = [](int code) { return code << 8; }; // as waitpid gives it
    const struct {
        std::vector<int> statuses;
        int interrupt;
        const char* line;
        bool failed;
    } cases[] = {
        {{exited(0), exited(1)}, 0, "2 of 4 done, 1 failed:  50%  0:10 elapsed  0:10 left", true},
        {{exited(0), exited(130), SIGINT},
         SIGINT,
         "1 of 4 done, 2 stopped:  25%  0:10 elapsed  0:30 left",
         false},
        {{exited(1), exited(143)},
         SIGTERM,
         "1 of 4 done, 1 failed, 1 stopped:  25%  0:10 elapsed  0:30 left",
         true},
        // Without an interrupt the same status is a document's own failure.
        {{exited(130)}, 0, "1 of 4 done, 1 failed:  25%  0:10 elapsed  0:30 left", true},
    };
    for (const auto& c : cases) {
        BatchTally tally(4);
        for (int status : c.statuses)
            tally.Ended(status, c.interrupt);
        EXPECT_EQ(tally.Line(std::chrono::seconds(10)), c.line);
        EXPECT_EQ(tally.AnyFailed(), c.failed) << c.line;
    }
}

// What the program wrote to its terminal.
std::string RunOnTerminal(const std::string& command) {
    const std::string script = "script -q -e -c '" + command + "' /dev/null </dev/null";
    std::string seen;
    if (FILE* out = ::popen(script.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
            seen.append(buffer, n);
        ::pclose(out);
    }
    return seen;
}

TEST(CliProgress, ATerminalSeesThePercentageSpokenAndTheTimeLeft) {
    RegisterSapi4Runtime();
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    const std::size_t firstSapi5 = Sapi4Engine().VoiceCount();
    CoUninitialize();

    ScratchFolder folder;
    {
        std::ofstream text(folder / "chapter.txt");
        for (int i = 0; i < 200; ++i)
            text << "Sentence " << i << " of the chapter goes on for a while, and then it ends. ";
    }
    const std::string voices[] = {"0", std::to_string(firstSapi5)};
    for (const std::string& voice : voices) {
        SCOPED_TRACE("voice " + voice);
        const std::string seen = RunOnTerminal(std::string(VOCALITH_CLI) + " --overwrite -v " +
                                               voice + " -o " + (folder / "chapter.wav").string() +
                                               " " + (folder / "chapter.txt").string());
        // "chapter.txt  42%  0:01 elapsed  0:02 left  1.3 MB"
        const std::size_t percent = seen.find("%  ");
        ASSERT_NE(percent, std::string::npos) << seen;
        EXPECT_NE(seen.find(" left", percent), std::string::npos) << seen;
        EXPECT_TRUE(std::filesystem::exists(folder / "chapter.wav"));
    }
}

} // namespace
