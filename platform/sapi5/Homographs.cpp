#include "platform/sapi5/Homographs.h"

#include <algorithm>
#include <cctype>
#include <espeak-ng/speak_lib.h>
#include <string_view>

namespace {

constexpr std::string_view kClose = "</partofsp>";

// The phonemes of the word's reading after the context word: "rI#k'o@d"
// from "to record"; empty when espeak gives none.
std::string PhonemesAfter(std::string_view context, std::string_view word) {
    std::string text = std::string(context) + " " + std::string(word);
    const void* at = text.c_str();
    const char* phonemes = espeak_TextToPhonemes(&at, espeakCHARS_UTF8, 0);
    std::string_view all = phonemes ? phonemes : "";
    std::size_t space = all.find_last_of(' ');
    return space == std::string_view::npos ? std::string() : std::string(all.substr(space + 1));
}

bool IsWord(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](unsigned char c) {
        return std::isalpha(c) || c == '\'' || c == '-';
    });
}

} // namespace

std::string ReadHomographs(std::string ssml) {
    static constexpr std::pair<std::string_view, std::string_view> kParts[] = {
        {"<partofsp part=\"noun\">", "the"}, {"<partofsp part=\"verb\">", "to"}};
    for (const auto& [open, context] : kParts) {
        for (std::size_t at = ssml.find(open); at != std::string::npos; at = ssml.find(open, at)) {
            std::size_t wordAt = at + open.size();
            std::size_t end = ssml.find(kClose, wordAt);
            if (end == std::string::npos)
                break;
            std::string_view word = std::string_view(ssml).substr(wordAt, end - wordAt);
            std::string phonemes = IsWord(word) ? PhonemesAfter(context, word) : std::string();
            // Elsewhere espeak-ng passes over the element and reads the text.
            if (phonemes.empty()) {
                at = wordAt;
                continue;
            }
            // Padded to the element's length, so that espeak-ng's positions
            // in the text still match the reader's.
            const std::size_t length = end + kClose.size() - at;
            std::string replacement = " [[" + phonemes + "]] ";
            replacement.resize(std::max(replacement.size(), length), ' ');
            ssml.replace(at, length, replacement);
            at += replacement.size();
        }
    }
    return ssml;
}
