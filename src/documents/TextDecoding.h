#pragma once
// A document's bytes as UTF-8, read as the window's editor would read them:
// UTF-16 with a byte-order mark, UTF-8 (with or without one), and Latin-1 when
// the bytes are not valid UTF-8, since a Latin-1 file is the likeliest source
// of such bytes.

#include <string>
#include <string_view>

std::string DecodeTextToUtf8(std::string_view bytes);

// Text meant to be UTF-8 with each byte that is not part of a valid sequence
// replaced by U+FFFD: libxml2's HTML parser lets such bytes of a page that
// lied about its encoding through.
std::string ValidUtf8(std::string_view text);

// One code point appended in UTF-8.
void AppendUtf8(std::string& out, char32_t code);
