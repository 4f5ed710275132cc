// Word documents (Office Open XML): the main part walked into chapters at
// its headings (by paragraph style and the style's outline level, as Word
// and pandoc write them), the core properties for the title, authors and
// language. Footnote and endnote marks, deleted runs, field instructions,
// hidden text, tables of contents and drawings are left out; the notes'
// own text lives in a part that is never read.
#include "src/documents/ReaderSupport.h"
#include "src/documents/Readers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <map>

namespace {

constexpr std::string_view kOleSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool IsLeftOut(std::string_view name) {
    static constexpr std::array<std::string_view, 20> kLeftOut = {"del",
                                                                  "moveFrom",
                                                                  "delText",
                                                                  "instrText",
                                                                  "delInstrText",
                                                                  "footnoteReference",
                                                                  "endnoteReference",
                                                                  "commentReference",
                                                                  "annotationRef",
                                                                  "footnoteRef",
                                                                  "endnoteRef",
                                                                  "drawing",
                                                                  "pict",
                                                                  "object",
                                                                  "AlternateContent",
                                                                  "pPr",
                                                                  "rPr",
                                                                  "sectPr",
                                                                  "sdtPr",
                                                                  "fldData"};
    return std::find(kLeftOut.begin(), kLeftOut.end(), name) != kLeftOut.end();
}

struct Style {
    std::string name; // lower case
    std::string basedOn;
    int outlineLevel = -1; // 0-based as Word stores it; 9 is body text
};

class Styles {
public:
    explicit Styles(const xmlNode* root) {
        for (const xmlNode* node : Elements(root)) {
            if (LocalName(node) != "style")
                continue;
            Style style;
            style.name = Lower(Attribute(FirstChild(node, "name"), "val"));
            style.basedOn = Attribute(FirstChild(node, "basedOn"), "val");
            const xmlNode* outline = FirstChild(FirstChild(node, "pPr"), "outlineLvl");
            if (outline)
                style.outlineLevel = std::atoi(Attribute(outline, "val").c_str());
            m_styles[Attribute(node, "styleId")] = std::move(style);
        }
    }

    // The heading level (1 for the top) a paragraph style gives, 0 for none:
    // the outline level of the style or the one it is based on, else its
    // name ("heading 2", styleId "Heading2").
    int HeadingLevel(const std::string& styleId) const {
        std::string id = styleId;
        for (int depth = 0; depth < 16 && !id.empty(); ++depth) {
            const auto style = m_styles.find(id);
            if (style == m_styles.end())
                break;
            if (style->second.outlineLevel >= 0)
                return style->second.outlineLevel < 9 ? style->second.outlineLevel + 1 : 0;
            id = style->second.basedOn;
        }
        const auto style = m_styles.find(styleId);
        const std::string name = style != m_styles.end() ? style->second.name : Lower(styleId);
        for (const std::string_view prefix : {"heading ", "heading"})
            if (name.starts_with(prefix) && name.size() == prefix.size() + 1 &&
                std::isdigit(static_cast<unsigned char>(name.back())))
                return name.back() - '0';
        return 0;
    }

    // Word names its built-in styles in English whatever the styleId's
    // language ("Titel" is named "Title").
    bool IsTitle(const std::string& styleId) const {
        const auto style = m_styles.find(styleId);
        return styleId == "Title" || (style != m_styles.end() && style->second.name == "title");
    }

    // Styles of a title block as pandoc writes them.
    bool IsTitleBlock(const std::string& styleId) const {
        const auto style = m_styles.find(styleId);
        const std::string name = style != m_styles.end() ? style->second.name : Lower(styleId);
        return name == "title" || name == "subtitle" || name == "author" || name == "date";
    }

    bool Named(const std::string& styleId, std::string_view prefix) const {
        const auto style = m_styles.find(styleId);
        return Lower(styleId).starts_with(prefix) ||
               (style != m_styles.end() && style->second.name.starts_with(prefix));
    }

private:
    std::map<std::string, Style> m_styles;
};

bool IsTableOfContents(const xmlNode* sdt) {
    const xmlNode* gallery =
        FirstChild(FirstChild(FirstChild(sdt, "sdtPr"), "docPartObj"), "docPartGallery");
    return Lower(Attribute(gallery, "val")).starts_with("table of contents");
}

bool IsHidden(const xmlNode* run) {
    const xmlNode* properties = FirstChild(run, "rPr");
    for (const std::string_view name : {"vanish", "webHidden"}) {
        const xmlNode* flag = FirstChild(properties, name);
        const std::string value = Attribute(flag, "val");
        if (flag && value != "0" && value != "false" && value != "off")
            return true;
    }
    return false;
}

class DocxWalker {
public:
    DocxWalker(ChapterBuilder& builder, const Styles& styles, int chapterLevel)
        : m_builder(builder), m_styles(styles), m_chapterLevel(chapterLevel) {}

    void Blocks(const xmlNode* parent) {
        for (const xmlNode* child : Elements(parent)) {
            const std::string_view name = LocalName(child);
            if (IsLeftOut(name) || (name == "sdt" && IsTableOfContents(child)))
                continue;
            if (name == "p")
                Paragraph(child);
            else
                Blocks(child); // tables, content controls, custom XML: the paragraphs inside
        }
    }

    const std::string& Title() const { return m_title; }

private:
    void Paragraph(const xmlNode* p) {
        const xmlNode* properties = FirstChild(p, "pPr");
        const std::string style = Attribute(FirstChild(properties, "pStyle"), "val");
        if (m_styles.Named(style, "toc"))
            return; // a table of contents: titles and page numbers
        std::string text;
        Inline(p, text);
        int level = m_styles.HeadingLevel(style);
        if (const xmlNode* outline = FirstChild(properties, "outlineLvl")) {
            const int direct = std::atoi(Attribute(outline, "val").c_str());
            level = direct >= 0 && direct < 9 ? direct + 1 : 0;
        }
        const bool titled = !CleanText(text).empty();
        if (level > 0 && level <= m_chapterLevel && titled) {
            m_titleBlock.BeforeHeading(m_builder);
            m_builder.StartChapter(text, level);
            m_started = true;
        } else if (m_styles.IsTitle(style) && titled && !m_started) {
            m_titleBlock.Start(m_builder, text);
            m_started = true;
            m_title = CleanText(text);
        } else if (titled) {
            m_titleBlock.Paragraph(m_styles.IsTitleBlock(style));
        }
        m_builder.AddParagraph(text);
    }

    void Inline(const xmlNode* node, std::string& text) {
        for (const xmlNode* child : Elements(node)) {
            const std::string_view name = LocalName(child);
            if (IsLeftOut(name))
                continue;
            if (name == "t") {
                text += TextContent(child);
            } else if (name == "tab" || name == "ptab") {
                text += ' ';
            } else if (name == "br" || name == "cr") {
                const std::string type = Attribute(child, "type");
                text += type == "page" || type == "column" ? " " : "\n";
            } else if (name == "noBreakHyphen") {
                text += '-';
            } else if (name == "r" && IsHidden(child)) {
                continue;
            } else {
                Inline(child, text); // runs, insertions, hyperlinks, simple fields' results
            }
        }
    }

    ChapterBuilder& m_builder;
    const Styles& m_styles;
    int m_chapterLevel;
    std::string m_title;
    TitleBlock m_titleBlock;
    bool m_started = false;
};

// The part names [Content_Types].xml gives, by content type.
std::map<std::string, std::string> PartsByType(ZipArchive& zip) {
    std::map<std::string, std::string> parts;
    std::string error;
    const XmlDocument types = ReadXmlEntry(zip, "[Content_Types].xml", error);
    for (const xmlNode* entry : Elements(types.Root())) {
        std::string part = Attribute(entry, "PartName");
        if (LocalName(entry) != "Override" || !part.starts_with('/'))
            continue;
        if (auto name = ResolveInContainer("", part.substr(1)))
            parts.emplace(Attribute(entry, "ContentType"), *name);
    }
    return parts;
}

std::string MainPart(const std::map<std::string, std::string>& parts) {
    for (const auto& [type, name] : parts)
        if (type.ends_with(".document.main+xml") || type.ends_with(".template.main+xml"))
            return name;
    return "word/document.xml";
}

std::string PartOr(const std::map<std::string, std::string>& parts, const std::string& type,
                   std::string fallback) {
    const auto part = parts.find(type);
    return part != parts.end() ? part->second : fallback;
}

void ReadCore(ZipArchive& zip, const std::string& name, Book& book) {
    if (!zip.Has(name))
        return;
    std::string error;
    const XmlDocument core = ReadXmlEntry(zip, name, error);
    book.title = CleanText(TextContent(FirstChild(core.Root(), "title")));
    book.authors = SplitNames(TextContent(FirstChild(core.Root(), "creator")));
    book.language = CleanText(TextContent(FirstChild(core.Root(), "language")));
}

std::string DefaultLanguage(const xmlNode* styles) {
    const xmlNode* run =
        FirstChild(FirstChild(FirstChild(styles, "docDefaults"), "rPrDefault"), "rPr");
    return Attribute(FirstChild(run, "lang"), "val");
}

} // namespace

BookResult ReadDocx(std::string_view bytes, const ReadOptions& options) {
    if (bytes.starts_with(kOleSignature))
        return Failure("it is a password-protected Word document or one in the old .doc format");
    ZipArchive zip(bytes);
    if (!zip.Ok())
        return Failure(zip.Error());
    if (!zip.Has("[Content_Types].xml"))
        return Failure("it is not a Word document (its ZIP archive has no [Content_Types].xml)");
    const auto parts = PartsByType(zip);
    std::string error;
    const XmlDocument document = ReadXmlEntry(zip, MainPart(parts), error);
    if (!document.Ok())
        return Failure(error);
    const xmlNode* body = FirstChild(document.Root(), "body");
    if (!body)
        return Failure("its main document part holds no body");

    const std::string stylesName =
        PartOr(parts, "application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml",
               "word/styles.xml");
    XmlDocument stylesDocument;
    if (zip.Has(stylesName))
        stylesDocument = ReadXmlEntry(zip, stylesName, error);
    const Styles styles(stylesDocument.Root());

    Book book;
    ReadCore(zip,
             PartOr(parts, "application/vnd.openxmlformats-package.core-properties+xml",
                    "docProps/core.xml"),
             book);
    if (book.language.empty())
        book.language = DefaultLanguage(stylesDocument.Root());
    ChapterBuilder builder;
    DocxWalker walker(builder, styles, options.chapterLevel);
    walker.Blocks(body);
    if (book.title.empty())
        book.title = walker.Title();
    return FinishBook(std::move(book), builder);
}
