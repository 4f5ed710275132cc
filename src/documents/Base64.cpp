#include "src/documents/Base64.h"

namespace {

int SextetOf(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+' || c == '-')
        return 62;
    if (c == '/' || c == '_')
        return 63;
    return -1;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

} // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
    std::string bytes;
    bytes.reserve(text.size() / 4 * 3);
    unsigned int bits = 0;
    int count = 0;
    bool padded = false;
    for (const char c : text) {
        if (IsSpace(c))
            continue;
        if (c == '=') {
            padded = true;
            continue;
        }
        const int sextet = SextetOf(c);
        if (sextet < 0 || padded)
            return std::nullopt;
        bits = ((bits << 6) | static_cast<unsigned int>(sextet)) & 0xFFFFu;
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    if (count >= 6) // a lone sextet cannot end a byte
        return std::nullopt;
    return bytes;
}

std::string ImageMediaType(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xD8\xFF"))
        return "image/jpeg";
    if (bytes.starts_with("\x89PNG\r\n\x1A\n"))
        return "image/png";
    if (bytes.starts_with("GIF87a") || bytes.starts_with("GIF89a"))
        return "image/gif";
    if (bytes.size() >= 12 && bytes.starts_with("RIFF") && bytes.substr(8, 4) == "WEBP")
        return "image/webp";
    return {};
}
