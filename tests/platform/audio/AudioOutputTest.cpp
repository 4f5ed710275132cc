#include "platform/audio/AudioOutput.h"

#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/TestData.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> Pattern(std::size_t bytes) {
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<std::uint8_t>(i * 13 + i / 509);
    return data;
}

// Points ALSA's "default" at a configuration and the file plugin at a capture
// file for the length of a test; ALSA reads its configuration afresh when the
// path changes.
class AudioOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VOCALITH_ALSA_CAPTURE", capture.c_str(), 1);
        UseConfiguration(TestDataFolder() / "alsa-file.conf");
    }
    void TearDown() override {
        unsetenv("VOCALITH_ALSA_CAPTURE");
        unsetenv("VOCALITH_ALSA_SLOWDOWN");
        setenv("ALSA_CONFIG_PATH", (TestDataFolder() / "alsa-file.conf").c_str(), 1);
    }

    static void UseConfiguration(const fs::path& conf) {
        setenv("ALSA_CONFIG_PATH", conf.c_str(), 1);
    }

    // A device that plays this many times slower than real time.
    static void UseSlowDevice(int slowdown) {
        setenv("VOCALITH_ALSA_SLOWDOWN", std::to_string(slowdown).c_str(), 1);
        UseConfiguration(VOCALITH_PACED_ALSA_CONF);
    }

    // The file plugin passes audio on as the device plays it: once something
    // arrived, the device has started and what was written fills its buffer.
    // False if it has not started within ten seconds.
    bool WaitForPlaying() const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::error_code error;
        while (fs::file_size(capture, error) == 0 || error) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::yield();
        }
        return true;
    }

    ScratchFolder scratch;
    fs::path capture = scratch / "capture.raw";
};

} // namespace

TEST_F(AudioOutputTest, PlaysExactlyWhatWasWritten) {
    const WAVEFORMATEX formats[] = {MakePcmFormat(22050, 16, 1), MakePcmFormat(8000, 8, 2),
                                    MakePcmFormat(48000, 16, 2)};
    for (const WAVEFORMATEX& f : formats) {
        SCOPED_TRACE(+f.nSamplesPerSec);
        const auto data = Pattern(f.nAvgBytesPerSec / 2);
        AudioOutput output;
        ASSERT_EQ(output.Open(f), S_OK);
        EXPECT_TRUE(output.IsOpen());
        // Blocks that cut frames in two, as a synthesiser may hand them over.
        std::size_t at = 0;
        for (std::size_t block = 1; at < data.size(); block = block * 2 + 1) {
            const std::size_t n = std::min(block, data.size() - at);
            ASSERT_EQ(output.Write(data.data() + at, n), S_OK);
            at += n;
        }
        ASSERT_EQ(output.Drain(), S_OK);
        output.Close();
        EXPECT_FALSE(output.IsOpen());
        EXPECT_EQ(ReadBytes(capture), data);
    }
}

TEST_F(AudioOutputTest, PacedDeviceDrainsEverythingAndPlaysOnAfterwards) {
    UseConfiguration(VOCALITH_PACED_ALSA_CONF);
    const WAVEFORMATEX f = MakePcmFormat(16000, 16, 1);
    // Longer than the device buffer, so the writer waits for room.
    const auto first = Pattern(f.nAvgBytesPerSec * 4 / 10);
    const auto second = Pattern(f.nAvgBytesPerSec / 10);
    // Less than one period: below the start threshold, so only Drain starts it.
    const auto third = Pattern(20);
    AudioOutput output;
    ASSERT_EQ(output.Open(f), S_OK);
    ASSERT_EQ(output.Write(first.data(), first.size()), S_OK);
    ASSERT_EQ(output.Drain(), S_OK);
    // One utterance after another on the same output.
    ASSERT_EQ(output.Write(second.data(), second.size()), S_OK);
    ASSERT_EQ(output.Drain(), S_OK);
    ASSERT_EQ(output.Write(third.data(), third.size()), S_OK);
    ASSERT_EQ(output.Drain(), S_OK);
    output.Close();

    auto expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    expected.insert(expected.end(), third.begin(), third.end());
    EXPECT_EQ(ReadBytes(capture), expected);
}

TEST_F(AudioOutputTest, ResetWakesABlockedWriterAndDropsTheRest) {
    // Five seconds of audio at a twentieth of real time: the writer is still
    // blocked long after the first period has played.
    UseSlowDevice(20);
    const WAVEFORMATEX f = MakePcmFormat(22050, 16, 1);
    const auto data = Pattern(f.nAvgBytesPerSec * 5);
    AudioOutput output;
    ASSERT_EQ(output.Open(f), S_OK);

    auto writer =
        std::async(std::launch::async, [&] { return output.Write(data.data(), data.size()); });
    // Reset either way, so that a device that never starts fails the test
    // rather than leave the writer blocked.
    const bool playing = WaitForPlaying();
    output.Reset();
    ASSERT_TRUE(playing);
    EXPECT_EQ(writer.get(), E_ABORT);
    // Stopped for good until it is opened again.
    EXPECT_EQ(output.Write(data.data(), 2), E_ABORT);
    EXPECT_EQ(output.Drain(), E_ABORT);
    output.Close();
    EXPECT_LT(fs::file_size(capture), data.size() / 2);

    UseConfiguration(TestDataFolder() / "alsa-file.conf");
    ASSERT_EQ(output.Open(f), S_OK);
    EXPECT_EQ(output.Write(data.data(), 2000), S_OK);
    EXPECT_EQ(output.Drain(), S_OK);
}

TEST_F(AudioOutputTest, ResetWakesAWaitingDrain) {
    // Three periods, less than the buffer holds: the write returns at once
    // and the drain waits seconds for the last two to play.
    UseSlowDevice(40);
    const WAVEFORMATEX f = MakePcmFormat(22050, 16, 1);
    const auto data = Pattern(f.nAvgBytesPerSec * 15 / 100);
    AudioOutput output;
    ASSERT_EQ(output.Open(f), S_OK);
    ASSERT_EQ(output.Write(data.data(), data.size()), S_OK);

    auto drain = std::async(std::launch::async, [&] { return output.Drain(); });
    // Still waiting while the device plays: it has seconds of audio to go.
    ASSERT_EQ(drain.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    output.Reset();
    EXPECT_EQ(drain.get(), E_ABORT);
}

TEST_F(AudioOutputTest, NoUsableDeviceFailsAtOnce) {
    UseConfiguration(TestDataFolder() / "alsa-none.conf");
    AudioOutput output;
    EXPECT_TRUE(FAILED(output.Open(MakePcmFormat(22050, 16, 1))));
    EXPECT_FALSE(output.IsOpen());
    const std::uint8_t sample[2] = {};
    EXPECT_EQ(output.Write(sample, sizeof sample), E_UNEXPECTED);
    // Reset and Close on an output that never opened are harmless.
    output.Reset();
    output.Close();
}

TEST_F(AudioOutputTest, RefusesFormatsItCannotPlay) {
    AudioOutput output;
    WAVEFORMATEX badAlign = MakePcmFormat(22050, 16, 2);
    badAlign.nBlockAlign = 2;
    EXPECT_EQ(output.Open(MakePcmFormat(22050, 24, 1)), E_INVALIDARG);
    EXPECT_EQ(output.Open(MakePcmFormat(22050, 16, 6)), E_INVALIDARG);
    EXPECT_EQ(output.Open(badAlign), E_INVALIDARG);
    EXPECT_FALSE(output.IsOpen());
}
