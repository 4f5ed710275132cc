#pragma once
// The SAPI 5 runtime's tests: the real runtime over espeak-ng, registered in
// the class registry, and helpers that pick its voices and speak into files.

#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/sapi5/sapi5.h"
#include "platform/sync/sync.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavProbe.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

inline constexpr DWORD kXmlAsync = SPF_ASYNC | SPF_IS_XML;
// A bound on every wait, so that a fault fails the test instead of hanging it.
inline constexpr DWORD kPatienceMs = 120000;
inline const std::u16string kSentence =
    u"The quick brown fox jumps over the lazy dog, and the speech runtime writes it down.";

inline std::u16string Prosody(int volume, int rate, int pitch) {
    return FromUtf8("<volume level=\"" + std::to_string(volume) + "\"/><rate absspeed=\"" +
                    std::to_string(rate) + "\"/><pitch absmiddle=\"" + std::to_string(pitch) +
                    "\"/>");
}

inline std::u16string LongText() {
    std::u16string text;
    for (int i = 0; i < 200; ++i)
        text += kSentence + u" ";
    return text;
}

inline std::u16string StringValue(ISpObjectToken* token, LPCWSTR name, HRESULT* result = nullptr) {
    LPWSTR text = nullptr;
    HRESULT hr = token->GetStringValue(name, &text);
    if (result)
        *result = hr;
    std::u16string value = text ? text : u"";
    CoTaskMemFree(text);
    return value;
}

inline std::u16string TokenId(ISpObjectToken* token) {
    LPWSTR id = nullptr;
    EXPECT_EQ(token->GetId(&id), S_OK);
    std::u16string value = id ? id : u"";
    CoTaskMemFree(id);
    return value;
}

class Sapi5Runtime : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        RegisterSapi5Runtime();
    }
    void TearDown() override { CoUninitialize(); }

    ISpObjectTokenCategory* Category() {
        ISpObjectTokenCategory* category = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                                   IID_ISpObjectTokenCategory, reinterpret_cast<void**>(&category)),
                  S_OK);
        if (category) {
            EXPECT_EQ(category->SetId(SPCAT_VOICES, FALSE), S_OK);
        }
        return category;
    }

    std::vector<ISpObjectToken*> Tokens(LPCWSTR required = nullptr) {
        std::vector<ISpObjectToken*> tokens;
        ISpObjectTokenCategory* category = Category();
        IEnumSpObjectTokens* list = nullptr;
        if (category && category->EnumTokens(required, nullptr, &list) == S_OK) {
            ISpObjectToken* token = nullptr;
            while (list->Next(1, &token, nullptr) == S_OK)
                tokens.push_back(token);
        }
        SafeRelease(list);
        SafeRelease(category);
        return tokens;
    }

    static void ReleaseAll(std::vector<ISpObjectToken*>& tokens) {
        for (auto*& t : tokens)
            SafeRelease(t);
    }

    // The token of an espeak-ng voice, by its identifier ("gmw/en-US").
    ISpObjectToken* Token(const std::string& identifier) {
        ISpObjectToken* found = nullptr;
        auto tokens = Tokens();
        for (auto*& t : tokens)
            if (!found && ToUtf8(TokenId(t)).ends_with("." + identifier))
                std::swap(found, t);
        ReleaseAll(tokens);
        EXPECT_NE(found, nullptr) << identifier;
        return found;
    }

    ISpVoice* Voice(const std::string& identifier = "gmw/en-US") {
        ISpVoice* voice = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                   reinterpret_cast<void**>(&voice)),
                  S_OK);
        ISpObjectToken* token = Token(identifier);
        EXPECT_EQ(voice->SetVoice(token), S_OK);
        SafeRelease(token);
        return voice;
    }

    ISpStream* BoundStream(const std::filesystem::path& path, SPSTREAMFORMAT format) {
        ISpStream* stream = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL, IID_ISpStream,
                                   reinterpret_cast<void**>(&stream)),
                  S_OK);
        GUID id{};
        WAVEFORMATEX* wfx = nullptr;
        EXPECT_EQ(SpConvertStreamFormatEnum(format, &id, &wfx), S_OK);
        EXPECT_EQ(
            stream->BindToFile(FromUtf8(path.string()).c_str(), SPFM_CREATE_ALWAYS, &id, wfx, 0),
            S_OK);
        CoTaskMemFree(wfx);
        return stream;
    }

    // Speaks into a new WAV file as the program does, waits for the end and
    // releases stream and voice; the file as it is then.
    // The voice's events of interest are gathered into `events`.
    std::optional<WavContents> SpeakToFile(const std::u16string& text,
                                           SPSTREAMFORMAT format = SPSF_22kHz16BitMono,
                                           const std::string& voiceId = "gmw/en-US",
                                           ULONGLONG interest = 0,
                                           std::vector<SPEVENT>* events = nullptr) {
        std::filesystem::path path = dir / ("speech" + std::to_string(++files) + ".wav");
        ISpVoice* voice = Voice(voiceId);
        ISpEventSource* source = nullptr;
        EXPECT_EQ(voice->QueryInterface(IID_ISpEventSource, reinterpret_cast<void**>(&source)),
                  S_OK);
        EXPECT_EQ(source->SetInterest(interest, interest), S_OK);
        ISpStream* stream = BoundStream(path, format);
        EXPECT_EQ(voice->SetOutput(stream, TRUE), S_OK);
        EXPECT_EQ(voice->Speak(text.c_str(), kXmlAsync, nullptr), S_OK);
        EXPECT_EQ(voice->SpeakCompleteEvent()->Wait(kPatienceMs), WAIT_OBJECT_0);
        SPVOICESTATUS status{};
        voice->GetStatus(&status, nullptr);
        EXPECT_EQ(status.hrLastResult, S_OK);
        SPEVENT event{};
        while (source->GetEvents(1, &event, nullptr) == S_OK) {
            if (events)
                events->push_back(event);
            else
                SpClearEvent(&event);
        }
        SafeRelease(source);
        SafeRelease(stream);
        SafeRelease(voice);
        return ReadWav(path);
    }

    double SecondsOf(const WavContents& wav) {
        return Seconds(wav.data.size() / wav.format.nBlockAlign, wav.format.nSamplesPerSec);
    }

    ScratchFolder scratch;
    std::filesystem::path dir = scratch.Path();
    int files = 0;
};
