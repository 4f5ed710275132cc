#pragma once
// An EPUB's table of contents: the EPUB 3 navigation document's toc and
// landmarks, or the EPUB 2 NCX's navMap, as entries with their nesting level
// and the place in the container they point to.

#include "src/documents/XmlDocument.h"

#include <map>
#include <string>
#include <vector>

struct TocEntry {
    std::string title;
    int level = 1;        // 1 for the outermost list
    std::string path;     // the content file
    std::string fragment; // the element id within it; empty for the file's start
};

struct EpubToc {
    std::vector<TocEntry> entries; // in the order the table lists them
    // Files the landmarks name as front or back matter, with their labels.
    std::map<std::string, std::string> matter;
};

// `path` is the document's own entry, for resolving its links. An entry
// without a link of its own (a part's heading over its chapters) points
// where its first linked entry beneath it does.
EpubToc ReadNavDocument(const XmlDocument& nav, const std::string& path);
EpubToc ReadNcx(const XmlDocument& ncx, const std::string& path);
