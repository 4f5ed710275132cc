#pragma once
// The pieces of XML the SAPI 5 reader takes apart: a start, end or empty tag
// with its attributes, and character references. Element and attribute
// names compare without regard to ASCII case.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

bool IsXmlSpace(char16_t c);

struct XmlAttribute {
    std::u16string_view name;
    std::u16string value; // references decoded
};

struct XmlTag {
    std::u16string_view name;
    std::vector<XmlAttribute> attributes;
    bool closing = false; // </name>
    bool empty = false;   // <name/>
    std::size_t end = 0;  // just past '>'

    // The last attribute of that name, as an integer ("-5", " 20 "; far out
    // of range saturates); nothing if absent or not a number.
    std::optional<long> Number(std::u16string_view lowerName) const;
    // The last attribute of that name; null if absent.
    const std::u16string* Text(std::u16string_view lowerName) const;
};

// The tag that starts at `at` ('<'); nothing if it is not well-formed.
std::optional<XmlTag> ParseXmlTag(std::u16string_view xml, std::size_t at);

// Decodes the reference at `at` ('&') into `out` and gives the position
// after it; an unknown or unfinished one is a plain ampersand.
std::size_t DecodeXmlReference(std::u16string_view xml, std::size_t at, std::u16string& out);
