#pragma once
// UTF-16 strings of the platform interfaces, and the UTF-8 the Linux libraries
// and file system take.

#include <string>
#include <string_view>

std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// Appends one code point, as a surrogate pair beyond the BMP.
void AppendUtf16(std::u16string& out, char32_t c);
