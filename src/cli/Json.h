#pragma once
// The small pieces of the listings' output: a JSON string literal and a
// column padded to its width.

#include <string>

std::string JsonQuoted(const std::string& text);
std::string Padded(std::string text, std::size_t width);
