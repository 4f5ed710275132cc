#pragma once
// Base64 as FictionBook embeds its images (white space anywhere), and the
// media type an image's first bytes name.

#include <optional>
#include <string>
#include <string_view>

// nullopt on a character outside the alphabet or a broken end.
std::optional<std::string> DecodeBase64(std::string_view text);
// "image/jpeg", "image/png", "image/gif", "image/webp", or empty.
std::string ImageMediaType(std::string_view bytes);
