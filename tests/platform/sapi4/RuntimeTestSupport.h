#pragma once
// Helpers of the SAPI 4 runtime tests: a fixture that brings up COM and the
// runtime, a sink that records what it hears and on which thread, a message
// pump, and the audio the runtime produced, read back.

#include "platform/audio/mmreg.h"
#include "platform/com/com.h"
#include "platform/sapi4/sapi4.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavProbe.h"

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
    std::optional<WavContents> SpeakToWav(const TTSMODEINFOW& mode, const std::u16string& text);
    static void UseAlsaConfiguration(const char* name);

    ScratchFolder scratch;
    std::filesystem::path dir = scratch.Path();
    std::filesystem::path capture;
    int files = 0;
};
