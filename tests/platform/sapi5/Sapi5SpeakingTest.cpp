// Speaking into files and to the default output: formats, prosody, completion,
// purges, releases, voices side by side, and a missing device or full disk.

#include "tests/platform/sapi5/Sapi5RuntimeFixture.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestData.h"

#include <csignal>
#include <cstdlib>
#include <sys/resource.h>
#include <thread>

namespace {

namespace fs = std::filesystem;

TEST_F(Sapi5Runtime, WritesTheBoundFormat) {
    const SPSTREAMFORMAT formats[] = {SPSF_8kHz8BitMono, SPSF_12kHz8BitStereo, SPSF_22kHz16BitMono,
                                      SPSF_44kHz16BitMono, SPSF_48kHz16BitStereo};
    for (SPSTREAMFORMAT format : formats) {
        SCOPED_TRACE(format);
        GUID id{};
        WAVEFORMATEX* expected = nullptr;
        ASSERT_EQ(SpConvertStreamFormatEnum(format, &id, &expected), S_OK);
        auto wav = SpeakToFile(Prosody(100, 0, 0) + kSentence, format);
        ASSERT_TRUE(wav);
        EXPECT_EQ(wav->format.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(wav->format.nChannels, expected->nChannels);
        EXPECT_EQ(wav->format.nSamplesPerSec, expected->nSamplesPerSec);
        EXPECT_EQ(wav->format.wBitsPerSample, expected->wBitsPerSample);
        EXPECT_EQ(wav->format.nBlockAlign, expected->nBlockAlign);
        EXPECT_EQ(wav->format.nAvgBytesPerSec, expected->nAvgBytesPerSec);
        // A complete file: the sizes in the header are those on disk.
        EXPECT_EQ(wav->riffSize, wav->fileSize - 8);
        EXPECT_EQ(wav->dataSize, wav->data.size());
        EXPECT_EQ(wav->data.size() % expected->nBlockAlign, 0u);
        // Fifteen words at about 175 a minute.
        EXPECT_GT(SecondsOf(*wav), 2.5);
        EXPECT_LT(SecondsOf(*wav), 10.0);
        EXPECT_GT(Rms(ToMono(wav->data, wav->format)), 0.02);
        CoTaskMemFree(expected);
    }
}

TEST_F(Sapi5Runtime, RateVolumeAndPitchHaveTheirMeaning) {
    auto fast = SpeakToFile(Prosody(100, 10, 0) + kSentence);
    auto normal = SpeakToFile(Prosody(100, 0, 0) + kSentence);
    auto slow = SpeakToFile(Prosody(100, -10, 0) + kSentence);
    ASSERT_TRUE(fast && normal && slow);
    EXPECT_LT(SecondsOf(*fast), SecondsOf(*normal) * 0.7);
    EXPECT_GT(SecondsOf(*slow), SecondsOf(*normal) * 1.4);

    auto half = SpeakToFile(Prosody(50, 0, 0) + kSentence);
    ASSERT_TRUE(half);
    double loud = Rms(ToMono(normal->data, normal->format));
    double quiet = Rms(ToMono(half->data, half->format));
    EXPECT_GT(quiet, 0.0);
    EXPECT_LT(quiet, loud * 0.75);

    auto high = SpeakToFile(Prosody(100, 0, 10) + kSentence);
    auto low = SpeakToFile(Prosody(100, 0, -10) + kSentence);
    ASSERT_TRUE(high && low);
    double highPitch = MedianPitch(ToMono(high->data, high->format), high->format.nSamplesPerSec);
    double lowPitch = MedianPitch(ToMono(low->data, low->format), low->format.nSamplesPerSec);
    EXPECT_GT(lowPitch, 40.0);
    EXPECT_GT(highPitch, lowPitch * 1.3) << highPitch << " Hz against " << lowPitch << " Hz";
}

TEST_F(Sapi5Runtime, CompletionIsSignalledAndReported) {
    ISpVoice* voice = Voice();
    ISpStream* stream = BoundStream(dir / "status.wav", SPSF_16kHz16BitMono);
    ASSERT_EQ(voice->SetOutput(stream, TRUE), S_OK);
    Event* done = voice->SpeakCompleteEvent();
    ASSERT_NE(done, nullptr);
    EXPECT_TRUE(done->IsSet()); // nothing to speak yet

    ULONG first = 0, second = 0;
    ASSERT_EQ(voice->Speak(u"One.", kXmlAsync, &first), S_OK);
    ASSERT_EQ(voice->Speak(u"Two.", kXmlAsync, &second), S_OK);
    EXPECT_EQ(second, first + 1);
    ASSERT_EQ(voice->WaitUntilDone(kPatienceMs), S_OK);
    EXPECT_TRUE(done->IsSet());
    SPVOICESTATUS status{};
    ASSERT_EQ(voice->GetStatus(&status, nullptr), S_OK);
    EXPECT_EQ(status.dwRunningState, SPRS_DONE);
    EXPECT_EQ(status.hrLastResult, S_OK);
    EXPECT_EQ(status.ulLastStreamQueued, second);

    // Without SPF_ASYNC the call returns when the speech is done.
    ASSERT_EQ(voice->Speak(u"Three.", SPF_DEFAULT, nullptr), S_OK);
    EXPECT_TRUE(done->IsSet());
    SafeRelease(stream);
    SafeRelease(voice);
    auto wav = ReadWav(dir / "status.wav");
    ASSERT_TRUE(wav);
    EXPECT_GT(SecondsOf(*wav), 1.0);
}

TEST_F(Sapi5Runtime, APurgeStopsALongTextAtOnce) {
    const fs::path path = dir / "long.wav";
    ISpVoice* voice = Voice();
    ISpStream* stream = BoundStream(path, SPSF_22kHz16BitMono);
    ASSERT_EQ(voice->SetOutput(stream, TRUE), S_OK);
    ASSERT_EQ(voice->Speak((Prosody(100, 0, 0) + LongText()).c_str(), kXmlAsync, nullptr), S_OK);
    // Let the synthesis get under way.
    for (int i = 0; i < 6000 && fs::file_size(path) < 100000; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_GE(fs::file_size(path), 100000u);
    EXPECT_FALSE(voice->SpeakCompleteEvent()->IsSet());

    ASSERT_EQ(voice->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr), S_OK);
    EXPECT_TRUE(voice->SpeakCompleteEvent()->IsSet());
    // The voice speaks again after the purge. The file gathers its samples in
    // blocks of up to 64 kB, so the new speech is made long enough to be told
    // apart from what was still gathered when the purge came.
    const auto size = fs::file_size(path);
    ASSERT_EQ(voice->Speak(u"After the purge, the voice speaks again as it did before, and "
                           u"nothing of the long text that was purged comes back.",
                           SPF_DEFAULT, nullptr),
              S_OK);
    SafeRelease(stream);
    SafeRelease(voice);

    auto wav = ReadWav(path);
    ASSERT_TRUE(wav);
    EXPECT_GT(wav->fileSize, size + 100000);
    EXPECT_EQ(wav->riffSize, wav->fileSize - 8);
    // Two hundred sentences would last ten minutes.
    EXPECT_LT(SecondsOf(*wav), 300.0);
}

TEST_F(Sapi5Runtime, ReleasingWhileSpeakingIsSafe) {
    const std::u16string text = Prosody(100, 0, 0) + LongText();
    for (bool voiceFirst : {true, false}) {
        SCOPED_TRACE(voiceFirst);
        const fs::path path = dir / (voiceFirst ? "voice-first.wav" : "stream-first.wav");
        ISpVoice* voice = Voice();
        ISpStream* stream = BoundStream(path, SPSF_11kHz8BitStereo);
        ASSERT_EQ(voice->SetOutput(stream, TRUE), S_OK);
        ASSERT_EQ(voice->Speak(text.c_str(), kXmlAsync, nullptr), S_OK);
        if (voiceFirst) {
            SafeRelease(voice);
            SafeRelease(stream);
        } else {
            SafeRelease(stream);
            SafeRelease(voice);
        }
        // The voice's release stopped it and completed the file.
        auto wav = ReadWav(path);
        ASSERT_TRUE(wav);
        EXPECT_EQ(wav->riffSize, wav->fileSize - 8);
        EXPECT_EQ(wav->dataSize, wav->data.size());
    }
}

TEST_F(Sapi5Runtime, VoicesSpeakSideBySide) {
    const int kVoices = 3;
    std::vector<std::thread> threads;
    std::vector<std::optional<WavContents>> results(kVoices);
    for (int i = 0; i < kVoices; ++i) {
        threads.emplace_back([&, i] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            const fs::path path = dir / ("side" + std::to_string(i) + ".wav");
            ISpVoice* voice = nullptr;
            CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                             reinterpret_cast<void**>(&voice));
            ISpStream* stream = nullptr;
            CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL, IID_ISpStream,
                             reinterpret_cast<void**>(&stream));
            if (voice && stream) {
                WAVEFORMATEX wfx = MakePcmFormat(16000, 16, 1);
                stream->BindToFile(FromUtf8(path.string()).c_str(), SPFM_CREATE_ALWAYS,
                                   &SPDFID_WaveFormatEx, &wfx, 0);
                voice->SetOutput(stream, TRUE);
                voice->Speak(kSentence.c_str(), SPF_ASYNC, nullptr);
                voice->WaitUntilDone(kPatienceMs);
            }
            SafeRelease(stream);
            SafeRelease(voice);
            results[i] = ReadWav(path);
            CoUninitialize();
        });
    }
    for (auto& t : threads)
        t.join();
    for (const auto& wav : results) {
        ASSERT_TRUE(wav);
        EXPECT_GT(SecondsOf(*wav), 2.5);
        EXPECT_EQ(wav->riffSize, wav->fileSize - 8);
    }
}

TEST_F(Sapi5Runtime, SpeaksToTheDefaultOutput) {
    const fs::path capture = dir / "capture.raw";
    EnvOverride target("VOCALITH_ALSA_CAPTURE", capture.c_str());
    ISpVoice* voice = Voice();
    ASSERT_EQ(voice->Speak((Prosody(100, 0, 0) + kSentence).c_str(), kXmlAsync, nullptr), S_OK);
    ASSERT_EQ(voice->WaitUntilDone(kPatienceMs), S_OK);
    SPVOICESTATUS status{};
    voice->GetStatus(&status, nullptr);
    EXPECT_EQ(status.hrLastResult, S_OK);
    SafeRelease(voice);

    // The file plugin stores the frames as played: espeak-ng's 16-bit mono.
    const std::vector<std::uint8_t> bytes = ReadBytes(capture);
    const WAVEFORMATEX format = MakePcmFormat(22050, 16, 1);
    auto samples = ToMono(bytes, format);
    EXPECT_GT(Seconds(samples.size(), 22050), 2.5);
    EXPECT_LT(Seconds(samples.size(), 22050), 10.0);
    EXPECT_GT(Rms(samples), 0.02);
}

TEST_F(Sapi5Runtime, WithoutAnOutputDeviceSpeakFails) {
    EnvOverride noDevice("ALSA_CONFIG_PATH", (TestDataFolder() / "alsa-none.conf").c_str());
    ISpVoice* voice = Voice();
    EXPECT_TRUE(FAILED(voice->Speak(kSentence.c_str(), kXmlAsync, nullptr)));
    EXPECT_TRUE(voice->SpeakCompleteEvent()->IsSet());
    SafeRelease(voice);
}

TEST_F(Sapi5Runtime, AFullDiskFailsTheSpeechAndLeavesNoFile) {
    const fs::path path = dir / "full.wav";
    ISpVoice* voice = Voice();
    ISpStream* stream = BoundStream(path, SPSF_48kHz16BitStereo);
    ASSERT_EQ(voice->SetOutput(stream, TRUE), S_OK);

    // A file size limit stands in for the full disk: writes beyond it fail.
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit limited = previous;
    limited.rlim_cur = 200000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    HRESULT spoken = voice->Speak(kSentence.c_str(), SPF_DEFAULT, nullptr);
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_TRUE(FAILED(spoken));
    SPVOICESTATUS status{};
    voice->GetStatus(&status, nullptr);
    EXPECT_TRUE(FAILED(status.hrLastResult));
    SafeRelease(stream);
    SafeRelease(voice);
    EXPECT_FALSE(fs::exists(path));
}

} // namespace
