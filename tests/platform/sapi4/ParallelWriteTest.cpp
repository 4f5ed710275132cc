// A text for a file synthesised on several threads: the same samples as on
// one, tags applying across the sentences that other threads synthesise.

#include "platform/com/strings.h"
#include "platform/sapi4/FliteSpeech.h"
#include "tests/platform/sapi4/RuntimeTestSupport.h"

namespace {

// More threads than this machine may have cores, so that sentences finish
// out of order.
constexpr unsigned kManyThreads = 3;

struct FileThreads {
    explicit FileThreads(unsigned n) { SetFileSynthesisThreads(n); }
    ~FileThreads() { SetFileSynthesisThreads(0); }
};

} // namespace

TEST_F(Sapi4RuntimeTest, ParallelWritesHaveTheSamplesOfOneThreadForEveryVoice) {
    // Tags before, between and inside sentences, and a reset half way.
    const std::u16string text =
        u"\\rst\\ The first sentence is plain. \\spd=320\\\\pit=150\\ The second is faster, "
        u"and higher if the voice can! So is the third? \\vol=30000\\ The fourth is quieter; "
        u"the fifth as well: it \\spd=120\\ slows down.\n\\rst\\ The sixth is plain again. "
        u"The seventh ends the text.";
    for (const TTSMODEINFOW& m : InstalledModes()) {
        SCOPED_TRACE(ToUtf8(ModeName(m)));
        std::optional<WavContents> one, many;
        {
            FileThreads threads(1);
            one = SpeakToWav(m, text);
        }
        {
            FileThreads threads(kManyThreads);
            many = SpeakToWav(m, text);
        }
        ASSERT_TRUE(one && many);
        EXPECT_TRUE(many->complete);
        EXPECT_GT(one->Seconds(), 5.0);
        ASSERT_EQ(one->samples.size(), many->samples.size());
        EXPECT_TRUE(one->samples == many->samples);
    }
}

TEST_F(Sapi4RuntimeTest, ATagHoldsForTheSentencesOtherThreadsSynthesise) {
    FileThreads threads(kManyThreads);
    const TTSMODEINFOW m = InstalledModes().back();
    std::u16string sentences;
    for (int i = 0; i < 8; ++i)
        sentences += u"Sentence number " + FromUtf8(std::to_string(i)) + u" is here. ";
    auto fast = SpeakToWav(m, u"\\spd=400\\ " + sentences);
    auto slow = SpeakToWav(m, u"\\spd=100\\ " + sentences);
    auto loud = SpeakToWav(m, u"\\vol=65535\\ " + sentences);
    auto quiet = SpeakToWav(m, u"\\vol=16384\\ " + sentences);
    ASSERT_TRUE(fast && slow && loud && quiet);
    EXPECT_LT(fast->Seconds() * 3, slow->Seconds());
    // The last sentence, far from the tag, is as quiet as the rest.
    const auto tail = [](const WavContents& w) {
        return std::vector<std::int16_t>(w.samples.end() - w.samples.size() / 8, w.samples.end());
    };
    const double ratio = Rms(tail(*quiet)) / Rms(tail(*loud));
    EXPECT_GT(ratio, 0.2);
    EXPECT_LT(ratio, 0.3);
}
