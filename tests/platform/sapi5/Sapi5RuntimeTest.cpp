#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/sapi5/sapi5.h"
#include "platform/sync/sync.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavProbe.h"

#include <csignal>
#include <cstdlib>
#include <espeak-ng/speak_lib.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

constexpr DWORD kXmlAsync = SPF_ASYNC | SPF_IS_XML;
// A bound on every wait, so that a fault fails the test instead of hanging it.
constexpr DWORD kPatienceMs = 120000;
const std::u16string kSentence =
    u"The quick brown fox jumps over the lazy dog, and the speech runtime writes it down.";

std::u16string Prosody(int volume, int rate, int pitch) {
    return FromUtf8("<volume level=\"" + std::to_string(volume) + "\"/><rate absspeed=\"" +
                    std::to_string(rate) + "\"/><pitch absmiddle=\"" + std::to_string(pitch) +
                    "\"/>");
}

std::u16string LongText() {
    std::u16string text;
    for (int i = 0; i < 200; ++i)
        text += kSentence + u" ";
    return text;
}

std::u16string StringValue(ISpObjectToken* token, LPCWSTR name, HRESULT* result = nullptr) {
    LPWSTR text = nullptr;
    HRESULT hr = token->GetStringValue(name, &text);
    if (result)
        *result = hr;
    std::u16string value = text ? text : u"";
    CoTaskMemFree(text);
    return value;
}

std::u16string TokenId(ISpObjectToken* token) {
    LPWSTR id = nullptr;
    EXPECT_EQ(token->GetId(&id), S_OK);
    std::u16string value = id ? id : u"";
    CoTaskMemFree(id);
    return value;
}

class SetEnv {
public:
    SetEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old, had_ = true;
        setenv(name, value.c_str(), 1);
    }
    ~SetEnv() {
        if (had_)
            setenv(name_, old_.c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::string old_;
    bool had_ = false;
};

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

    ISpStream* BoundStream(const fs::path& path, SPSTREAMFORMAT format) {
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
        fs::path path = dir_ / ("speech" + std::to_string(++files_) + ".wav");
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

    ScratchFolder scratch_;
    fs::path dir_ = scratch_.path();
    int files_ = 0;
};

TEST_F(Sapi5Runtime, EveryInstalledVoiceIsListedWithAName) {
    auto tokens = Tokens();
    std::set<std::string> listed;
    for (auto* token : tokens) {
        std::string id = ToUtf8(TokenId(token));
        ASSERT_TRUE(id.starts_with(ToUtf8(SPCAT_VOICES) + "\\Tokens\\")) << id;
        listed.insert(id.substr(id.find('.') + 1));
        std::u16string name = StringValue(token, nullptr);
        ASSERT_FALSE(name.empty()) << id;
        EXPECT_NE(name.front(), u' ');
        EXPECT_NE(name.back(), u' ');
    }
    ReleaseAll(tokens);

    // Where espeak-ng found its data, asked once the runtime has started it.
    const char* dataPath = nullptr;
    espeak_Info(&dataPath);
    ASSERT_NE(dataPath, nullptr);
    std::set<std::string> installed;
    const fs::path lang = fs::path(dataPath) / "lang";
    for (const auto& entry : fs::recursive_directory_iterator(lang))
        if (entry.is_regular_file())
            installed.insert(fs::relative(entry.path(), lang).string());
    ASSERT_FALSE(installed.empty());

    EXPECT_EQ(listed, installed);
}

TEST_F(Sapi5Runtime, TokensNameTheirVoiceUnderTheirLanguageId) {
    struct {
        const char* identifier;
        const char16_t* valueName;
    } cases[] = {{"gmw/en-US", u"409"}, {"gmw/en", u"809"}, {"gmw/de", u"407"}, {"roa/fr", u"40c"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.identifier);
        ISpObjectToken* token = Token(c.identifier);
        ASSERT_NE(token, nullptr);
        HRESULT hr = E_FAIL;
        std::u16string named = StringValue(token, c.valueName, &hr);
        EXPECT_EQ(hr, S_OK);
        EXPECT_FALSE(named.empty());
        EXPECT_EQ(StringValue(token, nullptr), named);
        // Another language's value is not there; the program falls back to
        // the default value.
        StringValue(token, u"411", &hr);
        EXPECT_EQ(hr, SPERR_NOT_FOUND);
        SafeRelease(token);
    }
    ISpObjectToken* english = Token("gmw/en");
    EXPECT_EQ(StringValue(english, nullptr), u"English (Great Britain)");
    SafeRelease(english);
}

TEST_F(Sapi5Runtime, TheVoicesCategoryIsTheOnlyOne) {
    ISpObjectTokenCategory* category = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                               IID_ISpObjectTokenCategory, reinterpret_cast<void**>(&category)),
              S_OK);
    IEnumSpObjectTokens* list = nullptr;
    EXPECT_EQ(category->EnumTokens(nullptr, nullptr, &list), SPERR_UNINITIALIZED);
    EXPECT_EQ(
        category->SetId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Recognizers", TRUE),
        SPERR_NOT_FOUND);
    EXPECT_EQ(category->SetId(SPCAT_VOICES, FALSE), S_OK);
    SafeRelease(category);

    // Required attributes narrow the list.
    auto german = Tokens(u"Language=407");
    ASSERT_FALSE(german.empty());
    for (auto* token : german)
        EXPECT_EQ(StringValue(token, u"407").empty(), false);
    ReleaseAll(german);
}

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

TEST_F(Sapi5Runtime, MarkupThatIsNotWellFormedIsSpoken) {
    const std::u16string texts[] = {u"a < b & c", u"<unclosed",
                                    u"&lt;tag&gt; &amp; &quot;quoted&quot;",
                                    u"<volume level=\"50\""};
    for (const auto& text : texts) {
        SCOPED_TRACE(ToUtf8(text));
        auto wav = SpeakToFile(Prosody(100, 0, 0) + text);
        ASSERT_TRUE(wav);
        EXPECT_GT(SecondsOf(*wav), 0.3);
        EXPECT_GT(Rms(ToMono(wav->data, wav->format)), 0.01);
    }
}

TEST_F(Sapi5Runtime, CompletionIsSignalledAndReported) {
    ISpVoice* voice = Voice();
    ISpStream* stream = BoundStream(dir_ / "status.wav", SPSF_16kHz16BitMono);
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
    auto wav = ReadWav(dir_ / "status.wav");
    ASSERT_TRUE(wav);
    EXPECT_GT(SecondsOf(*wav), 1.0);
}

TEST_F(Sapi5Runtime, APurgeStopsALongTextAtOnce) {
    const fs::path path = dir_ / "long.wav";
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
        const fs::path path = dir_ / (voiceFirst ? "voice-first.wav" : "stream-first.wav");
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
            const fs::path path = dir_ / ("side" + std::to_string(i) + ".wav");
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
    const fs::path capture = dir_ / "capture.raw";
    SetEnv target("VOCALITH_ALSA_CAPTURE", capture.string());
    ISpVoice* voice = Voice();
    ASSERT_EQ(voice->Speak((Prosody(100, 0, 0) + kSentence).c_str(), kXmlAsync, nullptr), S_OK);
    ASSERT_EQ(voice->WaitUntilDone(kPatienceMs), S_OK);
    SPVOICESTATUS status{};
    voice->GetStatus(&status, nullptr);
    EXPECT_EQ(status.hrLastResult, S_OK);
    SafeRelease(voice);

    // The file plugin stores the frames as played: espeak-ng's 16-bit mono.
    std::ifstream in(capture, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                    std::istreambuf_iterator<char>());
    const WAVEFORMATEX format = MakePcmFormat(22050, 16, 1);
    auto samples = ToMono(bytes, format);
    EXPECT_GT(Seconds(samples.size(), 22050), 2.5);
    EXPECT_LT(Seconds(samples.size(), 22050), 10.0);
    EXPECT_GT(Rms(samples), 0.02);
}

TEST_F(Sapi5Runtime, WithoutAnOutputDeviceSpeakFails) {
    const char* data = std::getenv("VOCALITH_TEST_DATA");
    ASSERT_NE(data, nullptr);
    SetEnv noDevice("ALSA_CONFIG_PATH", (fs::path(data) / "alsa-none.conf").string());
    ISpVoice* voice = Voice();
    EXPECT_TRUE(FAILED(voice->Speak(kSentence.c_str(), kXmlAsync, nullptr)));
    EXPECT_TRUE(voice->SpeakCompleteEvent()->IsSet());
    SafeRelease(voice);
}

TEST_F(Sapi5Runtime, AFullDiskFailsTheSpeechAndLeavesNoFile) {
    const fs::path path = dir_ / "full.wav";
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

TEST_F(Sapi5Runtime, VoiceRefusesWhatItCannotUse) {
    ISpVoice* voice = Voice();
    EXPECT_EQ(voice->Speak(nullptr, SPF_ASYNC, nullptr), E_POINTER);
    EXPECT_EQ(voice->Speak(u"x", 0x4000, nullptr), E_INVALIDARG);
    EXPECT_EQ(voice->Speak(u"x", SPF_IS_XML | SPF_IS_NOT_XML, nullptr), E_INVALIDARG);
    // Purging an idle voice is harmless.
    EXPECT_EQ(voice->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr), S_OK);

    // Not a stream, and a stream that is not bound yet.
    ISpObjectToken* token = Token("gmw/en");
    EXPECT_EQ(voice->SetOutput(token, TRUE), E_INVALIDARG);
    ISpStream* unbound = nullptr;
    CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL, IID_ISpStream,
                     reinterpret_cast<void**>(&unbound));
    EXPECT_EQ(voice->SetOutput(unbound, TRUE), SPERR_UNINITIALIZED);
    SafeRelease(unbound);

    ISpObjectToken* chosen = nullptr;
    ASSERT_EQ(voice->SetVoice(token), S_OK);
    ASSERT_EQ(voice->GetVoice(&chosen), S_OK);
    EXPECT_EQ(TokenId(chosen), TokenId(token));
    SafeRelease(chosen);
    SafeRelease(token);
    SafeRelease(voice);
}

enum class Heard { Same, Different, Longer, LongerOrLouder, Higher };

// Each snippet against a reference on the real audio: the same speech, or
// other speech, or longer, louder or higher.
TEST_F(Sapi5Runtime, MarkupIsHeardAsMarkedUp) {
    struct {
        const char16_t* markup;
        const char16_t* reference;
        const char* referenceVoice;
        Heard heard;
    } cases[] = {
        // Elements without a sound of their own never speak their names.
        {u"<Unknown Attr=\"x\">one two</unknown>", u"one two", "gmw/en-US", Heard::Same},
        {u"<sapi><partofsp part=\"noun\">record</partofsp></sapi>", u"record", "gmw/en-US",
         Heard::Same},
        {u"<pron sym=\"h xx l ow\">word</pron>", u"word", "gmw/en-US", Heard::Same},
        {u"<partofsp part=\"verb\">record</partofsp>", u"<partofsp part=\"noun\">record</partofsp>",
         "gmw/en-US", Heard::Different},
        {u"<pron sym=\"h eh 1 l ow\">goodbye</pron>", u"goodbye", "gmw/en-US", Heard::Different},
        {u"<lang langid=\"407\">Guten Tag</lang>", u"Guten Tag", "gmw/de", Heard::Same},
        {u"<lang langid=\"407\">Guten Tag</lang>", u"Guten Tag", "gmw/en-US", Heard::Different},
        {u"<voice required=\"Language=809\">Good day</voice>", u"Good day", "gmw/en", Heard::Same},
        {u"<voice required=\"Gender=Female\">Good morning to you all.</voice>",
         u"Good morning to you all.", "gmw/en-US", Heard::Higher},
        {u"<spell>cab</spell>", u"cab", "gmw/en-US", Heard::Longer},
        {u"We will <emph>not</emph> go home.", u"We will not go home.", "gmw/en-US",
         Heard::LongerOrLouder},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.markup));
        auto marked = SpeakToFile(c.markup);
        auto reference = SpeakToFile(c.reference, SPSF_22kHz16BitMono, c.referenceVoice);
        ASSERT_TRUE(marked && reference);
        auto a = ToMono(marked->data, marked->format);
        auto b = ToMono(reference->data, reference->format);
        const unsigned rate = marked->format.nSamplesPerSec;
        const double distance = SpectralDistance(Spectrum(a, rate), Spectrum(b, rate));
        switch (c.heard) {
        // espeak-ng varies its voice a little from one call to the next, so
        // the same speech is told by its length and spectrum.
        case Heard::Same:
            EXPECT_NEAR(double(a.size()) / b.size(), 1.0, 0.05);
            EXPECT_LT(distance, 2.0);
            break;
        case Heard::Different:
            EXPECT_GT(distance, 2.5);
            break;
        case Heard::Longer:
            EXPECT_GT(a.size(), b.size() * 3 / 2);
            break;
        case Heard::LongerOrLouder:
            EXPECT_TRUE(a.size() > b.size() * 21 / 20 || Rms(a) > Rms(b) * 1.05)
                << a.size() << " against " << b.size() << ", " << Rms(a) << " against " << Rms(b);
            break;
        case Heard::Higher:
            EXPECT_GT(MedianPitch(a, rate), MedianPitch(b, rate) * 1.3);
            break;
        }
    }
}

TEST_F(Sapi5Runtime, BookmarksAndSilenceComeWhereTheyAreWritten) {
    std::vector<SPEVENT> events;
    auto wav = SpeakToFile(
        u"One two<bookmark mark=\"1st\"/> three<bookmark mark=\"22\"/>"
        u"<silence msec=\"1000\"/>four<bookmark mark=\"4\"/> five six.<bookmark mark=\"end\"/>",
        SPSF_16kHz16BitStereo, "gmw/en-US", SPFEI(SPEI_TTS_BOOKMARK), &events);
    ASSERT_TRUE(wav);
    auto samples = ToMono(wav->data, wav->format);
    const double rate = wav->format.nSamplesPerSec, block = wav->format.nBlockAlign;
    Stretch gap = LongestQuiet(samples, 0.01f);
    // The second of silence, between "three" and "four".
    EXPECT_GT(gap.length / rate, 1.0);
    EXPECT_LT(gap.length / rate, 1.6);
    EXPECT_GT(gap.start / rate, 0.5);
    EXPECT_GT((samples.size() - gap.start - gap.length) / rate, 0.5);

    ASSERT_EQ(events.size(), 4u);
    const char16_t* marks[] = {u"1st", u"22", u"4", u"end"};
    const WPARAM numbers[] = {1, 22, 4, 0};
    double at[4];
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(events[i].eEventId, SPEI_TTS_BOOKMARK);
        ASSERT_EQ(events[i].elParamType, SPET_LPARAM_IS_STRING);
        EXPECT_EQ(std::u16string(reinterpret_cast<LPCWSTR>(events[i].lParam)), marks[i]);
        EXPECT_EQ(events[i].wParam, numbers[i]);
        EXPECT_EQ(events[i].ullAudioStreamOffset % wav->format.nBlockAlign, 0u);
        at[i] = events[i].ullAudioStreamOffset / block / rate;
        SpClearEvent(&events[i]);
    }
    // "1st" after "One two", before "three"; "22" where the silence starts
    // (after the pause espeak-ng ends "three" with); "4" after "four";
    // "end" at the end.
    EXPECT_GT(at[0], 0.3);
    EXPECT_LT(at[0], at[1] - 0.2);
    EXPECT_GE(at[1], gap.start / rate - 0.02);
    EXPECT_LE(at[1], (gap.start + gap.length) / rate - 0.95);
    EXPECT_GT(at[2], (gap.start + gap.length) / rate + 0.1);
    EXPECT_LT(at[2], at[3] - 0.3);
    EXPECT_NEAR(at[3], samples.size() / rate, 0.05);

    // Only the events asked for come: here the start and end of the speech.
    events.clear();
    wav = SpeakToFile(u"a<bookmark mark=\"x\"/>b", SPSF_16kHz16BitMono, "gmw/en-US",
                      SPFEI(SPEI_START_INPUT_STREAM) | SPFEI(SPEI_END_INPUT_STREAM), &events);
    ASSERT_TRUE(wav);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].eEventId, SPEI_START_INPUT_STREAM);
    EXPECT_EQ(events[0].ullAudioStreamOffset, 0u);
    EXPECT_EQ(events[1].eEventId, SPEI_END_INPUT_STREAM);
    // Within what resampling to the stream's rate rounds away.
    EXPECT_NEAR(double(events[1].ullAudioStreamOffset), double(wav->data.size()), 320.0);
}

} // namespace
