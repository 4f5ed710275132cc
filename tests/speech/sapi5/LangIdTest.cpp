#include "platform/com/langid.h"

#include "tests/support/EnvOverride.h"

#include <gtest/gtest.h>

namespace {

// The user's locale as the environment gives it, LC_ALL first.
LANGID LangIdWith(const char* lcAll, const char* lcMessages, const char* lang) {
    EnvOverride a("LC_ALL", lcAll), m("LC_MESSAGES", lcMessages), l("LANG", lang);
    return GetUserDefaultLangID();
}

TEST(LangId, UserLanguageFromTheLocale) {
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "en_US.UTF-8"), 0x0409);
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "de_DE.UTF-8"), 0x0407);
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "fr_FR"), 0x040C);
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "en_GB.ISO-8859-1"), 0x0809);
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "de_AT@euro"), 0x0C07);
    // A language alone counts as its main region.
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "de"), 0x0407);
}

TEST(LangId, CAndPosixAndUnknownCountAsUsEnglish) {
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "C"), 0x0409);
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "C.UTF-8"), 0x0409);
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "POSIX"), 0x0409);
    EXPECT_EQ(LangIdWith(nullptr, nullptr, "xx_YY"), 0x0409);
}

TEST(LangId, LcAllOverridesLcMessagesOverridesLang) {
    EXPECT_EQ(LangIdWith("de_DE.UTF-8", "fr_FR.UTF-8", "en_GB.UTF-8"), 0x0407);
    EXPECT_EQ(LangIdWith(nullptr, "fr_FR.UTF-8", "en_GB.UTF-8"), 0x040C);
    // An empty variable is as good as none.
    EXPECT_EQ(LangIdWith("", "", "en_GB.UTF-8"), 0x0809);
}

TEST(LangId, LanguageTagsOfVoices) {
    EXPECT_EQ(LangIdFromLocaleName("en-us"), 0x0409);
    EXPECT_EQ(LangIdFromLocaleName("en-gb"), 0x0809);
    EXPECT_EQ(LangIdFromLocaleName("en-gb-scotland"), 0x0809);
    EXPECT_EQ(LangIdFromLocaleName("en-029"), 0x2409);
    EXPECT_EQ(LangIdFromLocaleName("pt-br"), 0x0416);
    EXPECT_EQ(LangIdFromLocaleName("es-419"), 0x580A);
    EXPECT_EQ(LangIdFromLocaleName("fr-be"), 0x080C);
    EXPECT_EQ(LangIdFromLocaleName("jbo"), 0);
    EXPECT_EQ(LangIdFromLocaleName(""), 0);
}

} // namespace
