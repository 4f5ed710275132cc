#include "platform/com/langid.h"

#include <clocale>
#include <cstdlib>
#include <string>

namespace {

struct LangEntry {
    const char* tag;
    LANGID id;
};

// Language and region pairs, by their published ids.
constexpr LangEntry kRegional[] = {
    {"ar-sa", 0x0401}, {"ar-eg", 0x0C01},  {"bn-bd", 0x0845},  {"bn-in", 0x0445},
    {"de-at", 0x0C07}, {"de-ch", 0x0807},  {"de-de", 0x0407},  {"de-li", 0x1407},
    {"de-lu", 0x1007}, {"en-029", 0x2409}, {"en-au", 0x0C09},  {"en-bz", 0x2809},
    {"en-ca", 0x1009}, {"en-gb", 0x0809},  {"en-ie", 0x1809},  {"en-in", 0x4009},
    {"en-jm", 0x2009}, {"en-nz", 0x1409},  {"en-tt", 0x2C09},  {"en-us", 0x0409},
    {"en-za", 0x1C09}, {"es-419", 0x580A}, {"es-ar", 0x2C0A},  {"es-cl", 0x340A},
    {"es-co", 0x240A}, {"es-es", 0x0C0A},  {"es-mx", 0x080A},  {"es-us", 0x540A},
    {"fr-be", 0x080C}, {"fr-ca", 0x0C0C},  {"fr-ch", 0x100C},  {"fr-fr", 0x040C},
    {"fr-lu", 0x140C}, {"it-ch", 0x0810},  {"it-it", 0x0410},  {"nl-be", 0x0813},
    {"nl-nl", 0x0413}, {"pt-br", 0x0416},  {"pt-pt", 0x0816},  {"sv-fi", 0x081D},
    {"sv-se", 0x041D}, {"zh-cn", 0x0804},  {"zh-hk", 0x0C04},  {"zh-sg", 0x1004},
    {"zh-tw", 0x0404}, {"zh-cmn", 0x0804}, {"zh-yue", 0x0C04}, {"sr-latn", 0x081A},
    {"vi-vn", 0x042A},
};

// A language alone: the id of its main region.
constexpr LangEntry kLanguages[] = {
    {"af", 0x0436},  {"am", 0x045E},  {"ar", 0x0401},  {"as", 0x044D},  {"az", 0x042C},
    {"ba", 0x046D},  {"be", 0x0423},  {"bg", 0x0402},  {"bn", 0x0445},  {"bs", 0x141A},
    {"ca", 0x0403},  {"cmn", 0x0804}, {"cs", 0x0405},  {"cy", 0x0452},  {"da", 0x0406},
    {"de", 0x0407},  {"el", 0x0408},  {"en", 0x0409},  {"es", 0x0C0A},  {"et", 0x0425},
    {"eu", 0x042D},  {"fa", 0x0429},  {"fi", 0x040B},  {"fr", 0x040C},  {"ga", 0x083C},
    {"gd", 0x0491},  {"gu", 0x0447},  {"haw", 0x0475}, {"he", 0x040D},  {"hi", 0x0439},
    {"hr", 0x041A},  {"hu", 0x040E},  {"hy", 0x042B},  {"id", 0x0421},  {"is", 0x040F},
    {"it", 0x0410},  {"ja", 0x0411},  {"ka", 0x0437},  {"kk", 0x043F},  {"kl", 0x046F},
    {"kn", 0x044B},  {"ko", 0x0412},  {"kok", 0x0457}, {"ky", 0x0440},  {"lb", 0x046E},
    {"lt", 0x0427},  {"lv", 0x0426},  {"mi", 0x0481},  {"mk", 0x042F},  {"ml", 0x044C},
    {"mr", 0x044E},  {"ms", 0x043E},  {"mt", 0x043A},  {"my", 0x0455},  {"nb", 0x0414},
    {"ne", 0x0461},  {"nl", 0x0413},  {"nn", 0x0814},  {"no", 0x0414},  {"om", 0x0472},
    {"or", 0x0448},  {"pa", 0x0446},  {"pl", 0x0415},  {"pt", 0x0816},  {"qu", 0x046B},
    {"quc", 0x0486}, {"ro", 0x0418},  {"ru", 0x0419},  {"sd", 0x0859},  {"si", 0x045B},
    {"sk", 0x041B},  {"sl", 0x0424},  {"sq", 0x041C},  {"sr", 0x0C1A},  {"sv", 0x041D},
    {"sw", 0x0441},  {"ta", 0x0449},  {"te", 0x044A},  {"th", 0x041E},  {"tk", 0x0442},
    {"tn", 0x0432},  {"tr", 0x041F},  {"tt", 0x0444},  {"ug", 0x0480},  {"uk", 0x0422},
    {"ur", 0x0420},  {"uz", 0x0443},  {"vi", 0x042A},  {"yue", 0x0C04}, {"zh", 0x0804},
};

constexpr LANGID kUsEnglish = 0x0409;

template <std::size_t N> LANGID Find(const LangEntry (&table)[N], std::string_view tag) {
    for (const auto& entry : table)
        if (tag == entry.tag)
            return entry.id;
    return 0;
}

// "de_DE.UTF-8@euro" -> "de-de": lower case, '-' between subtags, no
// codeset or modifier.
std::string Normalise(std::string_view name) {
    std::string tag;
    for (char c : name) {
        if (c == '.' || c == '@')
            break;
        if (c == '_')
            c = '-';
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        tag += c;
    }
    return tag;
}

const char* NonEmpty(const char* value) {
    return value && *value ? value : nullptr;
}

} // namespace

LANGID LangIdFromLocaleName(std::string_view name) {
    std::string tag = Normalise(name);
    while (!tag.empty()) {
        if (LANGID id = Find(kRegional, tag))
            return id;
        std::size_t dash = tag.rfind('-');
        if (dash == std::string::npos)
            return Find(kLanguages, tag);
        tag.resize(dash);
    }
    return 0;
}

LANGID GetUserDefaultLangID() {
    // The order in which POSIX resolves the LC_MESSAGES category of "".
    const char* name = NonEmpty(std::getenv("LC_ALL"));
    if (!name)
        name = NonEmpty(std::getenv("LC_MESSAGES"));
    if (!name)
        name = NonEmpty(std::getenv("LANG"));
    if (!name)
        name = NonEmpty(std::setlocale(LC_MESSAGES, nullptr));
    if (!name)
        return kUsEnglish;
    LANGID id = LangIdFromLocaleName(name);
    return id ? id : kUsEnglish;
}
