#pragma once
// A PDF's language as its XMP metadata declares it (dc:language): poppler
// does not give the catalog's /Lang.

#include <string>
#include <string_view>

// The first language listed, or empty when the packet names none or is not
// well-formed XML.
std::string XmpLanguage(std::string_view xmp);
