#pragma once
// The forms of a PDF line's text that the layout and chapter rules compare,
// where the printed form differs in case, spacing, punctuation or numbers.

#include <string>
#include <string_view>

// Letters and digits only, ASCII lowercased ("Chapter 1: The Storm" ->
// "chapter1thestorm"): an outline title against the heading printed for it.
std::string TitleKey(std::string_view text);

// The same without a leading "Chapter 1", "Part II", "3." and the like
// ("thestorm"); empty when nothing else is left.
std::string TitleKeyWithoutNumber(std::string_view text);

// Lowercased words with every run of digits as '#' ("Page 12 of 40" ->
// "page # of #"): running heads and feet that differ only in their numbers.
std::string RunningKey(std::string_view text);

// A page number alone: "12", "- 12 -", "xiv", "Page 12", "12 of 40".
bool IsPageNumber(std::string_view text);
