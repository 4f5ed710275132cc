#include "src/documents/PdfUtf8.h"

#include "src/documents/TextDecoding.h"

namespace {

// Typeset ligatures (U+FB00..U+FB06) as the letters they join: a voice
// knows "fi", not the ligature.
bool AppendLigature(std::string& out, char32_t c) {
    static constexpr const char* kLetters[] = {"ff", "fi", "fl", "ffi", "ffl", "st", "st"};
    if (c < 0xFB00 || c > 0xFB06)
        return false;
    out += kLetters[c - 0xFB00];
    return true;
}

} // namespace

// A lone surrogate becomes U+FFFD; a NUL is dropped, never spoken or cut at.
void AppendUtf8(std::string& out, const poppler::ustring& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c != 0 && !AppendLigature(out, c))
            AppendUtf8(out, c);
    }
}

std::string Utf8(const poppler::ustring& text) {
    std::string out;
    AppendUtf8(out, text);
    return out;
}
