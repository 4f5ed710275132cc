// The voices the runtime lists: their tokens, names and language values, and
// what a voice refuses.

#include "tests/platform/sapi5/Sapi5RuntimeFixture.h"

#include <espeak-ng/speak_lib.h>
#include <set>

namespace {

namespace fs = std::filesystem;

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

} // namespace
