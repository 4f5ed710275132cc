#pragma once
// poppler's UTF-16 strings as UTF-8, converted in place rather than through
// poppler's byte array per word.

#include <poppler-global.h>
#include <string>

void AppendUtf8(std::string& out, const poppler::ustring& text);
std::string Utf8(const poppler::ustring& text);
