#pragma once
// Language ids (LANGID: sublanguage << 10 | primary language) as the original
// platform numbers them, taken here from POSIX locale names and language tags.

#include "platform/com/types.h"

#include <string_view>

// The user's language from the POSIX locale (LC_ALL, then LC_MESSAGES, then
// LANG, else the program's own LC_MESSAGES locale); "C", "POSIX" and
// languages this table does not know count as US English, 0x0409.
LANGID GetUserDefaultLangID();

// The id of a locale name or language tag: "de_DE.UTF-8", "en-gb", "fr",
// "en-gb-scotland" (longest known prefix). 0 when the language is unknown.
LANGID LangIdFromLocaleName(std::string_view name);
