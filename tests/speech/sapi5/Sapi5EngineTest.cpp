#include "src/speech/Sapi5Engine.h"

#include "platform/com/strings.h"
#include "src/resources/resource.h"
#include "tests/fakes/FakeSapi5.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/speech/sapi5/EnvOverride.h"
#include "tests/support/ScratchFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Sapi5EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        token_ = fake_.AddToken(u"voice-a", {{u"", u"Alice"}});
    }
    void TearDown() override { CoUninitialize(); }
    std::u16string WavPath() const { return FromUtf8((dir_ / "out.wav").string()); }
    bool WavExists() const { return fs::exists(dir_ / "out.wav"); }

    EnvOverride lcAll_{"LC_ALL", "en_US.UTF-8"};
    FakeSapi5Runtime fake_;
    RecordingMessageService messages_;
    FakeSapi5Token* token_ = nullptr;
    ScratchFolder scratch_;
    fs::path dir_ = scratch_.path();
};

std::vector<std::u16string> Names(const Sapi5Engine& engine) {
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < engine.VoiceCount(); ++i)
        names.push_back(engine.Voice(i).displayName);
    return names;
}

TEST_F(Sapi5EngineTest, ListsTokensByTheNameInTheUsersLanguage) {
    fake_.AddToken(u"voice-b", {{u"", u"Bob"}, {u"409", u"Bob (US)"}, {u"407", u"Bob (DE)"}});
    fake_.AddToken(u"voice-nameless", {{u"Gender", u"Male"}});
    fake_.AddToken(u"voice-c", {{u"409", u"Carol"}});
    {
        Sapi5Engine engine;
        EXPECT_EQ(fake_.calls->categoryId,
                  u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices");
        EXPECT_EQ(fake_.calls->createIfNotExist, FALSE);
        EXPECT_TRUE(fake_.calls->enumAttributesNull);
        // A token without any name is left out; one without the language
        // value shows its default value.
        EXPECT_EQ(Names(engine), (std::vector<std::u16string>{u"Alice", u"Bob (US)", u"Carol"}));
        EXPECT_EQ(engine.Voice(0).token.Get(), token_);
        EXPECT_THROW(engine.Voice(3), std::invalid_argument);
    }
    EnvOverride german("LC_ALL", "de_DE.UTF-8");
    Sapi5Engine engine;
    EXPECT_EQ(Names(engine), (std::vector<std::u16string>{u"Alice", u"Bob (DE)"}));
    EXPECT_TRUE(messages_.Boxes().empty());
}

TEST_F(Sapi5EngineTest, EntriesHoldTheirOwnTokenReferences) {
    const int before = FakeSapi5Token::Alive();
    auto engine = std::make_unique<Sapi5Engine>();
    auto copy = Sapi5Engine::WithVoicesOf(*engine);
    ASSERT_EQ(copy->VoiceCount(), 1u);
    EXPECT_EQ(copy->Voice(0).token.Get(), token_);
    EXPECT_EQ(copy->Voice(0).displayName, u"Alice");
    EXPECT_EQ(copy->HeldVoice(), nullptr);
    engine.reset();
    // The copy's reference keeps the token; the runtime's own is the other one.
    EXPECT_EQ(token_->AddRef(), 3u);
    token_->Release();
    copy.reset();
    EXPECT_EQ(token_->AddRef(), 2u);
    token_->Release();
    EXPECT_EQ(FakeSapi5Token::Alive(), before);
}

TEST_F(Sapi5EngineTest, EnumerationFailuresKeepTheListAndShowNothing) {
    Sapi5Engine engine;
    ASSERT_EQ(engine.VoiceCount(), 1u);
    fake_.AddToken(u"voice-b", {{u"", u"Bob"}});

    fake_.results.createCategory = REGDB_E_CLASSNOTREG;
    EXPECT_FALSE(engine.EnumerateVoices());
    fake_.results.createCategory = S_OK;
    fake_.results.setId = SPERR_NOT_FOUND;
    EXPECT_FALSE(engine.EnumerateVoices());
    fake_.results.setId = S_OK;
    fake_.results.enumTokens = E_FAIL;
    EXPECT_FALSE(engine.EnumerateVoices());
    EXPECT_EQ(Names(engine), (std::vector<std::u16string>{u"Alice"}));

    // Without a runtime at all the list is simply empty.
    fake_.results.createCategory = REGDB_E_CLASSNOTREG;
    Sapi5Engine none;
    EXPECT_EQ(none.VoiceCount(), 0u);
    EXPECT_TRUE(messages_.Boxes().empty());
}

TEST_F(Sapi5EngineTest, SpeakToFileStartsTheVoiceOnTheBoundStream) {
    Sapi5Engine engine;
    const std::u16string text =
        u"<volume level=\"100\"/><rate absspeed=\"0\"/><pitch absmiddle=\"0\"/>a < b";
    ASSERT_TRUE(ShowIfFailed(engine.SpeakToFile(WavPath(), token_, text, SPSF_44kHz16BitStereo)));

    const auto& c = *fake_.calls;
    EXPECT_EQ(c.boundPath, WavPath());
    EXPECT_EQ(c.bindMode, SPFM_CREATE_ALWAYS);
    EXPECT_EQ(c.boundFormatId, SPDFID_WaveFormatEx);
    EXPECT_EQ(c.boundFormat.nSamplesPerSec, 44100u);
    EXPECT_EQ(c.boundFormat.wBitsPerSample, 16);
    EXPECT_EQ(c.boundFormat.nChannels, 2);
    EXPECT_EQ(c.eventInterest, 0u);
    EXPECT_EQ(c.output, static_cast<const IUnknown*>(engine.HeldStream()));
    EXPECT_EQ(c.allowFormatChanges, TRUE);
    EXPECT_EQ(c.voiceToken, token_);
    EXPECT_EQ(c.spokenText, text);
    EXPECT_EQ(c.speakFlags, SPF_ASYNC | SPF_IS_XML);
    EXPECT_EQ(engine.DoneEvent(), fake_.CompleteEvent());
    ASSERT_NE(engine.HeldFormat(), nullptr);
    EXPECT_EQ(engine.HeldFormat()->nSamplesPerSec, 44100u);
    EXPECT_TRUE(WavExists());
    EXPECT_TRUE(messages_.Boxes().empty());

    engine.ReleaseSpeech();
    EXPECT_EQ(engine.HeldStream(), nullptr);
    EXPECT_EQ(engine.HeldVoice(), nullptr);
    EXPECT_EQ(engine.HeldFormat(), nullptr);
    EXPECT_EQ(fake_.VoicesAlive(), 0);
    EXPECT_EQ(fake_.StreamsAlive(), 0);
    engine.ReleaseSpeech(); // harmless when nothing is held
}

struct FileStep {
    const char* name;
    HRESULT FakeSapi5Runtime::Results::*result;
    UINT message;
    bool fileCreated; // whether BindToFile had created the file
};

TEST_F(Sapi5EngineTest, EachFailingFileStepShowsItsMessageAndLeavesNoFile) {
    const FileStep steps[] = {
        {"voice", &FakeSapi5Runtime::Results::createVoice, IDS_SP_VOICE, false},
        {"stream", &FakeSapi5Runtime::Results::createStream, IDS_SP_STREAM, false},
        {"bind", &FakeSapi5Runtime::Results::bindToFile, IDS_SP_BIND, false},
        {"output", &FakeSapi5Runtime::Results::setOutput, IDS_SP_SET_OUTPUT, true},
        {"token", &FakeSapi5Runtime::Results::setVoice, IDS_SP_SET_VOICE, true},
        {"speak", &FakeSapi5Runtime::Results::speak, IDS_SP_SPEAK, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        fake_.results = {};
        fake_.results.*step.result = E_FAIL;
        *fake_.calls = {};
        messages_.Clear();
        Sapi5Engine engine;
        EXPECT_FALSE(
            ShowIfFailed(engine.SpeakToFile(WavPath(), token_, u"text", SPSF_22kHz16BitMono)));
        EXPECT_EQ(messages_.Ids(), std::vector<UINT>{step.message});
        ASSERT_EQ(messages_.Boxes().size(), 1u);
        EXPECT_EQ(messages_.Boxes()[0].type, MB_OK | MB_ICONWARNING);
        EXPECT_FALSE(WavExists());
        if (step.fileCreated) {
            // The stream was completed and let go of before its file was removed.
            EXPECT_TRUE(fake_.calls->streamClosed);
            EXPECT_TRUE(fake_.calls->fileExistedAtClose);
            EXPECT_EQ(engine.HeldStream(), nullptr);
        }
        EXPECT_EQ(engine.DoneEvent(), nullptr);
    }
}

TEST_F(Sapi5EngineTest, AnUnknownStreamFormatIsIdsSpFormat) {
    for (int format : {0, 3, 40, -1}) {
        SCOPED_TRACE(format);
        messages_.Clear();
        Sapi5Engine engine;
        EXPECT_FALSE(ShowIfFailed(engine.SpeakToFile(WavPath(), token_, u"text", format)));
        EXPECT_EQ(messages_.Ids(), std::vector<UINT>{IDS_SP_FORMAT});
        EXPECT_EQ(engine.HeldFormat(), nullptr);
        EXPECT_TRUE(fake_.calls->boundPath.empty());
        EXPECT_FALSE(WavExists());
    }
}

TEST_F(Sapi5EngineTest, SpeakToSpeakersUsesNoStream) {
    Sapi5Engine engine;
    ASSERT_TRUE(ShowIfFailed(engine.SpeakToSpeakers(u"hello", token_)));
    EXPECT_EQ(fake_.calls->setOutputCalls, 0);
    EXPECT_EQ(fake_.StreamsAlive(), 0);
    EXPECT_EQ(engine.HeldStream(), nullptr);
    EXPECT_EQ(engine.HeldFormat(), nullptr);
    EXPECT_EQ(fake_.calls->voiceToken, token_);
    EXPECT_EQ(fake_.calls->speakFlags, SPF_ASYNC | SPF_IS_XML);
    EXPECT_EQ(engine.DoneEvent(), fake_.CompleteEvent());
}

TEST_F(Sapi5EngineTest, EachFailingSpeakerStepShowsItsMessage) {
    const FileStep steps[] = {
        {"voice", &FakeSapi5Runtime::Results::createVoice, IDS_SP_VOICE, false},
        {"token", &FakeSapi5Runtime::Results::setVoice, IDS_SP_SET_VOICE, false},
        {"speak", &FakeSapi5Runtime::Results::speak, IDS_SP_SPEAK, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        fake_.results = {};
        fake_.results.*step.result = E_FAIL;
        // Steps of the file path that speaking must not depend on.
        fake_.results.createStream = E_FAIL;
        fake_.results.setOutput = E_FAIL;
        messages_.Clear();
        Sapi5Engine engine;
        EXPECT_FALSE(ShowIfFailed(engine.SpeakToSpeakers(u"hello", token_)));
        EXPECT_EQ(messages_.Ids(), std::vector<UINT>{step.message});
    }
}

TEST_F(Sapi5EngineTest, ANewJobReleasesWhatTheLastOneLeft) {
    Sapi5Engine engine;
    fake_.results.speak = E_FAIL;
    EXPECT_FALSE(ShowIfFailed(engine.SpeakToFile(WavPath(), token_, u"text", SPSF_22kHz16BitMono)));
    // A failure releases nothing but the stream of the removed file.
    EXPECT_NE(engine.HeldVoice(), nullptr);
    EXPECT_NE(engine.HeldFormat(), nullptr);
    EXPECT_EQ(fake_.VoicesAlive(), 1);

    fake_.results = {};
    ASSERT_TRUE(ShowIfFailed(engine.SpeakToFile(WavPath(), token_, u"text", SPSF_22kHz16BitMono)));
    EXPECT_EQ(fake_.VoicesAlive(), 1);
    EXPECT_EQ(fake_.StreamsAlive(), 1);
    ASSERT_TRUE(ShowIfFailed(engine.SpeakToSpeakers(u"text", token_)));
    EXPECT_EQ(fake_.VoicesAlive(), 1);
    EXPECT_EQ(fake_.StreamsAlive(), 0);
    EXPECT_EQ(engine.HeldFormat(), nullptr);
}

TEST_F(Sapi5EngineTest, DestructionReleasesTheJobObjects) {
    {
        Sapi5Engine engine;
        ASSERT_TRUE(
            ShowIfFailed(engine.SpeakToFile(WavPath(), token_, u"text", SPSF_8kHz8BitMono)));
    }
    EXPECT_EQ(fake_.VoicesAlive(), 0);
    EXPECT_EQ(fake_.StreamsAlive(), 0);
}

} // namespace
