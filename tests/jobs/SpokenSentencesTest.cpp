// The sentences a Write job hands back, through the real runtimes: where each
// starts in the text given and when it is heard in the file written, against
// the onsets of speech found in the file itself.

#include "src/speech/VoiceCatalogue.h"
#include "tests/jobs/JobTestSupport.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/WavProbe.h"

#include <cmath>

namespace {

// Abbreviations espeak and flite read on through, a quotation that opens a
// sentence and one that closes it, and characters the SAPI 5 markup escapes
// and the SAPI 4 markup doubles.
const char16_t* const kSentences[] = {
    u"The first sentence starts at the top.",
    u"Prices rose, e.g. on bread and milk, by a third.",
    u"\"Stop there!\" the guard said, and we stopped.",
    u"She said, \"It is late.\"",
    u"Fish & chips < 5 pounds > 3 pounds, at C:\\shop\\menu today.",
    u"Nobody came back.",
};

struct Expected {
    std::u16string text;
    std::vector<std::size_t> starts;
};

// The sentences, `times` over, one paragraph each round.
Expected TextOf(int times) {
    Expected expected;
    for (int round = 0; round < times; ++round) {
        if (round > 0)
            expected.text += u"\n\n";
        for (const char16_t* sentence : kSentences) {
            if (expected.text.size() > 0 && expected.text.back() != u'\n')
                expected.text += u' ';
            expected.starts.push_back(expected.text.size());
            expected.text += sentence;
        }
    }
    return expected;
}

// Where speech starts after at least `quietSeconds` of near-silence; the
// file's start counts as silence. Near-silence lies below -44 dBFS: flite's
// pauses are faint noise, not zeros, and a fricative's noise rises from
// about there.
std::vector<double> SpeechOnsets(const WavContents& wav, double quietSeconds) {
    const std::vector<float> mono = ToMono(wav.data, wav.format);
    const auto quietNeeded = static_cast<std::size_t>(quietSeconds * wav.format.nSamplesPerSec);
    std::vector<double> onsets;
    std::size_t quiet = quietNeeded;
    for (std::size_t i = 0; i < mono.size(); ++i) {
        if (std::abs(mono[i]) < 0.006f) {
            ++quiet;
            continue;
        }
        if (quiet >= quietNeeded)
            onsets.push_back(Seconds(i, wav.format.nSamplesPerSec));
        quiet = 0;
    }
    return onsets;
}

double NearestOnset(const std::vector<double>& onsets, double seconds) {
    double nearest = 1e9;
    for (double onset : onsets)
        if (std::abs(onset - seconds) < std::abs(nearest - seconds))
            nearest = onset;
    return nearest;
}

class SpokenSentencesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterSapi4Runtime();
        RegisterSapi5Runtime();
    }
    void SetUp() override {
        control = std::make_unique<JobControl>(host, std::make_unique<Sapi4Engine>(),
                                               std::make_unique<Sapi5Engine>());
        control->CreateStopEvent();
    }
    void TearDown() override {
        control->EndJob();
        control->CloseStopEvent();
    }

    // The catalogue position of the first voice whose name starts so.
    int VoiceNamed(std::u16string_view start) const {
        const VoiceCatalogue catalogue(control->Sapi4(), control->Sapi5());
        for (std::size_t i = 0; i < control->Sapi5().VoiceCount(); ++i)
            if (control->Sapi5().Voice(i).displayName.starts_with(start))
                return static_cast<int>(catalogue.Sapi4Count() + i);
        return -1;
    }

    ComApartment com;
    ScratchFolder folder;
    RecordingMessageService messages;
    FakeJobHost host;
    std::unique_ptr<JobControl> control;
};

TEST_F(SpokenSentencesTest, EachSentenceStartsWhereItsSpeechIsHeard) {
    const int espeak = VoiceNamed(u"English (America)");
    ASSERT_GE(espeak, 0);
    // Long texts are synthesised by helper processes, in stretches.
    const struct {
        const char* name;
        int voice;
        int quality;
        const char* processes;
        int rounds;
        int speed = 0;
    } cases[] = {
        {"flite", 0, 18, "1", 1},
        {"flite, long", 0, 18, "1", 30},
        {"flite, fastest", 0, 18, "1", 1, 10},
        {"espeak", espeak, 18, "1", 1},
        {"espeak, 48 kHz stereo", espeak, 35, "1", 1},
        {"espeak, slowest", espeak, 18, "1", 1, -10},
        {"espeak, fastest", espeak, 18, "1", 1, 10},
        {"espeak in helpers", espeak, 18, "2", 30},
        {"espeak in helpers, 48 kHz stereo", espeak, 35, "2", 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EnvOverride processes("VOCALITH_SYNTHESIS_PROCESSES", c.processes);
        const Expected expected = TextOf(c.rounds);
        host.editorText = expected.text;
        host.voicePosition = c.voice;
        host.qualityPosition = c.quality;
        host.speedPosition = c.speed;
        const std::filesystem::path path = folder / (std::string(c.name) + ".wav");
        host.ChooseOutput(FromUtf8(path.string()));
        auto sentences = std::make_shared<SpokenSentences>();
        control->StartJob(false, false, sentences);
        ASSERT_TRUE(Eventually([&] { return !control->IsJobRunning(); }));

        const std::optional<WavContents> wav = ReadWav(path);
        ASSERT_TRUE(wav);
        // At the fastest rate espeak pauses some 50 ms between sentences.
        const std::vector<double> onsets = SpeechOnsets(*wav, c.speed == 10 ? 0.04 : 0.15);
        ASSERT_EQ(sentences->size(), expected.starts.size());
        double worst = 0;
        for (std::size_t i = 0; i < sentences->size(); ++i) {
            const SpokenSentence& s = (*sentences)[i];
            EXPECT_EQ(s.position, expected.starts[i]) << "sentence " << i;
            const double error = s.seconds - NearestOnset(onsets, s.seconds);
            EXPECT_LT(std::abs(error), 0.05) << "sentence " << i << " at " << s.seconds << " s";
            worst = std::max(worst, std::abs(error));
        }
        std::printf("%s: worst onset error %.1f ms\n", c.name, worst * 1000);
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

} // namespace
