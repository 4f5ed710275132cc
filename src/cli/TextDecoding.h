#pragma once
// A document's bytes as the editor would hold them: UTF-16 with a byte-order
// mark, UTF-8 (with or without one), and Latin-1 when the bytes are not valid
// UTF-8, since a Latin-1 file is the likeliest source of such bytes.

#include <string>
#include <string_view>

std::u16string DecodeText(std::string_view bytes);
