#include "src/documents/EpubPackage.h"

#include "src/documents/Base64.h"
#include "src/documents/ReaderSupport.h"

#include <algorithm>
#include <array>
#include <set>

namespace {

constexpr std::string_view kDrm = "the EPUB is DRM-protected (its content is encrypted)";

// Font obfuscation (IDPF's and Adobe's) only scrambles embedded fonts, which
// are never spoken.
bool IsFont(const std::string& path, const std::map<std::string, std::string>& mediaTypes) {
    const auto type = mediaTypes.find(path);
    if (type != mediaTypes.end() &&
        (type->second.starts_with("font/") || type->second.starts_with("application/font") ||
         type->second.starts_with("application/x-font") ||
         type->second == "application/vnd.ms-opentype"))
        return true;
    for (const std::string_view extension : {".ttf", ".otf", ".woff", ".woff2", ".TTF", ".OTF"})
        if (path.ends_with(extension))
            return true;
    return false;
}

// Some resource other than a font is encrypted, or the rights are Adobe's.
std::optional<std::string> DrmReason(ZipArchive& zip,
                                     const std::map<std::string, std::string>& mediaTypes) {
    if (zip.Has("META-INF/rights.xml")) {
        const auto rights = zip.Read("META-INF/rights.xml");
        if (!rights || rights->find("adept") != std::string::npos)
            return std::string(kDrm);
    }
    if (!zip.Has("META-INF/encryption.xml"))
        return std::nullopt;
    std::string error;
    const XmlDocument encryption = ReadXmlEntry(zip, "META-INF/encryption.xml", error);
    if (!encryption.Ok())
        return std::string(kDrm);
    for (const xmlNode* data : Elements(encryption.Root())) {
        const std::string uri =
            Attribute(FirstChild(FirstChild(data, "CipherData"), "CipherReference"), "URI");
        const auto path = ResolveInContainer("", uri);
        if (!path || !IsFont(*path, mediaTypes))
            return std::string(kDrm);
    }
    return std::nullopt;
}

std::string RootfilePath(ZipArchive& zip, std::string& error) {
    if (!zip.Has("META-INF/container.xml")) {
        error = "it is not an EPUB (its ZIP archive has no META-INF/container.xml)";
        return {};
    }
    const XmlDocument container = ReadXmlEntry(zip, "META-INF/container.xml", error);
    for (const xmlNode* rootfile : Elements(FirstChild(container.Root(), "rootfiles"))) {
        const std::string type = Attribute(rootfile, "media-type");
        if (LocalName(rootfile) != "rootfile" ||
            (!type.empty() && type != "application/oebps-package+xml"))
            continue;
        if (auto path = ResolveInContainer("", Attribute(rootfile, "full-path")))
            return *path;
    }
    if (error.empty())
        error = "the EPUB's META-INF/container.xml names no package document";
    return {};
}

struct ManifestItem {
    std::string path;
    std::string mediaType;
    std::string properties;
};

bool IsContent(const std::string& mediaType) {
    return mediaType == "application/xhtml+xml" || mediaType == "text/html" ||
           mediaType == "application/html+xml" || mediaType == "text/x-oeb1-document";
}

void ReadMetadata(const xmlNode* metadata, Book& book) {
    // EPUB 3 gives a creator's role in a meta that refines it, EPUB 2 in
    // opf:role; only authors (or creators with no role) are the authors.
    std::map<std::string, std::string> roles;
    for (const xmlNode* meta : Elements(metadata))
        if (LocalName(meta) == "meta" && Attribute(meta, "property") == "role")
            roles[Attribute(meta, "refines")] = CleanText(TextContent(meta));
    std::vector<std::string> creators;
    for (const xmlNode* field : Elements(metadata)) {
        const std::string_view name = LocalName(field);
        const std::string text = CleanText(TextContent(field));
        if (text.empty())
            continue;
        if (name == "title" && book.title.empty())
            book.title = text;
        else if (name == "language" && book.language.empty())
            book.language = text;
        else if (name == "creator") {
            creators.push_back(text);
            std::string role = Attribute(field, "role");
            if (const auto refined = roles.find("#" + Attribute(field, "id"));
                refined != roles.end())
                role = refined->second;
            if (role.empty() || role == "aut")
                book.authors.push_back(text);
        }
    }
    if (book.authors.empty())
        book.authors = creators;
}

std::optional<Cover> ReadCover(ZipArchive& zip, const xmlNode* metadata,
                               const std::map<std::string, ManifestItem>& manifest) {
    const ManifestItem* item = nullptr;
    for (const auto& [id, entry] : manifest)
        if (HasToken(entry.properties, "cover-image"))
            item = &entry;
    for (const xmlNode* meta : Elements(metadata)) {
        if (item || LocalName(meta) != "meta" || Attribute(meta, "name") != "cover")
            continue;
        const std::string content = Attribute(meta, "content");
        if (const auto byId = manifest.find(content); byId != manifest.end())
            item = &byId->second;
        for (const auto& [id, entry] : manifest)
            if (!item && entry.path.ends_with(content))
                item = &entry;
    }
    if (!item)
        return std::nullopt;
    auto bytes = zip.Read(item->path);
    if (!bytes || bytes->empty())
        return std::nullopt;
    std::string type =
        item->mediaType.starts_with("image/") ? item->mediaType : ImageMediaType(*bytes);
    if (type.empty())
        return std::nullopt;
    return Cover{std::move(*bytes), std::move(type)};
}

} // namespace

bool IsMatterType(std::string_view type) {
    static constexpr std::array<std::string_view, 14> kTypes = {
        "cover",     "title-page",
        "titlepage", "halftitlepage",
        "toc",       "copyright-page",
        "index",     "colophon",
        "imprint",   "loi",
        "lot",       "seriespage",
        "landmarks", "other.ms-coverimage-standard"};
    return std::find(kTypes.begin(), kTypes.end(), type) != kTypes.end();
}

std::optional<EpubPackage> ReadEpubPackage(ZipArchive& zip, std::string& error) {
    const std::string opfPath = RootfilePath(zip, error);
    if (opfPath.empty())
        return std::nullopt;
    if (!zip.Has(opfPath)) {
        error = "the EPUB's package document " + opfPath + " is missing";
        return std::nullopt;
    }
    const XmlDocument opf = ReadXmlEntry(zip, opfPath, error);
    if (!opf.Ok()) {
        error = "the EPUB's package document " + opfPath + " is not well-formed XML";
        return std::nullopt;
    }
    std::map<std::string, ManifestItem> manifest;
    std::map<std::string, std::string> mediaTypes;
    EpubPackage package;
    for (const xmlNode* node : Elements(FirstChild(opf.Root(), "manifest"))) {
        if (LocalName(node) != "item")
            continue;
        const std::string href = Attribute(node, "href");
        auto path = ResolveInContainer(opfPath, href);
        if (!path) {
            // A remote resource is allowed (and never fetched); a path out
            // of the container is not.
            if (href.find("://") != std::string::npos)
                continue;
            error = "the EPUB's manifest points outside its container (\"" + href + "\")";
            return std::nullopt;
        }
        ManifestItem item{*path, Attribute(node, "media-type"), Attribute(node, "properties")};
        mediaTypes[item.path] = item.mediaType;
        if (HasToken(item.properties, "nav"))
            package.navPath = item.path;
        manifest[Attribute(node, "id")] = std::move(item);
    }
    if (auto reason = DrmReason(zip, mediaTypes)) {
        error = *reason;
        return std::nullopt;
    }

    const xmlNode* metadata = FirstChild(opf.Root(), "metadata");
    ReadMetadata(metadata, package.metadata);
    package.metadata.cover = ReadCover(zip, metadata, manifest);

    const xmlNode* spine = FirstChild(opf.Root(), "spine");
    if (const auto ncx = manifest.find(Attribute(spine, "toc")); ncx != manifest.end())
        package.ncxPath = ncx->second.path;
    for (const auto& [id, item] : manifest)
        if (package.ncxPath.empty() && item.mediaType == "application/x-dtbncx+xml")
            package.ncxPath = item.path;
    std::set<std::string> seen;
    for (const xmlNode* itemref : Elements(spine)) {
        const auto item = manifest.find(Attribute(itemref, "idref"));
        if (LocalName(itemref) != "itemref" || item == manifest.end() ||
            !IsContent(item->second.mediaType) || !seen.insert(item->second.path).second)
            continue;
        package.spine.push_back({item->second.path, Attribute(itemref, "linear") != "no"});
    }
    for (const xmlNode* reference : Elements(FirstChild(opf.Root(), "guide"))) {
        const auto path = ResolveInContainer(opfPath, Attribute(reference, "href"));
        if (path && IsMatterType(Attribute(reference, "type")))
            package.matter.emplace(*path, CleanText(Attribute(reference, "title")));
    }
    return package;
}
