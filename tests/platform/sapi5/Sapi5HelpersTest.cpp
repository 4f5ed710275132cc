// A long text written to a file is synthesised in helper processes: the
// audio, bookmarks and progress are as if synthesised in the program, a stop
// leaves no process behind, and a helper that is missing or dies costs
// nothing but time.

#include "Sapi5RuntimeFixture.h"
#include "platform/com/PrivateLibrary.h"
#include "platform/sapi5/ChunkPlanner.h"
#include "tests/support/EnvOverride.h"

#include <cerrno>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>

namespace {

// Stretches end only where espeak starts a sentence and no element is open.
TEST(ChunkPlanner, CutsWhereASentenceStartsOutsideElements) {
    const struct {
        std::u16string text;
        std::vector<std::size_t> starts;
    } cases[] = {
        {u"One. Two! Three? Four", {5, 10, 17}},
        {u"He said \"stop.\" Then (left.) Gone", {16, 29}},
        {u"Say e.g. this, or 3.5 of them.", {}},
        {u"<emphasis>One. Two.</emphasis> Three. <mark name=\"0\"/>Four", {38}},
        {u"<s>One.</s> <p>Two</p>\n\nThree", {24}},
        {u"A heading\n\nThe text. ", {11}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.text));
        EXPECT_EQ(SentenceStarts(c.text), c.starts);
    }
}

// Sentences of several kinds, each after a bookmark numbered by its place,
// with prosody changing in the middle of the stretches a helper gets.
std::u16string MarkedText() {
    const std::u16string sentences[] = {
        u"The quick brown fox jumps over the lazy dog, and nobody minds.",
        u"Is this the end of the road, or only a bend in it?",
        u"Call me Ishmael!",
        u"It was a bright cold day in April, and the clocks were striking thirteen.\n\n",
    };
    std::u16string text;
    for (int i = 0; i < 120; ++i) {
        if (i == 50)
            text += u"<rate absspeed=\"4\"/><volume level=\"60\"/>";
        if (i == 70)
            text += u"<pitch middle=\"6\">";
        if (i == 95)
            text += u"</pitch><rate absspeed=\"-3\"/>";
        text +=
            u"<bookmark mark=\"" + FromUtf8(std::to_string(i)) + u"\"/>" + sentences[i % 4] + u" ";
    }
    return text;
}

// Where each sentence starts: the first sound after a pause of 150 ms or
// more (a comma's is shorter).
std::vector<std::size_t> SentenceStarts(const std::vector<std::int16_t>& samples, unsigned rate) {
    std::vector<std::size_t> starts;
    std::size_t quiet = rate;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) <= 16) {
            ++quiet;
            continue;
        }
        if (quiet >= rate * 150 / 1000)
            starts.push_back(i);
        quiet = 0;
    }
    starts.push_back(samples.size());
    return starts;
}

// Of the child processes ended so far.
double HelperCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

class Sapi5Helpers : public Sapi5Runtime {
protected:
    struct Written {
        std::vector<std::size_t> starts; // of the sentences, and the end
        std::vector<WPARAM> marks;       // the bookmarks raised, in order
        std::vector<long> markedAt;      // and the samples they were raised at
        double loudness = 0;
        double helperCpu = 0; // seconds, of the helper processes
    };

    // Writes the text at espeak's own rate in that many processes.
    Written Write(const char* processes, const char* helper = nullptr) {
        EnvOverride count("VOCALITH_SYNTHESIS_PROCESSES", processes);
        EnvOverride program("VOCALITH_ESPEAK_HELPER", helper);
        std::vector<SPEVENT> events;
        const double helperCpu = HelperCpuSeconds();
        auto wav = SpeakToFile(MarkedText(), SPSF_22kHz16BitMono, "gmw/en-US",
                               SPFEI(SPEI_TTS_BOOKMARK), &events);
        Written written;
        written.helperCpu = HelperCpuSeconds() - helperCpu;
        for (auto& event : events) {
            written.marks.push_back(event.wParam);
            written.markedAt.push_back(static_cast<long>(event.ullAudioStreamOffset / 2));
            SpClearEvent(&event);
        }
        if (wav) {
            written.starts = SentenceStarts(wav->samples, wav->format.nSamplesPerSec);
            written.loudness = Rms(wav->samples);
        }
        return written;
    }

    // espeak-ng's output depends on what its process synthesised before (the
    // phase of its pitch flutter, among other state): one text written twice
    // in one process differs by up to two pitch periods per sentence, some
    // 40 samples on average. The same bounds hold the helpers' audio to the
    // program's.
    static void ExpectAlike(const Written& ours, const Written& reference) {
        std::vector<WPARAM> all(120);
        std::iota(all.begin(), all.end(), 0);
        EXPECT_EQ(ours.marks, all);
        // The differences add up along the text, to a tenth of a percent.
        ASSERT_EQ(ours.markedAt.size(), reference.markedAt.size());
        for (std::size_t i = 0; i < ours.markedAt.size(); ++i)
            EXPECT_NEAR(ours.markedAt[i], reference.markedAt[i], 600 + reference.markedAt[i] / 1000)
                << "mark " << i;
        ASSERT_EQ(ours.starts.size(), reference.starts.size());
        ASSERT_GE(ours.starts.size(), 120u);
        // A slow sentence's length varies more: a 5 s one takes one of three
        // lengths some 750 samples apart from run to run.
        long total = 0;
        for (std::size_t i = 1; i < ours.starts.size(); ++i) {
            const long length = static_cast<long>(ours.starts[i] - ours.starts[i - 1]);
            const long expected = static_cast<long>(reference.starts[i] - reference.starts[i - 1]);
            EXPECT_NEAR(length, expected, 600 + expected / 200) << "sentence " << i;
            total += std::labs(length - expected);
        }
        EXPECT_LE(total / static_cast<long>(ours.starts.size()), 64);
        EXPECT_NEAR(ours.loudness, reference.loudness, reference.loudness * 0.01);
    }
};

TEST_F(Sapi5Helpers, HelpersWriteTheSentencesAsOneProcessDoes) {
    const Written one = Write("1");
    const Written helpers = Write("2");
    ExpectAlike(helpers, one);
    // The helpers synthesised: starting them takes a hundredth of this, the
    // text some 0.4 s (more under the sanitizers).
    EXPECT_GT(helpers.helperCpu, 0.1);
    ExpectAlike(Write("1"), one);
}

TEST_F(Sapi5Helpers, AMissingOrDyingHelperLeavesTheWriteToTheProgram) {
    const Written one = Write("1");
    for (const char* helper : {"/nonexistent/vocalith-espeak-helper", "/bin/false"}) {
        SCOPED_TRACE(helper);
        ExpectAlike(Write("2", helper), one);
    }
    // One of two helpers takes a stretch and dies without answering while the
    // other goes on: the other takes the stretch over.
    const std::string real = FindPrivateProgram("vocalith-espeak-helper");
    ASSERT_FALSE(real.empty());
    const std::filesystem::path script = dir / "one-dies.sh";
    std::ofstream(script) << "#!/bin/sh\nmkdir '" << (dir / "died").string()
                          << "' 2>/dev/null && exec sleep 1\nexec '" << real << "' \"$@\"\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    SCOPED_TRACE("one of two dies");
    ExpectAlike(Write("2", script.c_str()), one);
}

std::size_t Threads() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                      std::filesystem::directory_iterator()));
}

TEST_F(Sapi5Helpers, APurgeEndsTheHelpersAtOnce) {
    EnvOverride count("VOCALITH_SYNTHESIS_PROCESSES", "2");
    const std::filesystem::path path = dir / "purged.wav";
    ISpVoice* voice = Voice();
    ISpStream* stream = BoundStream(path, SPSF_22kHz16BitMono);
    ASSERT_EQ(voice->SetOutput(stream, TRUE), S_OK);
    const std::size_t threads = Threads();
    const std::u16string text = LongText() + LongText() + LongText();
    ASSERT_EQ(voice->Speak(text.c_str(), kXmlAsync, nullptr), S_OK);
    for (int i = 0; i < 6000 && std::filesystem::file_size(path) < 100000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(std::filesystem::file_size(path), 100000u);
    ASSERT_FALSE(voice->SpeakCompleteEvent()->IsSet());

    ASSERT_EQ(voice->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr), S_OK);
    EXPECT_TRUE(voice->SpeakCompleteEvent()->IsSet());
    // Every helper was killed and reaped before the purge returned.
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(Threads(), threads);
    SafeRelease(stream);
    SafeRelease(voice);
}

} // namespace
