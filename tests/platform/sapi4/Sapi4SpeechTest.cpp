// Speech from the runtime: files, the sound device, tags, notifications,
// reset and release while the synthesis thread is busy.

#include "platform/com/strings.h"
#include "platform/sync/sync.h"
#include "tests/platform/sapi4/RuntimeTestSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

namespace fs = std::filesystem;

namespace {

const std::u16string kSentence =
    u"The quick brown fox jumps over the lazy dog, and then it runs away into the forest.";
constexpr double kSentenceWords = 17;

std::u16string LongText(int sentences) {
    std::u16string text;
    for (int i = 0; i < sentences; ++i)
        text += kSentence + u" ";
    return text;
}

std::vector<std::int16_t> ReadRaw16(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> samples(b.size() / 2);
    std::copy_n(b.data(), samples.size() * 2, reinterpret_cast<char*>(samples.data()));
    return samples;
}

DWORD DefaultSpeed(Sapi4RuntimeTest*, ITTSCentralW* central) {
    ITTSAttributesW* a = nullptr;
    DWORD speed = 0;
    if (SUCCEEDED(central->QueryInterface(IID_ITTSAttributesW, reinterpret_cast<void**>(&a)))) {
        a->SpeedGet(&speed);
        a->Release();
    }
    return speed;
}

} // namespace

TEST_F(Sapi4RuntimeTest, EachVoiceWritesACompleteAudibleWavInItsOwnFormat) {
    for (const TTSMODEINFOW& m : InstalledModes()) {
        SCOPED_TRACE(ToUtf8(ModeName(m)));
        auto wav = SpeakToWav(m, u"\\rst\\ " + kSentence);
        ASSERT_TRUE(wav);
        EXPECT_TRUE(wav->complete);
        EXPECT_EQ(wav->format.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(wav->format.nChannels, 1);
        EXPECT_EQ(wav->format.wBitsPerSample, 16);
        // Kal is the one 8 kHz voice flite ships; the others sing at 16 kHz.
        const bool kal8 = ModeName(m) == u"Kal (flite)";
        EXPECT_EQ(wav->format.nSamplesPerSec, kal8 ? 8000u : 16000u);
        EXPECT_EQ(wav->format.nAvgBytesPerSec, wav->format.nSamplesPerSec * 2);
        EXPECT_GT(Rms(wav->samples), 300.0);
        // About as long as seventeen words take at the voice's own pace.
        IAudioMultiMediaDevice* device = CreateDeviceDest();
        ITTSCentralW* central = Select(m, device);
        const double expected = kSentenceWords * 60.0 / DefaultSpeed(this, central);
        central->Release();
        device->Release();
        EXPECT_GT(wav->Seconds(), expected * 0.6);
        EXPECT_LT(wav->Seconds(), expected * 1.6);
    }
}

TEST_F(Sapi4RuntimeTest, SpeedVolumeAndPitchTagsChangeTheSound) {
    const auto modes = InstalledModes();
    ASSERT_FALSE(modes.empty());
    for (const TTSMODEINFOW& m : modes) {
        SCOPED_TRACE(ToUtf8(ModeName(m)));
        auto slow = SpeakToWav(m, u"\\spd=80\\ " + kSentence);
        auto fast = SpeakToWav(m, u"\\spd=400\\ " + kSentence);
        ASSERT_TRUE(slow && fast);
        EXPECT_LT(fast->Seconds() * 2, slow->Seconds());

        auto loud = SpeakToWav(m, u"\\vol=65535\\ " + kSentence);
        auto half = SpeakToWav(m, u"\\vol=32767\\ " + kSentence);
        ASSERT_TRUE(loud && half);
        const double ratio = Rms(half->samples) / Rms(loud->samples);
        EXPECT_GT(ratio, 0.4);
        EXPECT_LT(ratio, 0.6);

        if (m.dwFeatures & TTSFEATURE_PITCH) {
            auto low = SpeakToWav(m, u"\\pit=70\\ " + kSentence);
            auto high = SpeakToWav(m, u"\\pit=180\\ " + kSentence);
            ASSERT_TRUE(low && high);
            const double f0Low =
                MedianPitch(ToMono(low->data, low->format), low->format.nSamplesPerSec);
            const double f0High =
                MedianPitch(ToMono(high->data, high->format), high->format.nSamplesPerSec);
            EXPECT_GT(f0High, f0Low * 1.8) << f0Low << " Hz against " << f0High << " Hz";
        }
    }
}

TEST_F(Sapi4RuntimeTest, ResetTagRestoresTheVoicesDefaults) {
    const TTSMODEINFOW m = InstalledModes().at(0);
    auto plain = SpeakToWav(m, kSentence);
    auto reset = SpeakToWav(m, u"\\spd=400\\\\vol=100\\\\rst\\" + kSentence);
    ASSERT_TRUE(plain && reset);
    EXPECT_EQ(plain->samples, reset->samples);
}

TEST_F(Sapi4RuntimeTest, NotificationsArriveOnTheTextDataThreadWhileItDispatches) {
    const TTSMODEINFOW m = InstalledModes().at(0);
    IAudioFile* file = CreateFileDest();
    ITTSCentralW* central = Select(m, file);
    ASSERT_EQ(file->Set(FromUtf8((dir / "n.wav").string()).c_str(), 1), S_OK);
    auto* sink = new RecordingSink;
    DWORD key = 0;
    ASSERT_EQ(central->Register(static_cast<ITTSNotifySinkW*>(sink), IID_ITTSNotifySinkW, &key),
              S_OK);
    EXPECT_NE(key, 0u);
    ASSERT_EQ(Speak(central, kSentence), S_OK);
    ASSERT_TRUE(PumpMessagesUntil([&] { return sink->Stopped(); }));
    const auto events = sink->Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, RecordingSink::Kind::Start);
    EXPECT_EQ(events[1].kind, RecordingSink::Kind::Stop);
    for (const auto& e : events)
        EXPECT_EQ(e.thread, GetCurrentThreadId());

    // An unregistered sink hears nothing more, even of a text already under way.
    ASSERT_EQ(Speak(central, kSentence), S_OK);
    EXPECT_EQ(central->UnRegister(key), S_OK);
    EXPECT_TRUE(FAILED(central->UnRegister(key)));
    auto* second = new RecordingSink;
    ASSERT_EQ(central->Register(static_cast<ITTSNotifySinkW*>(second), IID_ITTSNotifySinkW, &key),
              S_OK);
    ASSERT_TRUE(PumpMessagesUntil([&] { return second->Stopped(); }));
    EXPECT_EQ(sink->Events().size(), 2u);

    central->Release();
    file->Release();
    sink->Release();
    second->Release();
}

TEST_F(Sapi4RuntimeTest, AudioResetStopsALongTextAndLeavesAWavOfWhatWasWritten) {
    const TTSMODEINFOW m = InstalledModes().at(0);
    const fs::path path = dir / "reset.wav";
    IAudioFile* file = CreateFileDest();
    ITTSCentralW* central = Select(m, file);
    // Written at the pace of real time, so that a long text takes long.
    ASSERT_EQ(file->RealTimeSet(0x100), S_OK);
    ASSERT_EQ(file->Set(FromUtf8(path.string()).c_str(), 1), S_OK);
    auto* sink = new RecordingSink;
    DWORD key = 0;
    ASSERT_EQ(central->Register(static_cast<ITTSNotifySinkW*>(sink), IID_ITTSNotifySinkW, &key),
              S_OK);
    ASSERT_EQ(Speak(central, LongText(60)), S_OK);
    QWORD position = 0;
    ASSERT_TRUE(PumpMessagesUntil([&] {
        central->PosnGet(&position);
        return position > 0;
    }));
    EXPECT_EQ(central->AudioReset(), S_OK);
    ASSERT_TRUE(PumpMessagesUntil([&] { return sink->Stopped(); }));
    EXPECT_EQ(file->Flush(), S_OK);
    auto wav = ReadWav(path);
    ASSERT_TRUE(wav);
    EXPECT_TRUE(wav->complete);
    EXPECT_GT(wav->samples.size(), 0u);
    // Sixty sentences last some five minutes; far less than that was written.
    EXPECT_LT(wav->Seconds(), 60.0);

    // The engine speaks again after a reset.
    ASSERT_EQ(file->Set(FromUtf8((dir / "after.wav").string()).c_str(), 1), S_OK);
    auto* again = new RecordingSink;
    ASSERT_EQ(central->Register(static_cast<ITTSNotifySinkW*>(again), IID_ITTSNotifySinkW, &key),
              S_OK);
    ASSERT_EQ(file->RealTimeSet(0xFFFF), S_OK);
    ASSERT_EQ(Speak(central, kSentence), S_OK);
    ASSERT_TRUE(PumpMessagesUntil([&] { return again->Stopped(); }));
    EXPECT_EQ(file->Flush(), S_OK);
    auto after = ReadWav(dir / "after.wav");
    ASSERT_TRUE(after);
    EXPECT_GT(after->Seconds(), 2.0);

    central->Release();
    file->Release();
    sink->Release();
    again->Release();
}

TEST_F(Sapi4RuntimeTest, ReleasingEverythingWhileSpeakingCompletesTheFile) {
    const TTSMODEINFOW m = InstalledModes().at(0);
    const fs::path path = dir / "released.wav";
    IAudioFile* file = CreateFileDest();
    ITTSCentralW* central = Select(m, file);
    ASSERT_EQ(file->RealTimeSet(0x100), S_OK);
    ASSERT_EQ(file->Set(FromUtf8(path.string()).c_str(), 1), S_OK);
    auto* sink = new RecordingSink;
    DWORD key = 0;
    ASSERT_EQ(central->Register(static_cast<ITTSNotifySinkW*>(sink), IID_ITTSNotifySinkW, &key),
              S_OK);
    ASSERT_EQ(Speak(central, LongText(30)), S_OK);
    ASSERT_TRUE(PumpMessagesUntil([&] { return sink->Started(); }));
    // The synthesis thread holds what it still touches.
    file->Release();
    central->Release();
    ASSERT_TRUE(PumpMessagesUntil([&] { return sink->Stopped(); }));
    sink->Release();
    // The destination went with the synthesis thread's last reference and
    // completed its file on the way.
    ASSERT_TRUE(PumpMessagesUntil([&] {
        auto wav = ReadWav(path);
        return wav && wav->complete;
    }));
}

TEST_F(Sapi4RuntimeTest, SpeakersPlayThroughTheDefaultDevice) {
    // Kal's synthesis has no random excitation, so two renderings are equal.
    const TTSMODEINFOW m = InstalledModes().at(0);
    // Creating the destination and selecting an engine touch no device.
    IAudioMultiMediaDevice* device = CreateDeviceDest();
    EXPECT_EQ(device->DeviceNumSet(WAVE_MAPPER), S_OK);
    ITTSCentralW* central = Select(m, device);
    EXPECT_FALSE(fs::exists(capture));
    auto* sink = new RecordingSink;
    DWORD key = 0;
    ASSERT_EQ(central->Register(static_cast<ITTSNotifySinkW*>(sink), IID_ITTSNotifySinkW, &key),
              S_OK);
    ASSERT_EQ(Speak(central, kSentence), S_OK);
    ASSERT_TRUE(PumpMessagesUntil([&] { return sink->Stopped(); }));
    central->Release();
    device->Release();
    sink->Release();

    const auto played = ReadRaw16(capture);
    auto wav = SpeakToWav(m, kSentence);
    ASSERT_TRUE(wav);
    // What reached the device is exactly what the file destination writes.
    EXPECT_EQ(played, wav->samples);
    EXPECT_GT(Rms(played), 300.0);
}

TEST_F(Sapi4RuntimeTest, ResetSilencesTheSpeakersAtOnce) {
    const TTSMODEINFOW m = InstalledModes().back();
    IAudioMultiMediaDevice* device = CreateDeviceDest();
    ITTSCentralW* central = Select(m, device);
    auto* sink = new RecordingSink;
    DWORD key = 0;
    ASSERT_EQ(central->Register(static_cast<ITTSNotifySinkW*>(sink), IID_ITTSNotifySinkW, &key),
              S_OK);
    ASSERT_EQ(Speak(central, LongText(100)), S_OK);
    ASSERT_TRUE(PumpMessagesUntil([&] { return sink->Started(); }));
    EXPECT_EQ(central->AudioReset(), S_OK);
    ASSERT_TRUE(PumpMessagesUntil([&] { return sink->Stopped(); }));
    QWORD position = 0;
    central->PosnGet(&position);
    // A hundred sentences are some eight minutes of audio at 32000 bytes a second.
    EXPECT_LT(position, 100u * 4 * 32000);
    central->Release();
    device->Release();
    sink->Release();
}

TEST_F(Sapi4RuntimeTest, NoSoundDeviceFailsTextDataAtOnce) {
    UseAlsaConfiguration("alsa-none.conf");
    const TTSMODEINFOW m = InstalledModes().at(0);
    IAudioMultiMediaDevice* device = CreateDeviceDest();
    ITTSCentralW* central = Select(m, device);
    ASSERT_NE(central, nullptr);
    auto* sink = new RecordingSink;
    DWORD key = 0;
    ASSERT_EQ(central->Register(static_cast<ITTSNotifySinkW*>(sink), IID_ITTSNotifySinkW, &key),
              S_OK);
    EXPECT_TRUE(FAILED(Speak(central, kSentence)));
    // Nothing was accepted, so nothing is announced.
    MSG msg;
    while (PeekMessage(&msg, PM_REMOVE))
        DispatchMessage(&msg);
    EXPECT_TRUE(sink->Events().empty());
    central->Release();
    device->Release();
    sink->Release();
}

TEST_F(Sapi4RuntimeTest, TextDataRefusesWhatItCannotSpeak) {
    const TTSMODEINFOW m = InstalledModes().at(0);
    IAudioFile* file = CreateFileDest();
    ITTSCentralW* central = Select(m, file);
    std::u16string text = u"hello";
    SDATA data{text.data(), static_cast<DWORD>((text.size() + 1) * 2)};
    // No file named yet: the audio would have nowhere to go.
    EXPECT_TRUE(FAILED(central->TextData(CHARSET_TEXT, 0, data, nullptr, IID_ITTSBufNotifySink)));
    ASSERT_EQ(file->Set(FromUtf8((dir / "r.wav").string()).c_str(), 1), S_OK);
    EXPECT_TRUE(
        FAILED(central->TextData(CHARSET_IPAPHONETIC, 0, data, nullptr, IID_ITTSBufNotifySink)));
    EXPECT_TRUE(FAILED(
        central->TextData(CHARSET_TEXT, 0, SDATA{nullptr, 12}, nullptr, IID_ITTSBufNotifySink)));
    EXPECT_TRUE(FAILED(
        central->TextData(CHARSET_TEXT, 0, SDATA{text.data(), 1}, nullptr, IID_ITTSBufNotifySink)));
    EXPECT_TRUE(FAILED(file->Set(FromUtf8((dir / "no" / "such" / "dir.wav").string()).c_str(), 1)));
    central->Release();
    file->Release();
}

TEST_F(Sapi4RuntimeTest, TagGarbageIsSpokenWithoutHarm) {
    const TTSMODEINFOW m = InstalledModes().at(0);
    std::mt19937 random(20240611);
    const std::u16string atoms[] = {u"\\",    u"\\\\",   u"spd=",   u"vol=",       u"pit=",
                                    u"rst",   u"=",      u"999",    u"4294967296", u"-1",
                                    u"word ", u". ",     u"\u00e9", u"\u20ac",     u"\xD800",
                                    u"\n",    u"\\pit=", u"0",      u"\\spd=0\\",  u"x"};
    for (int round = 0; round < 12; ++round) {
        std::u16string text;
        const int atomsInText = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < atomsInText; ++i)
            text += atoms[random() % std::size(atoms)];
        SCOPED_TRACE(round);
        auto wav = SpeakToWav(m, text);
        ASSERT_TRUE(wav);
        EXPECT_TRUE(wav->complete);
    }
}
