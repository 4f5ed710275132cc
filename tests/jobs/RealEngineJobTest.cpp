// Jobs through the real runtimes: flite behind SAPI 4, espeak-ng behind
// SAPI 5, ALSA's file plugin as the default output.

#include "src/audio/WavFileReader.h"
#include "src/resources/resource.h"
#include "src/speech/AudioFormatTable.h"
#include "src/speech/VoiceCatalogue.h"
#include "tests/jobs/JobTestSupport.h"
#include "tests/support/EnvOverride.h"

#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

struct WavSummary {
    WAVEFORMATEX format{};
    std::uint64_t dataBytes = 0;
    int peak = 0; // largest distance from silence, in 16-bit units
};

WavSummary Summarise(const std::filesystem::path& path) {
    WavSummary summary;
    WavFileReader reader;
    if (!reader.open(FromUtf8(path.string())))
        return summary;
    summary.format = reader.format;
    std::vector<unsigned char> buffer(65536);
    const bool eightBit = reader.format.wBitsPerSample == 8;
    for (;;) {
        const Result<std::uint32_t> read =
            reader.read(buffer.data(), static_cast<std::uint32_t>(buffer.size()));
        const std::uint32_t n = read ? *read : 0;
        if (n == 0)
            break;
        summary.dataBytes += n;
        if (eightBit) {
            for (std::uint32_t i = 0; i < n; ++i)
                summary.peak = std::max(summary.peak, std::abs((buffer[i] - 128) * 256));
        } else {
            for (std::uint32_t i = 0; i + 1 < n; i += 2) {
                auto sample = static_cast<std::int16_t>(buffer[i] | buffer[i + 1] << 8);
                summary.peak = std::max(summary.peak, std::abs(static_cast<int>(sample)));
            }
        }
    }
    return summary;
}

class RealEngineJobTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterSapi4Runtime();
        RegisterSapi5Runtime();
    }
    void SetUp() override {
        control = std::make_unique<JobControl>(host, std::make_unique<Sapi4Engine>(),
                                               std::make_unique<Sapi5Engine>());
        control->CreateStopEvent();
        host.editorText = u"The quick brown fox jumps over the lazy dog.";
    }
    void TearDown() override {
        control->EndJob();
        control->CloseStopEvent();
    }

    void Write(int position, const std::string& name, int quality = 18) {
        host.voicePosition = position;
        host.qualityPosition = quality;
        host.ChooseOutput(folder.U16(name));
        control->StartJob(false, false);
        ASSERT_TRUE(Eventually([&] { return !control->IsJobRunning(); }));
    }

    ComApartment com;
    ScratchFolder folder;
    RecordingMessageService messages;
    FakeJobHost host;
    std::unique_ptr<JobControl> control;
};

TEST_F(RealEngineJobTest, EveryFliteVoiceWritesSpeech) {
    const std::size_t k = control->Sapi4().VoiceCount();
    ASSERT_GT(k, 0u);
    host.speedPosition = 3;
    host.pitchPosition = -2;
    host.volumePosition = 80;
    for (std::size_t p = 0; p < k; ++p) {
        const std::string name = "flite" + std::to_string(p) + ".wav";
        Write(static_cast<int>(p), name);
        WavSummary wav = Summarise(folder / name);
        EXPECT_EQ(wav.format.wFormatTag, 1) << name;
        EXPECT_GT(wav.dataBytes, wav.format.nAvgBytesPerSec / 2) << name;
        EXPECT_GT(wav.peak, 1000) << name;
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(RealEngineJobTest, EspeakVoicesWriteTheChosenFormat) {
    const VoiceCatalogue catalogue(control->Sapi4(), control->Sapi5());
    ASSERT_GT(catalogue.Sapi5Count(), 0u);
    const int first = static_cast<int>(catalogue.Sapi4Count());
    const int last = static_cast<int>(catalogue.Count()) - 1;
    const struct {
        int position, quality;
    } jobs[] = {{first, 0}, {first, 19}, {last, 35}, {first + 1 <= last ? first + 1 : first, 9}};
    int n = 0;
    for (const auto& job : jobs) {
        const std::string name = "espeak" + std::to_string(n++) + ".wav";
        Write(job.position, name, job.quality);
        const AudioFormatRow& row = AudioFormatTable::Row(job.quality);
        WavSummary wav = Summarise(folder / name);
        EXPECT_EQ(wav.format.nSamplesPerSec, row.sampleRate) << name;
        EXPECT_EQ(wav.format.wBitsPerSample, row.bits) << name;
        EXPECT_EQ(wav.format.nChannels, row.channels) << name;
        EXPECT_GT(wav.dataBytes, wav.format.nAvgBytesPerSec / 2) << name;
        EXPECT_GT(wav.peak, 1000) << name;
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

// Outputs that are not plain files, with a flite and an espeak-ng voice: a
// FIFO nobody reads is refused at once (it would block the job beyond the
// reach of Stop), and a device node written to and stopped is never deleted.
TEST_F(RealEngineJobTest, FifosAreRefusedAndDevicesNeverDeleted) {
    const VoiceCatalogue catalogue(control->Sapi4(), control->Sapi5());
    const std::filesystem::path fifo = folder / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::filesystem::path device = folder / "null";
    const bool haveDevice = ::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
    std::u16string text;
    for (int i = 0; i < 200; ++i)
        text += u"A sentence among many in a long text. ";
    host.editorText = text;

    for (int position : {0, static_cast<int>(catalogue.Sapi4Count())}) {
        host.voicePosition = position;
        for (OutputKind kind : {OutputKind::Wav, OutputKind::Mp3, OutputKind::Wma}) {
            SCOPED_TRACE(testing::Message()
                         << "voice " << position << " kind " << static_cast<int>(kind));
            messages.Clear();
            host.ChooseOutput(FromUtf8(fifo.string()), kind);
            control->StartJob(false, false);
            ASSERT_TRUE(
                Eventually([&] { return !control->IsJobRunning(); }, std::chrono::seconds(5)));
            EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_TTS_OUTPUT_FILE});
            EXPECT_TRUE(std::filesystem::is_fifo(fifo));
            if (!haveDevice)
                continue;
            messages.Clear();
            host.ChooseOutput(FromUtf8(device.string()), OutputKind::Wav);
            control->StartJob(false, false);
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            control->RequestStop();
            ASSERT_TRUE(Eventually([&] { return !control->IsJobRunning(); }));
            EXPECT_TRUE(std::filesystem::is_character_file(device));
            EXPECT_TRUE(messages.Boxes().empty());
        }
    }
    if (!haveDevice)
        GTEST_SKIP() << "no permission to make a device node";
}

// A long text spoken to the default output, stopped once its audio flows:
// the job ends and the output stops growing, far short of the whole text.
TEST_F(RealEngineJobTest, StopSilencesSpeechOnTheDefaultOutput) {
    std::u16string text;
    for (int i = 0; i < 400; ++i)
        text += u"This sentence is one of many that make a very long text. ";
    host.editorText = text;
    const std::filesystem::path capture = folder / "played.raw";
    EnvOverride captured("VOCALITH_ALSA_CAPTURE", capture.c_str());

    const VoiceCatalogue catalogue(control->Sapi4(), control->Sapi5());
    for (int position : {0, static_cast<int>(catalogue.Sapi4Count())}) {
        std::filesystem::remove(capture);
        host.voicePosition = position;
        control->StartJob(true, false);
        ASSERT_TRUE(Eventually([&] {
            return Exists(capture) && std::filesystem::file_size(capture) > 0;
        })) << "position "
            << position;
        control->RequestStop();
        ASSERT_TRUE(Eventually([&] { return !control->IsJobRunning(); }));
        const auto played = std::filesystem::file_size(capture);
        control->EndJob();
        EXPECT_EQ(std::filesystem::file_size(capture), played);
        // 400 sentences last well over ten minutes; 16-bit audio at 8 kHz
        // or more would fill far more than 10 MB.
        EXPECT_LT(played, 10u * 1024 * 1024) << "position " << position;
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

} // namespace
