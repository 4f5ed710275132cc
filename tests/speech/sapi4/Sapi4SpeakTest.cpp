// Speaking through the SAPI 4 adapter against a fake runtime: the calls it
// makes, every failure step with its message, what stays held, and what is
// left on disk.

#include "platform/com/strings.h"
#include "src/resources/resource.h"
#include "src/speech/CTTSNotifySink.h"
#include "src/speech/Sapi4Engine.h"
#include "tests/fakes/FakeSapi4Runtime.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/ScratchFolder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

constexpr DWORD kAll = TTSFEATURE_TAGGED | TTSFEATURE_SPEED | TTSFEATURE_VOLUME | TTSFEATURE_PITCH;
const std::u16string kText = u"\\rst\\\\spd=150\\ a\\\\b";

struct Failure {
    const char* step;
    std::function<void(FakeSapi4Results&)> breakIt;
    std::vector<UINT> messages;
    bool centralHeld;
    bool unregistered;
};

class Sapi4SpeakTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        runtime.AddMode(FakeSapi4Runtime::MakeMode(u"Voice", kAll, 1));
        engine = std::make_unique<Sapi4Engine>();
        ASSERT_EQ(engine->VoiceCount(), 1u);
        engine->SetNotifySink(&sink);
        wav = dir / "out.wav";
        runtime.Calls() = {};
    }
    void TearDown() override {
        engine.reset();
        CoUninitialize();
    }

    bool SpeakToFile() {
        return ShowIfFailed(engine->SpeakToFile(FromUtf8(wav.string()), kText, engine->Voice(0)));
    }
    bool SpeakToSpeakers() {
        return ShowIfFailed(engine->SpeakToSpeakers(kText, engine->Voice(0)));
    }
    // Breaks one step of a start and checks what every failed start leaves.
    void ExpectFailedStart(const Failure& f, bool toFile) {
        messages.Clear();
        runtime.Results() = {};
        runtime.Calls() = {};
        f.breakIt(runtime.Results());

        EXPECT_FALSE(toFile ? SpeakToFile() : SpeakToSpeakers());
        EXPECT_EQ(messages.Ids(), f.messages);
        // The caller lets go of the start once the user has read the message.
        engine->AbandonStart();
        EXPECT_EQ(engine->HeldFile(), nullptr);
        EXPECT_EQ(engine->HeldDevice(), nullptr);
        EXPECT_EQ(engine->HeldEngine() != nullptr, f.centralHeld);
        EXPECT_EQ(engine->SinkKey(), 0u);
        EXPECT_EQ(runtime.Calls().unregistered.size(), f.unregistered ? 1u : 0u);
    }

    RecordingMessageService messages;
    FakeSapi4Runtime runtime;
    CTTSNotifySink sink;
    std::unique_ptr<Sapi4Engine> engine;
    ScratchFolder scratch;
    fs::path dir = scratch.Path();
    fs::path wav;
};

} // namespace

TEST_F(Sapi4SpeakTest, SpeakToFileHandsTheEngineEverythingItNeeds) {
    ASSERT_TRUE(SpeakToFile());
    EXPECT_TRUE(messages.Boxes().empty());
    const auto& c = runtime.Calls();
    ASSERT_TRUE(c.findPattern);
    EXPECT_TRUE(c.findPattern->gModeID == engine->Voice(0).modeInfo.gModeID);
    EXPECT_EQ(std::u16string(c.findPattern->szModeName), u"Voice");
    EXPECT_TRUE(c.findRankingNull);
    EXPECT_EQ(c.selectDest, static_cast<const IUnknown*>(engine->HeldFile()));
    EXPECT_EQ(c.realTime, WORD{0xFFFF});
    EXPECT_EQ(c.registeredSink, static_cast<void*>(static_cast<ITTSNotifySinkW*>(&sink)));
    EXPECT_TRUE(c.registerIid == IID_ITTSNotifySinkW);
    EXPECT_EQ(engine->SinkKey(), FakeSapi4Runtime::kSinkKey);
    EXPECT_EQ(c.setPath, FromUtf8(wav.string()));
    EXPECT_EQ(c.setFlags, 1u);
    EXPECT_EQ(c.charset, CHARSET_TEXT);
    EXPECT_EQ(c.textFlags, TTSDATAFLAG_TAGGED);
    // The text with its terminating zero.
    EXPECT_EQ(c.textBytes, (kText.size() + 1) * 2);
    EXPECT_EQ(c.text, kText + u'\0');
    // The buffer sink through which the job hears its progress.
    EXPECT_NE(c.bufNotify, nullptr);
    EXPECT_TRUE(c.bufIid == IID_ITTSBufNotifySink);
    EXPECT_NE(engine->HeldEngine(), nullptr);
    EXPECT_NE(engine->HeldFile(), nullptr);
    EXPECT_EQ(engine->HeldDevice(), nullptr);
    EXPECT_TRUE(fs::exists(wav));

    // The finder is gone; the engine and the file stay until EndSpeech.
    EXPECT_EQ(runtime.Alive(), 2);
    ShowIfFailed(engine->EndSpeech());
    const std::vector<std::string> order = {"Flush", "UnRegister", "AudioReset", "~Central",
                                            "~File"};
    EXPECT_EQ(runtime.Calls().log, order);
    EXPECT_EQ(runtime.Calls().unregistered, std::vector<DWORD>{FakeSapi4Runtime::kSinkKey});
    EXPECT_EQ(engine->HeldEngine(), nullptr);
    EXPECT_EQ(engine->HeldFile(), nullptr);
    EXPECT_EQ(engine->SinkKey(), 0u);
    EXPECT_EQ(runtime.Alive(), 0);
    EXPECT_TRUE(fs::exists(wav));
    // Harmless when nothing is held.
    ShowIfFailed(engine->EndSpeech());
    EXPECT_EQ(runtime.Calls().log.size(), order.size());
}

TEST_F(Sapi4SpeakTest, EachSpeakToFileFailureShowsItsMessageAndLeavesNoFile) {
    const Failure failures[] = {
        {"finder", [](auto& r) { r.enumeratorMissing = true; }, {IDS_TTS_ENUMERATOR}, false, false},
        {"find", [](auto& r) { r.find = E_FAIL; }, {IDS_TTS_FIND_MODE}, false, false},
        {"file destination",
         [](auto& r) { r.fileDestMissing = true; },
         {IDS_AUDIO_DEST_FILE},
         false,
         false},
        {"select", [](auto& r) { r.select = E_FAIL; }, {IDS_TTS_SELECT}, false, false},
        {"conversion speed",
         [](auto& r) { r.realTimeSet = E_FAIL; },
         {IDS_TTS_CONVERSION_SPEED},
         true,
         false},
        {"register",
         [](auto& r) { r.registerSink = E_FAIL; },
         {IDS_TTS_REGISTER_SINK},
         true,
         false},
        {"output file",
         [](auto& r) { r.setFile = E_ACCESSDENIED; },
         {IDS_TTS_OUTPUT_FILE},
         false,
         true},
        {"text", [](auto& r) { r.textData = E_FAIL; }, {IDS_TTS_TEXTDATA}, false, true},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.step);
        ExpectFailedStart(f, true);
        for (const auto& box : messages.Boxes())
            EXPECT_EQ(box.type, MB_OK | MB_ICONWARNING);
        // A held engine keeps its destination alive with it.
        EXPECT_EQ(runtime.Alive(), f.centralHeld ? 2 : 0);
        // Not even a file the destination had already created is left behind.
        EXPECT_FALSE(fs::exists(wav));
        // What a failed start held is released by the next EndSpeech.
        ShowIfFailed(engine->EndSpeech());
        EXPECT_EQ(runtime.Alive(), 0);
        EXPECT_EQ(engine->HeldEngine(), nullptr);
    }
}

TEST_F(Sapi4SpeakTest, SpeakToSpeakersUsesTheDefaultDeviceAndNoFile) {
    runtime.Results().deviceNumSet = E_INVALIDARG; // ignored
    // The file destination's steps are not on this path.
    runtime.Results().fileDestMissing = true;
    runtime.Results().realTimeSet = runtime.Results().setFile = E_FAIL;
    ASSERT_TRUE(SpeakToSpeakers());
    EXPECT_TRUE(messages.Boxes().empty());
    const auto& c = runtime.Calls();
    EXPECT_EQ(c.deviceNumAtSelect, DWORD{0xFFFFFFFF}); // chosen before the engine is selected
    EXPECT_EQ(c.selectDest, static_cast<const IUnknown*>(engine->HeldDevice()));
    EXPECT_FALSE(c.realTime);
    EXPECT_EQ(c.fileDests, 0);
    EXPECT_EQ(c.text, kText + u'\0');
    EXPECT_EQ(c.textFlags, TTSDATAFLAG_TAGGED);
    EXPECT_NE(engine->HeldEngine(), nullptr);
    EXPECT_EQ(engine->HeldFile(), nullptr);

    ShowIfFailed(engine->EndSpeech());
    const std::vector<std::string> order = {"UnRegister", "AudioReset", "~Central", "~Device"};
    EXPECT_EQ(runtime.Calls().log, order);
    EXPECT_EQ(runtime.Alive(), 0);
}

TEST_F(Sapi4SpeakTest, EachSpeakToSpeakersFailureShowsItsMessage) {
    const Failure failures[] = {
        {"finder", [](auto& r) { r.enumeratorMissing = true; }, {IDS_TTS_ENUMERATOR}, false, false},
        {"find", [](auto& r) { r.find = E_FAIL; }, {IDS_TTS_FIND_MODE}, false, false},
        {"device", [](auto& r) { r.deviceMissing = true; }, {}, false, false},
        {"select", [](auto& r) { r.select = E_FAIL; }, {IDS_TTS_SELECT}, false, false},
        {"register",
         [](auto& r) { r.registerSink = E_FAIL; },
         {IDS_TTS_REGISTER_SINK},
         true,
         false},
        {"text", [](auto& r) { r.textData = E_FAIL; }, {IDS_TTS_TEXTDATA}, false, true},
    };
    for (const Failure& f : failures) {
        SCOPED_TRACE(f.step);
        ExpectFailedStart(f, false);
        ShowIfFailed(engine->EndSpeech());
        EXPECT_EQ(runtime.Alive(), 0);
    }
}

TEST_F(Sapi4SpeakTest, AFileThatCouldNotBeCompletedIsReportedAtTheEnd) {
    ASSERT_TRUE(SpeakToFile());
    runtime.Results().flush = STG_E_MEDIUMFULL;
    ShowIfFailed(engine->EndSpeech());
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_TTS_OUTPUT_FILE});
    EXPECT_EQ(runtime.Alive(), 0);
    EXPECT_EQ(engine->HeldFile(), nullptr);
    EXPECT_EQ(engine->HeldEngine(), nullptr);
}

TEST_F(Sapi4SpeakTest, DestructionReleasesWithoutUnregistering) {
    ASSERT_TRUE(SpeakToFile());
    engine.reset();
    EXPECT_TRUE(runtime.Calls().unregistered.empty());
    EXPECT_EQ(runtime.Alive(), 0);
}
