#pragma once
// Helpers of the SAPI 4 runtime tests: a fixture that brings up COM and the
// runtime, a sink that records what it hears and on which thread, a message
// pump, and readers and measures for the audio the runtime produced.

#include "platform/audio/mmreg.h"
#include "platform/com/com.h"
#include "platform/sapi4/sapi4.h"
#include "tests/support/ScratchFolder.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class RecordingSink : public ComObject<RecordingSink, ITTSNotifySinkW> {
public:
    enum class Kind { Start, Stop };
    struct Heard {
        Kind kind;
        DWORD thread;
    };

    HRESULT AttribChanged(DWORD) override { return S_OK; }
    HRESULT AudioStart(QWORD) override { return Record(Kind::Start); }
    HRESULT AudioStop(QWORD) override { return Record(Kind::Stop); }
    HRESULT Visual(QWORD, WCHAR, WCHAR, DWORD, const TTSMOUTH*) override { return S_OK; }

    std::vector<Heard> Events() const;
    bool Stopped() const;
    bool Started() const;

private:
    HRESULT Record(Kind kind);
    mutable std::mutex m_mutex;
    std::vector<Heard> m_events;
};

// Dispatches the calling thread's messages until `done` holds. False if it
// still does not hold after a bound far beyond any sane synthesis time, so
// that a lost notification fails the test instead of hanging it.
bool PumpMessagesUntil(const std::function<bool()>& done);

struct WavFile {
    WAVEFORMATEX format{};
    std::vector<std::int16_t> samples;
    // The RIFF and data sizes agree with the file's length.
    bool complete = false;

    double Seconds() const;
};
std::optional<WavFile> ReadWav(const std::filesystem::path& path);

double Rms(const std::vector<std::int16_t>& samples);
// The median fundamental frequency of the voiced stretches, by autocorrelation.
double FundamentalHz(const std::vector<std::int16_t>& samples, DWORD rate);

std::vector<TTSMODEINFOW> InstalledModes();
std::u16string ModeName(const TTSMODEINFOW& mode);

class Sapi4RuntimeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // An engine for the mode speaking into `dest`; fails the test if it cannot.
    ITTSCentralW* Select(const TTSMODEINFOW& mode, IUnknown* dest);
    IAudioFile* CreateFileDest();
    IAudioMultiMediaDevice* CreateDeviceDest();
    static HRESULT Speak(ITTSCentralW* central, const std::u16string& text);
    // Speaks tagged text into a new WAV file with a fresh engine and waits
    // for the end of its audio.
    std::optional<WavFile> SpeakToWav(const TTSMODEINFOW& mode, const std::u16string& text);
    static void UseAlsaConfiguration(const char* name);

    ScratchFolder scratch;
    std::filesystem::path dir = scratch.path();
    std::filesystem::path capture;
    int files = 0;
};
