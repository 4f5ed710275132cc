// EPUB 2 and 3: the package's spine read in order, cut into chapters by the
// navigation document (else the NCX, else the content's headings, else one
// chapter per spine file). An entry pointing into a file starts its chapter
// at that element; a file with no entry of its own continues the chapter
// before it, unless it is front or back matter (the landmarks, the guide,
// its epub:type, a non-linear file nothing points to).
#include "src/documents/EpubPackage.h"
#include "src/documents/EpubToc.h"
#include "src/documents/HtmlText.h"
#include "src/documents/ReaderSupport.h"
#include "src/documents/Readers.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace {

constexpr std::size_t kTitlePageBytes = 400;

// Strict XHTML first; many real books are sloppier than that.
XmlDocument ParseContent(const std::string& bytes) {
    XmlDocument document = XmlDocument::ParseXml(bytes);
    return document.Root() ? std::move(document) : XmlDocument::ParseHtml(bytes);
}

const xmlNode* Body(const XmlDocument& document) {
    const xmlNode* root = document.Root();
    if (const xmlNode* body = FirstChild(root, "body"))
        return body;
    // The HTML parser may leave several nodes at the top.
    return root ? reinterpret_cast<const xmlNode*>(document.Get()) : nullptr;
}

void CollectIds(const xmlNode* node, std::set<std::string>& ids) {
    for (const xmlNode* child : Elements(node)) {
        if (std::string id = Attribute(child, "id"); !id.empty())
            ids.insert(std::move(id));
        CollectIds(child, ids);
    }
}

bool HasHeadings(const xmlNode* node, int chapterLevel) {
    for (const xmlNode* child : Elements(node)) {
        const std::string_view name = LocalName(child);
        if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] - '0' <= chapterLevel)
            return true;
        if (HasHeadings(child, chapterLevel))
            return true;
    }
    return false;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

// The file's <title>, unless it names the book or the file rather than
// this part of it.
std::string FileTitle(const XmlDocument& document, const std::string& bookTitle) {
    const xmlNode* head = FirstChild(document.Root(), "head");
    const std::string title = CleanText(TextContent(FirstChild(head, "title")));
    for (const std::string_view extension : {".xhtml", ".html", ".htm", ".xml"})
        if (title.ends_with(extension))
            return {};
    return SameIgnoringCase(title, bookTitle) ? std::string() : title;
}

class EpubChapters {
public:
    EpubChapters(ZipArchive& zip, const EpubPackage& package, const ReadOptions& options)
        : m_zip(zip), m_package(package), m_chapterLevel(options.chapterLevel) {}

    // false (and Error()) when a spine file cannot be read.
    bool Read() {
        LoadToc();
        for (const TocEntry& entry : m_toc.entries)
            if (entry.level <= m_chapterLevel && InSpine(entry.path))
                m_entries[entry.path].push_back(&entry);
        if (!m_entries.empty())
            return ByTableOfContents();
        return ByHeadingsOrFiles();
    }

    ChapterBuilder& Builder() { return m_builder; }
    const std::string& Error() const { return m_error; }

private:
    void LoadToc() {
        std::string error;
        if (!m_package.navPath.empty() && m_zip.Has(m_package.navPath)) {
            if (const auto bytes = m_zip.Read(m_package.navPath))
                m_toc = ReadNavDocument(ParseContent(*bytes), m_package.navPath);
        }
        // An EPUB 3 book's NCX, kept for older readers, serves when its nav
        // points nowhere in the spine.
        const bool navUsable =
            std::any_of(m_toc.entries.begin(), m_toc.entries.end(),
                        [&](const TocEntry& entry) { return InSpine(entry.path); });
        if (!navUsable && !m_package.ncxPath.empty() && m_zip.Has(m_package.ncxPath)) {
            const XmlDocument ncx = ReadXmlEntry(m_zip, m_package.ncxPath, error);
            EpubToc fromNcx = ReadNcx(ncx, m_package.ncxPath);
            m_toc.entries = std::move(fromNcx.entries);
        }
        for (const auto& [path, title] : m_package.matter)
            m_toc.matter.emplace(path, title);
    }

    bool InSpine(const std::string& path) {
        if (m_spinePaths.empty())
            for (const EpubSpineItem& item : m_package.spine)
                m_spinePaths.insert(item.path);
        return m_spinePaths.contains(path);
    }

    bool Load(const std::string& path, XmlDocument& document) {
        const auto bytes = m_zip.Read(path);
        if (!bytes) {
            m_error = m_zip.Error();
            return false;
        }
        document = ParseContent(*bytes);
        return true;
    }

    bool ByTableOfContents() {
        for (const EpubSpineItem& item : m_package.spine) {
            XmlDocument document;
            if (!Load(item.path, document))
                return false;
            if (item.path == m_package.navPath) {
                Contents();
                continue;
            }
            const xmlNode* body = Body(document);
            std::set<std::string> ids;
            CollectIds(body, ids);
            m_briefFile = CleanText(TextContent(body)).size() < kTitlePageBytes;
            std::multimap<std::string, const TocEntry*, std::less<>> pending; // by fragment
            bool startsHere = false;
            if (const auto found = m_entries.find(item.path); found != m_entries.end()) {
                for (const TocEntry* entry : found->second) {
                    if (entry->fragment.empty() || !ids.contains(entry->fragment)) {
                        Start(*entry);
                        startsHere = true;
                    } else {
                        pending.emplace(entry->fragment, entry);
                    }
                }
            }
            if (!startsHere && IsMatterFile(item, body))
                m_builder.StartChapter(MatterTitle(item.path, document), 1, true);
            HtmlWalk walk;
            walk.chapterLevel = m_chapterLevel;
            walk.headingsStartChapters = false;
            walk.onAnchor = [&](std::string_view id) {
                // In the table's order; each entry once, should the id recur.
                const auto [first, last] = pending.equal_range(id);
                for (auto entry = first; entry != last; ++entry)
                    Start(*entry->second);
                pending.erase(first, last);
            };
            WalkHtml(body, m_builder, walk);
        }
        return true;
    }

    // No usable table of contents: the headings, if the book has any; else
    // one chapter per file.
    bool ByHeadingsOrFiles() {
        bool headings = false;
        std::map<std::string, int> titleCounts;
        std::vector<std::string> titles;
        for (const EpubSpineItem& item : m_package.spine) {
            XmlDocument document;
            if (!Load(item.path, document))
                return false;
            headings = headings || HasHeadings(Body(document), m_chapterLevel);
            titles.push_back(FileTitle(document, m_package.metadata.title));
            ++titleCounts[titles.back()];
        }
        for (std::size_t i = 0; i < m_package.spine.size(); ++i) {
            const EpubSpineItem& item = m_package.spine[i];
            XmlDocument document;
            if (!Load(item.path, document))
                return false;
            if (item.path == m_package.navPath) {
                Contents();
                continue;
            }
            const xmlNode* body = Body(document);
            const bool matter = IsMatterFile(item, body);
            if (matter)
                m_builder.StartChapter(MatterTitle(item.path, document), 1, true);
            else if (!headings) // titled by its <title> when that names it alone
                m_builder.StartChapter(titleCounts[titles[i]] == 1 ? titles[i] : std::string(), 1);
            HtmlWalk walk;
            walk.chapterLevel = m_chapterLevel;
            walk.headingsStartChapters = headings;
            WalkHtml(body, m_builder, walk);
        }
        return true;
    }

    void Start(const TocEntry& entry) {
        // A first entry named as the book itself, over a file of a few words,
        // is its title page (a novella's one chapter named as the book is not).
        const bool titlePage =
            !m_started && m_briefFile && SameIgnoringCase(entry.title, m_package.metadata.title);
        m_builder.StartChapter(entry.title, entry.level,
                               titlePage || m_toc.matter.contains(entry.path));
        m_started = true;
    }

    // The navigation document in the spine: its entries' titles, as matter.
    void Contents() {
        m_builder.StartChapter("Contents", 1, true);
        for (const TocEntry& entry : m_toc.entries)
            m_builder.AddParagraph(entry.title);
    }

    // A file with no entry of its own is matter when the landmarks or the
    // guide say so, when it is out of the reading order with nothing
    // pointing to it, or when its markup opens with matter (epub:type).
    bool IsMatterFile(const EpubSpineItem& item, const xmlNode* body) const {
        if (m_toc.matter.contains(item.path) || !item.linear)
            return true;
        ChapterBuilder probe;
        probe.StartChapter("-", 1);
        HtmlWalk walk;
        walk.chapterLevel = m_chapterLevel;
        walk.headingsStartChapters = false;
        WalkHtml(body, probe, walk);
        const std::vector<Chapter> chapters = probe.Finish();
        return !chapters.empty() && chapters.front().matter;
    }

    std::string MatterTitle(const std::string& path, const XmlDocument& document) const {
        const auto named = m_toc.matter.find(path);
        if (named != m_toc.matter.end() && !named->second.empty())
            return named->second;
        return FileTitle(document, m_package.metadata.title);
    }

    ZipArchive& m_zip;
    const EpubPackage& m_package;
    int m_chapterLevel;
    EpubToc m_toc;
    std::map<std::string, std::vector<const TocEntry*>> m_entries; // chapter entries by file
    ChapterBuilder m_builder;
    std::set<std::string> m_spinePaths;
    std::string m_error;
    bool m_started = false;   // an entry has started a chapter
    bool m_briefFile = false; // the file being read has no more words than a title page
};

} // namespace

BookResult ReadEpub(std::string_view bytes, const ReadOptions& options) {
    ZipArchive zip(bytes);
    if (!zip.Ok())
        return Failure(zip.Error());
    std::string error;
    const auto package = ReadEpubPackage(zip, error);
    if (!package)
        return Failure(error);
    EpubChapters chapters(zip, *package, options);
    if (!chapters.Read())
        return Failure(chapters.Error());
    return FinishBook(package->metadata, chapters.Builder());
}
