// Many jobs through the real runtimes (flite, espeak-ng, LAME, the WMA writer,
// ALSA's file plugin), each started and stopped at a random moment: Speak and
// Write, both engine generations, WAV, MP3 and WMA output. Every job's file is
// either complete or absent, no intermediate file stays, no message is shown
// and no thread is left. VOCALITH_LOAD_JOBS sets the number of jobs (200);
// run under AddressSanitizer, leaks fail the run at exit.

#include "platform/wmf/wmsdk.h"
#include "src/audio/Mp3Encoder.h"
#include "src/audio/WavFileReader.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/speech/VoiceCatalogue.h"
#include "tests/jobs/JobTestSupport.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/EnvOverride.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>

namespace {

namespace fs = std::filesystem;

int JobCount() {
    const char* count = std::getenv("VOCALITH_LOAD_JOBS");
    return count ? std::atoi(count) : 200;
}

std::size_t ThreadCount() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/task"), {}));
}

bool WavComplete(const fs::path& path) {
    WavFileReader reader;
    if (!reader.open(FromUtf8(path.string())))
        return false;
    char buffer[65536];
    std::uint64_t total = 0;
    for (;;) {
        Result<std::uint32_t> n = reader.read(buffer, sizeof buffer);
        if (!n)
            return false;
        if (*n == 0)
            return total > 0;
        total += *n;
    }
}

// An MP3 or WMA file that FFmpeg decodes to the end without an error.
bool EncodedComplete(const fs::path& path) {
    const DecodedAudio audio = DecodeAudioFile(path.string());
    return audio.opened && audio.decodeErrors == 0 && audio.seconds > 0;
}

enum class Ending { AtOnce, Soon, Later, ByNextJob, Complete };

class LoadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterSapi4Runtime();
        RegisterSapi5Runtime();
        RegisterWmfRuntime();
        // As the window does, the encoder library is kept loaded for the whole
        // run: its process-wide stream table is never freed (a given-up worker
        // may still use it at exit), so unloading the library loses it.
        static auto* window = new Mp3Encoder;
        ASSERT_TRUE(window->loadLibrary());
    }

    ComApartment com;
    ScratchFolder folder;
    RecordingMessageService messages;
    FakeJobHost host;
};

TEST_F(LoadTest, JobsStartedAndStoppedAtRandomLeaveOnlyCompleteFiles) {
    const int jobs = JobCount();
    EnvOverride captured("VOCALITH_ALSA_CAPTURE", (folder / "played.raw").c_str());
    auto control = std::make_unique<JobControl>(host, std::make_unique<Sapi4Engine>(),
                                                std::make_unique<Sapi5Engine>());
    control->CreateStopEvent();
    const VoiceCatalogue voices(control->Sapi4(), control->Sapi5());
    ASSERT_GT(voices.Sapi4Count(), 0u);
    ASSERT_GT(voices.Sapi5Count(), 0u);
    WmaCodecCatalogue wma;
    ASSERT_TRUE(wma.enumerate());
    const int wmaFormats = static_cast<int>(wma.codecs().at(0).formats.size());

    // The runtimes keep a thread or two for the whole process once used; a
    // job of each generation starts them before the threads are counted.
    for (int position : {0, static_cast<int>(voices.Sapi4Count())}) {
        host.voicePosition = position;
        control->StartJob(true, false);
        ASSERT_TRUE(Eventually([&] { return !control->IsJobRunning(); }));
    }
    const std::size_t threadsBefore = ThreadCount();

    const std::u16string texts[] = {
        u"Hello.",
        u"The quick brown fox jumps over the lazy dog. It was not amused.",
        u"One, two, three. Four, five, six! Seven, eight, nine? Ten.",
    };
    const char* const suffixes[] = {".wav", ".mp3", ".wma"};
    const int mp3Kbps[] = {32, 64, 128};
    std::mt19937 random(20261208);
    auto below = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };

    // The Write jobs left to complete: their files must be there.
    std::vector<fs::path> mustExist;
    std::map<std::string, int> started;
    for (int i = 0; i < jobs; ++i) {
        const bool speak = below(4) == 0;
        const bool sapi5 = below(2) == 1;
        const int kind = below(3);
        host.voicePosition = sapi5 ? static_cast<int>(voices.Sapi4Count()) +
                                         below(static_cast<int>(voices.Sapi5Count()))
                                   : below(static_cast<int>(voices.Sapi4Count()));
        host.qualityPosition = below(36);
        host.speedPosition = below(21) - 10;
        host.editorText = texts[below(3)];
        const fs::path output = folder / ("job" + std::to_string(i) + suffixes[kind]);
        host.ChooseOutput(FromUtf8(output.string()), static_cast<OutputKind>(kind));
        host.dialogChoice.mp3Kbps = mp3Kbps[below(3)];
        host.dialogChoice.mp3Quality = below(10);
        host.dialogChoice.mp3Vbr = below(2);
        host.dialogChoice.wmaFormatIndex = below(wmaFormats);
        control->StartJob(speak, false);
        ++started[std::string(speak ? "speak" : suffixes[kind]) + (sapi5 ? " sapi5" : " sapi4")];

        switch (static_cast<Ending>(below(5))) {
        case Ending::AtOnce:
            control->RequestStop();
            break;
        case Ending::Soon:
            std::this_thread::sleep_for(std::chrono::milliseconds(below(20)));
            control->RequestStop();
            break;
        case Ending::Later:
            std::this_thread::sleep_for(std::chrono::milliseconds(20 + below(200)));
            control->RequestStop();
            break;
        case Ending::ByNextJob:
            break;
        case Ending::Complete:
            ASSERT_TRUE(Eventually([&] { return !control->IsJobRunning(); })) << i;
            if (!speak)
                mustExist.push_back(output);
            break;
        }
    }
    control->EndJob();
    EXPECT_FALSE(control->IsJobRunning());
    control->CloseStopEvent();
    control.reset();

    for (const fs::path& path : mustExist)
        EXPECT_TRUE(Exists(path)) << path;
    std::map<std::string, int> left;
    for (const std::string& name : folder.Files()) {
        if (name == "played.raw")
            continue;
        const fs::path path = folder / name;
        const std::string suffix = path.extension().string();
        ++left[suffix];
        if (suffix == ".wav")
            EXPECT_TRUE(WavComplete(path) && !name.ends_with(".mp3.wav") &&
                        !name.ends_with(".wma.wav"))
                << name;
        else if (suffix == ".mp3" || suffix == ".wma")
            EXPECT_TRUE(EncodedComplete(path)) << name;
        else
            ADD_FAILURE() << "unexpected file " << name;
    }
    EXPECT_TRUE(messages.Boxes().empty()) << ToUtf8(messages.Boxes().front().text);
    EXPECT_LE(ThreadCount(), threadsBefore);

    std::printf("%d jobs:", jobs);
    for (const auto& [what, n] : started)
        std::printf(" %s %d,", what.c_str(), n);
    std::printf(" complete files left:");
    for (const auto& [suffix, n] : left)
        std::printf(" %s %d", suffix.c_str(), n);
    std::printf(" (%zu left to complete)\n", mustExist.size());
}

} // namespace
