#include "src/speech/Sapi5Engine.h"

#include "platform/com/strings.h"
#include "src/resources/resource.h"
#include "tests/fakes/FakeSapi5Runtime.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/ComApartment.h"
#include "tests/support/EnvOverride.h"
#include "tests/support/ScratchFolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Sapi5EngineTest : public ::testing::Test {
protected:
    void SetUp() override { token = fake.AddToken(u"voice-a", {{u"", u"Alice"}}); }
    std::u16string WavPath() const { return FromUtf8((dir / "out.wav").string()); }
    bool WavExists() const { return fs::exists(dir / "out.wav"); }

    ComApartment com;
    EnvOverride lcAll{"LC_ALL", "en_US.UTF-8"};
    FakeSapi5Runtime fake;
    RecordingMessageService messages;
    FakeSapi5Token* token = nullptr;
    ScratchFolder scratch;
    fs::path dir = scratch.Path();
};

std::vector<std::u16string> Names(const Sapi5Engine& engine) {
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < engine.VoiceCount(); ++i)
        names.push_back(engine.Voice(i).displayName);
    return names;
}

TEST_F(Sapi5EngineTest, ListsTokensByTheNameInTheUsersLanguage) {
    fake.AddToken(u"voice-b", {{u"", u"Bob"}, {u"409", u"Bob (US)"}, {u"407", u"Bob (DE)"}});
    fake.AddToken(u"voice-nameless", {{u"Gender", u"Male"}});
    fake.AddToken(u"voice-c", {{u"409", u"Carol"}});
    {
        Sapi5Engine engine;
        EXPECT_EQ(fake.Calls().categoryId,
                  u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices");
        EXPECT_EQ(fake.Calls().createIfNotExist, FALSE);
        EXPECT_TRUE(fake.Calls().enumAttributesNull);
        // A token without any name is left out; one without the language
        // value shows its default value.
        EXPECT_EQ(Names(engine), (std::vector<std::u16string>{u"Alice", u"Bob (US)", u"Carol"}));
        EXPECT_EQ(engine.Voice(0).token.Get(), token);
        EXPECT_THROW(engine.Voice(3), std::invalid_argument);
    }
    EnvOverride german("LC_ALL", "de_DE.UTF-8");
    Sapi5Engine engine;
    EXPECT_EQ(Names(engine), (std::vector<std::u16string>{u"Alice", u"Bob (DE)"}));
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(Sapi5EngineTest, EntriesHoldTheirOwnTokenReferences) {
    const int before = fake.Alive();
    auto engine = std::make_unique<Sapi5Engine>();
    auto copy = Sapi5Engine::WithVoicesOf(*engine);
    ASSERT_EQ(copy->VoiceCount(), 1u);
    EXPECT_EQ(copy->Voice(0).token.Get(), token);
    EXPECT_EQ(copy->Voice(0).displayName, u"Alice");
    EXPECT_EQ(copy->HeldVoice(), nullptr);
    engine.reset();
    // The copy's reference keeps the token; the runtime's own is the other one.
    EXPECT_EQ(token->AddRef(), 3u);
    token->Release();
    copy.reset();
    EXPECT_EQ(token->AddRef(), 2u);
    token->Release();
    EXPECT_EQ(fake.Alive(), before);
}

TEST_F(Sapi5EngineTest, EnumerationFailuresKeepTheListAndShowNothing) {
    Sapi5Engine engine;
    ASSERT_EQ(engine.VoiceCount(), 1u);
    fake.AddToken(u"voice-b", {{u"", u"Bob"}});

    fake.Results().createCategory = REGDB_E_CLASSNOTREG;
    EXPECT_FALSE(engine.EnumerateVoices());
    fake.Results().createCategory = S_OK;
    fake.Results().setId = SPERR_NOT_FOUND;
    EXPECT_FALSE(engine.EnumerateVoices());
    fake.Results().setId = S_OK;
    fake.Results().enumTokens = E_FAIL;
    EXPECT_FALSE(engine.EnumerateVoices());
    EXPECT_EQ(Names(engine), (std::vector<std::u16string>{u"Alice"}));

    // Without a runtime at all the list is simply empty.
    fake.Results().createCategory = REGDB_E_CLASSNOTREG;
    Sapi5Engine none;
    EXPECT_EQ(none.VoiceCount(), 0u);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(Sapi5EngineTest, SpeakToFileStartsTheVoiceOnTheBoundStream) {
    Sapi5Engine engine;
    const std::u16string text =
        u"<volume level=\"100\"/><rate absspeed=\"0\"/><pitch absmiddle=\"0\"/>a < b";
    ASSERT_TRUE(ShowIfFailed(engine.SpeakToFile(WavPath(), text, token, SPSF_44kHz16BitStereo)));

    const auto& c = fake.Calls();
    EXPECT_EQ(c.boundPath, WavPath());
    EXPECT_EQ(c.bindMode, SPFM_CREATE_ALWAYS);
    EXPECT_EQ(c.boundFormatId, SPDFID_WaveFormatEx);
    EXPECT_EQ(c.boundFormat.nSamplesPerSec, 44100u);
    EXPECT_EQ(c.boundFormat.wBitsPerSample, 16);
    EXPECT_EQ(c.boundFormat.nChannels, 2);
    EXPECT_EQ(c.eventInterest, 0u);
    EXPECT_EQ(c.output, static_cast<const IUnknown*>(engine.HeldStream()));
    EXPECT_EQ(c.allowFormatChanges, TRUE);
    EXPECT_EQ(c.voiceToken, token);
    EXPECT_EQ(c.spokenText, text);
    EXPECT_EQ(c.speakFlags, SPF_ASYNC | SPF_IS_XML);
    EXPECT_EQ(engine.DoneEvent(), fake.Calls().completeEvent);
    ASSERT_NE(engine.HeldFormat(), nullptr);
    EXPECT_EQ(engine.HeldFormat()->nSamplesPerSec, 44100u);
    EXPECT_TRUE(WavExists());
    EXPECT_TRUE(messages.Boxes().empty());

    engine.ReleaseSpeech();
    EXPECT_EQ(engine.HeldStream(), nullptr);
    EXPECT_EQ(engine.HeldVoice(), nullptr);
    EXPECT_EQ(engine.HeldFormat(), nullptr);
    EXPECT_EQ(fake.VoicesAlive(), 0);
    EXPECT_EQ(fake.StreamsAlive(), 0);
    engine.ReleaseSpeech(); // harmless when nothing is held
}

struct FileStep {
    const char* name;
    HRESULT FakeSapi5Results::*result;
    UINT message;
    bool fileCreated; // whether BindToFile had created the file
};

TEST_F(Sapi5EngineTest, EachFailingFileStepShowsItsMessageAndLeavesNoFile) {
    const FileStep steps[] = {
        {"voice", &FakeSapi5Results::createVoice, IDS_SP_VOICE, false},
        {"stream", &FakeSapi5Results::createStream, IDS_SP_STREAM, false},
        {"bind", &FakeSapi5Results::bindToFile, IDS_SP_BIND, false},
        {"output", &FakeSapi5Results::setOutput, IDS_SP_SET_OUTPUT, true},
        {"token", &FakeSapi5Results::setVoice, IDS_SP_SET_VOICE, true},
        {"speak", &FakeSapi5Results::speak, IDS_SP_SPEAK, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        fake.Results() = {};
        fake.Results().*step.result = E_FAIL;
        fake.Calls() = {};
        messages.Clear();
        Sapi5Engine engine;
        // The file the start created is there while its message is read.
        std::vector<bool> wavAtMessage;
        messages.OnShow([&](const auto&) { wavAtMessage.push_back(WavExists()); });
        EXPECT_FALSE(
            ShowIfFailed(engine.SpeakToFile(WavPath(), u"text", token, SPSF_22kHz16BitMono)));
        messages.OnShow({});
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{step.message});
        ASSERT_EQ(messages.Boxes().size(), 1u);
        EXPECT_EQ(messages.Boxes()[0].type, MB_OK | MB_ICONWARNING);
        EXPECT_EQ(wavAtMessage, std::vector<bool>{step.fileCreated});
        engine.AbandonStart();
        EXPECT_FALSE(WavExists());
        if (step.fileCreated) {
            // The stream was completed and let go of before its file was removed.
            EXPECT_TRUE(fake.Calls().streamClosed);
            EXPECT_TRUE(fake.Calls().fileExistedAtClose);
            EXPECT_EQ(engine.HeldStream(), nullptr);
        }
        EXPECT_EQ(engine.DoneEvent(), nullptr);
    }
}

TEST_F(Sapi5EngineTest, AnUnknownStreamFormatIsIdsSpFormat) {
    for (int format : {0, 3, 40, -1}) {
        SCOPED_TRACE(format);
        messages.Clear();
        Sapi5Engine engine;
        EXPECT_FALSE(ShowIfFailed(engine.SpeakToFile(WavPath(), u"text", token, format)));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_SP_FORMAT});
        EXPECT_EQ(engine.HeldFormat(), nullptr);
        EXPECT_TRUE(fake.Calls().boundPath.empty());
        EXPECT_FALSE(WavExists());
    }
}

TEST_F(Sapi5EngineTest, SpeakToSpeakersUsesNoStream) {
    Sapi5Engine engine;
    ASSERT_TRUE(ShowIfFailed(engine.SpeakToSpeakers(u"hello", token)));
    EXPECT_EQ(fake.Calls().setOutputCalls, 0);
    EXPECT_EQ(fake.StreamsAlive(), 0);
    EXPECT_EQ(engine.HeldStream(), nullptr);
    EXPECT_EQ(engine.HeldFormat(), nullptr);
    EXPECT_EQ(fake.Calls().voiceToken, token);
    EXPECT_EQ(fake.Calls().speakFlags, SPF_ASYNC | SPF_IS_XML);
    EXPECT_EQ(engine.DoneEvent(), fake.Calls().completeEvent);
}

TEST_F(Sapi5EngineTest, EachFailingSpeakerStepShowsItsMessage) {
    const FileStep steps[] = {
        {"voice", &FakeSapi5Results::createVoice, IDS_SP_VOICE, false},
        {"token", &FakeSapi5Results::setVoice, IDS_SP_SET_VOICE, false},
        {"speak", &FakeSapi5Results::speak, IDS_SP_SPEAK, false},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        fake.Results() = {};
        fake.Results().*step.result = E_FAIL;
        // Steps of the file path that speaking must not depend on.
        fake.Results().createStream = E_FAIL;
        fake.Results().setOutput = E_FAIL;
        messages.Clear();
        Sapi5Engine engine;
        EXPECT_FALSE(ShowIfFailed(engine.SpeakToSpeakers(u"hello", token)));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{step.message});
    }
}

TEST_F(Sapi5EngineTest, ANewJobReleasesWhatTheLastOneLeft) {
    Sapi5Engine engine;
    fake.Results().speak = E_FAIL;
    EXPECT_FALSE(ShowIfFailed(engine.SpeakToFile(WavPath(), u"text", token, SPSF_22kHz16BitMono)));
    // A failure releases nothing but the stream of the removed file.
    EXPECT_NE(engine.HeldVoice(), nullptr);
    EXPECT_NE(engine.HeldFormat(), nullptr);
    EXPECT_EQ(fake.VoicesAlive(), 1);

    fake.Results() = {};
    ASSERT_TRUE(ShowIfFailed(engine.SpeakToFile(WavPath(), u"text", token, SPSF_22kHz16BitMono)));
    EXPECT_EQ(fake.VoicesAlive(), 1);
    EXPECT_EQ(fake.StreamsAlive(), 1);
    ASSERT_TRUE(ShowIfFailed(engine.SpeakToSpeakers(u"text", token)));
    EXPECT_EQ(fake.VoicesAlive(), 1);
    EXPECT_EQ(fake.StreamsAlive(), 0);
    EXPECT_EQ(engine.HeldFormat(), nullptr);
}

TEST_F(Sapi5EngineTest, DestructionReleasesTheJobObjects) {
    {
        Sapi5Engine engine;
        ASSERT_TRUE(ShowIfFailed(engine.SpeakToFile(WavPath(), u"text", token, SPSF_8kHz8BitMono)));
    }
    EXPECT_EQ(fake.VoicesAlive(), 0);
    EXPECT_EQ(fake.StreamsAlive(), 0);
}

} // namespace
