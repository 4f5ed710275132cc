#include "src/documents/TextDecoding.h"

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

namespace {

constexpr char32_t kReplacement = 0xFFFD;

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    std::string text;
    text.reserve(bytes.size());
    const auto unitAt = [&](std::size_t i) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? first << 8 | second : second << 8 | first);
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const char32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        // A surrogate without its partner stands for no character.
        AppendUtf8(text, unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit);
    }
    // An odd last byte cannot be half a character of anything readable.
    if (bytes.size() % 2)
        AppendUtf8(text, kReplacement);
    return text;
}

// The length of the strict UTF-8 sequence at `i` (no overlong forms, no
// surrogates, nothing above U+10FFFF), 0 when the bytes there are none.
std::size_t SequenceAt(std::string_view bytes, std::size_t i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || bytes.size() - i < length)
        return 0;
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (next & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || (code >= 0xD800 && code < 0xE000) || code > 0x10FFFF)
        return 0;
    return length;
}

bool IsUtf8(std::string_view bytes) {
    for (std::size_t i = 0, length = 0; i < bytes.size(); i += length)
        if ((length = SequenceAt(bytes, i)) == 0)
            return false;
    return true;
}

} // namespace

std::string DecodeTextToUtf8(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE"))
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.starts_with("\xFE\xFF"))
        return DecodeUtf16(bytes.substr(2), true);
    if (bytes.starts_with("\xEF\xBB\xBF"))
        bytes.remove_prefix(3);
    if (IsUtf8(bytes))
        return std::string(bytes);
    std::string latin1; // each byte is its own code point
    latin1.reserve(bytes.size() * 2);
    for (char byte : bytes)
        AppendUtf8(latin1, static_cast<unsigned char>(byte));
    return latin1;
}

std::string ValidUtf8(std::string_view text) {
    if (IsUtf8(text))
        return std::string(text);
    std::string valid;
    valid.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t length = SequenceAt(text, i)) {
            valid.append(text.substr(i, length));
            i += length;
        } else {
            AppendUtf8(valid, kReplacement);
            ++i;
        }
    }
    return valid;
}
