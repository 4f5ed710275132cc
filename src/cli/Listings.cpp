#include "src/cli/Listings.h"

#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/cli/Json.h"
#include "src/cli/VoiceLanguage.h"
#include "src/speech/AudioFormatTable.h"
#include "src/speech/Sapi4Engine.h"
#include "src/speech/Sapi5Engine.h"
#include "src/speech/VoiceCatalogue.h"

#include <cstdio>
#include <iterator>
#include <vector>

namespace {

struct VoiceRow {
    std::string name, language;
    std::vector<std::string> controls;
};

std::string Terminated(const WCHAR* text, std::size_t capacity) {
    std::u16string value(text, capacity);
    return ToUtf8(value.substr(0, value.find(u'\0')));
}

std::vector<VoiceRow> VoiceRows(const Sapi4Engine& sapi4, const Sapi5Engine& sapi5) {
    const VoiceCatalogue voices(sapi4, sapi5);
    std::vector<VoiceRow> rows;
    for (std::size_t i = 0; i < voices.Count(); ++i) {
        const int position = static_cast<int>(i);
        VoiceRow row{ToUtf8(voices.DisplayString(position)), {}, {}};
        if (voices.IsSapi4(position)) {
            const CSAPI4VoiceInfo& voice = sapi4.Voice(i);
            const LANGUAGEW& language = voice.modeInfo.language;
            row.language = Terminated(language.szDialect, std::size(language.szDialect));
            if (voice.canSetSpeed)
                row.controls.push_back("speed");
            if (voice.canSetVolume)
                row.controls.push_back("volume");
            if (voice.canSetPitch)
                row.controls.push_back("pitch");
        } else {
            row.language = VoiceLanguageTag(voices, sapi4, sapi5, position);
            // SAPI 5 voices take all three as absolute markup; they also take the quality.
            row.controls = {"speed", "volume", "pitch", "quality"};
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

std::string VoiceListing(const Sapi4Engine& sapi4, const Sapi5Engine& sapi5, bool json) {
    const std::vector<VoiceRow> rows = VoiceRows(sapi4, sapi5);
    std::string text = json ? "[\n" : "";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const VoiceRow& row = rows[i];
        std::string controls;
        for (const std::string& control : row.controls)
            controls += (controls.empty() ? ""
                         : json           ? ", "
                                          : " ") +
                        (json ? JsonQuoted(control) : control);
        if (json)
            text += "  {\"index\": " + std::to_string(i) + ", \"name\": " + JsonQuoted(row.name) +
                    ", \"language\": " + JsonQuoted(row.language) + ", \"controls\": [" + controls +
                    "]}" + (i + 1 < rows.size() ? ",\n" : "\n");
        else
            text += Padded(std::to_string(i), 4) + Padded(row.name, 42) + " " +
                    Padded(row.language, 14) + " " + controls + "\n";
    }
    return json ? text + "]\n" : text;
}

std::string QualityListing(bool json) {
    std::string text = json ? "[\n" : "";
    for (int i = 0; i < AudioFormatTable::kCount; ++i) {
        const std::string name = ToUtf8(AudioFormatTable::Row(i).name);
        const bool isDefault = i == AudioFormatTable::kDefaultIndex;
        if (json)
            text += "  {\"index\": " + std::to_string(i) + ", \"name\": " + JsonQuoted(name) +
                    ", \"default\": " + (isDefault ? "true" : "false") + "}" +
                    (i + 1 < AudioFormatTable::kCount ? ",\n" : "\n");
        else
            text += Padded(std::to_string(i), 4) + name + (isDefault ? "  (default)" : "") + "\n";
    }
    return json ? text + "]\n" : text;
}

std::string WmaListing(const WmaCodecCatalogue& wma, bool json) {
    std::string text = json ? "[\n" : "";
    for (std::size_t c = 0; c < wma.codecs().size(); ++c) {
        const WmaCodecEntry& codec = wma.codecs()[c];
        if (json)
            text += "  {\"index\": " + std::to_string(c) +
                    ", \"name\": " + JsonQuoted(ToUtf8(codec.name)) + ", \"formats\": [\n";
        else
            text += std::to_string(c) + "  " + ToUtf8(codec.name) + "\n";
        for (std::size_t f = 0; f < codec.formats.size(); ++f) {
            const std::string description = ToUtf8(codec.formats[f].description);
            if (json)
                text += "    {\"index\": " + std::to_string(f) +
                        ", \"description\": " + JsonQuoted(description) + "}" +
                        (f + 1 < codec.formats.size() ? ",\n" : "\n");
            else
                text += "   " + std::to_string(c) + "/" + Padded(std::to_string(f), 4) +
                        description + "\n";
        }
        if (json)
            text += std::string("  ]}") + (c + 1 < wma.codecs().size() ? ",\n" : "\n");
    }
    return json ? text + "]\n" : text;
}
