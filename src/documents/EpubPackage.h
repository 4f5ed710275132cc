#pragma once
// An EPUB's package as its container declares it: META-INF/container.xml
// names the package document, whose metadata, manifest, spine and guide are
// read here, after the container has been checked for DRM.

#include "src/documents/Book.h"
#include "src/documents/ZipArchive.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

struct EpubSpineItem {
    std::string path; // the entry in the container
    bool linear = true;
};

struct EpubPackage {
    Book metadata;                    // title, authors, language, cover; no chapters
    std::vector<EpubSpineItem> spine; // (X)HTML content only, each file once, in reading order
    std::string navPath;              // the EPUB 3 navigation document, if any
    std::string ncxPath;              // the EPUB 2 table of contents, if any
    // Files the guide names as front or back matter (cover, title page,
    // contents, copyright, index), with the guide's title for them.
    std::map<std::string, std::string> matter;
};

// The package, or nullopt with the reason (DRM, a missing or malformed
// container or package document, a manifest entry outside the container).
std::optional<EpubPackage> ReadEpubPackage(ZipArchive& zip, std::string& error);

// Whether a type names front or back matter ("cover", "title-page",
// "titlepage", "toc", "copyright-page", "index", ...): the guide's and the
// landmarks' vocabulary.
bool IsMatterType(std::string_view type);
