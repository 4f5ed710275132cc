#include "src/documents/EpubToc.h"

#include "src/documents/EpubPackage.h"
#include "src/documents/ReaderSupport.h"
#include "src/documents/ZipArchive.h"

#include <algorithm>

namespace {

// Nesting deeper than this is flattened: no book needs it, and the lists are
// walked recursively.
constexpr int kMaxLevel = 32;

bool Link(const std::string& base, const std::string& href, TocEntry& entry) {
    const auto path = ResolveInContainer(base, href);
    if (!path)
        return false;
    entry.path = *path;
    const auto hash = href.find('#');
    entry.fragment = hash == std::string::npos ? std::string() : href.substr(hash + 1);
    return true;
}

// Entries added from `first` on that have no place take the place of the
// first one after them that has: a heading over its entries starts with
// them.
void PlaceUnlinked(std::vector<TocEntry>& entries, std::size_t first) {
    for (std::size_t i = entries.size(); i-- > first;)
        if (entries[i].path.empty() && i + 1 < entries.size()) {
            entries[i].path = entries[i + 1].path;
            entries[i].fragment = entries[i + 1].fragment;
        }
}

void ReadList(const xmlNode* list, int level, const std::string& base,
              std::vector<TocEntry>& entries) {
    for (const xmlNode* item : Elements(list)) {
        if (LocalName(item) != "li")
            continue;
        TocEntry entry;
        entry.level = std::min(level, kMaxLevel);
        const std::size_t first = entries.size();
        const xmlNode* sublist = nullptr;
        for (const xmlNode* child : Elements(item)) {
            const std::string_view name = LocalName(child);
            if (name == "ol" || name == "ul") {
                sublist = child;
            } else if (entry.title.empty() && (name == "a" || name == "span")) {
                entry.title = CleanText(TextContent(child));
                if (name == "a" && !Link(base, Attribute(child, "href"), entry))
                    entry.title.clear(); // a link out of the book is no entry of it
            }
        }
        if (!entry.title.empty())
            entries.push_back(entry);
        if (sublist)
            ReadList(sublist, level + 1, base, entries);
        PlaceUnlinked(entries, first);
    }
}

// The first <nav> of that epub:type (any <nav> for an empty type).
const xmlNode* FindNav(const xmlNode* node, std::string_view type) {
    for (const xmlNode* child : Elements(node)) {
        if (LocalName(child) == "nav" && (type.empty() || HasToken(Attribute(child, "type"), type)))
            return child;
        if (const xmlNode* found = FindNav(child, type))
            return found;
    }
    return nullptr;
}

void ReadNavPoints(const xmlNode* parent, int level, const std::string& base,
                   std::vector<TocEntry>& entries) {
    for (const xmlNode* point : Elements(parent)) {
        if (LocalName(point) != "navPoint")
            continue;
        TocEntry entry;
        entry.level = std::min(level, kMaxLevel);
        entry.title = CleanText(TextContent(FirstChild(FirstChild(point, "navLabel"), "text")));
        const std::size_t first = entries.size();
        if (!entry.title.empty()) {
            // A point whose link is unusable heads the points beneath it.
            Link(base, Attribute(FirstChild(point, "content"), "src"), entry);
            entries.push_back(entry);
        }
        ReadNavPoints(point, level + 1, base, entries);
        PlaceUnlinked(entries, first);
    }
}

// Entries that found no place (no linked entry beneath them) are dropped.
void DropUnplaced(std::vector<TocEntry>& entries) {
    std::erase_if(entries, [](const TocEntry& entry) { return entry.path.empty(); });
}

} // namespace

EpubToc ReadNavDocument(const XmlDocument& nav, const std::string& path) {
    EpubToc toc;
    const xmlNode* list = FindNav(nav.Root(), "toc");
    if (!list)
        list = FindNav(nav.Root(), "");
    if (list && !HasToken(Attribute(list, "type"), "landmarks")) {
        for (const xmlNode* child : Elements(list))
            if (LocalName(child) == "ol" || LocalName(child) == "ul")
                ReadList(child, 1, path, toc.entries);
    }
    DropUnplaced(toc.entries);
    if (const xmlNode* landmarks = FindNav(nav.Root(), "landmarks")) {
        for (const xmlNode* child : Elements(landmarks))
            if (LocalName(child) == "ol" || LocalName(child) == "ul")
                for (const xmlNode* item : Elements(child)) {
                    const xmlNode* link = FirstChild(item, "a");
                    TocEntry entry;
                    if (IsMatterType(Attribute(link, "type")) &&
                        Link(path, Attribute(link, "href"), entry))
                        toc.matter.emplace(entry.path, CleanText(TextContent(link)));
                }
    }
    return toc;
}

EpubToc ReadNcx(const XmlDocument& ncx, const std::string& path) {
    EpubToc toc;
    ReadNavPoints(FirstChild(ncx.Root(), "navMap"), 1, path, toc.entries);
    DropUnplaced(toc.entries);
    return toc;
}
