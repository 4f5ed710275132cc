// OpenDocument text: content.xml walked into chapters at its outline
// headings, meta.xml for the title, authors and language. Notes, tracked
// deletions, annotations, generated indexes and images are left out; a
// frame's text box (an image's caption) is read.
#include "src/documents/ReaderSupport.h"
#include "src/documents/Readers.h"

#include <algorithm>
#include <array>
#include <cstdlib>

namespace {

bool IsLeftOut(std::string_view name) {
    static constexpr std::array<std::string_view, 23> kLeftOut = {"note",
                                                                  "note-ref",
                                                                  "tracked-changes",
                                                                  "annotation",
                                                                  "annotation-end",
                                                                  "soft-page-break",
                                                                  "table-of-content",
                                                                  "alphabetical-index",
                                                                  "illustration-index",
                                                                  "table-index",
                                                                  "object-index",
                                                                  "user-index",
                                                                  "bibliography",
                                                                  "sequence-decls",
                                                                  "variable-decls",
                                                                  "user-field-decls",
                                                                  "forms",
                                                                  "page-number",
                                                                  "page-count",
                                                                  "ruby-text",
                                                                  "image",
                                                                  "object",
                                                                  "hidden-text"};
    return std::find(kLeftOut.begin(), kLeftOut.end(), name) != kLeftOut.end();
}

// svg:title and svg:desc name an image (text:title is a field that shows the
// document's title, and is read).
bool IsImageName(const xmlNode* node) {
    const std::string_view name = LocalName(node);
    return (name == "title" || name == "desc") && node->ns && node->ns->href &&
           std::string_view(reinterpret_cast<const char*>(node->ns->href)).find("svg") !=
               std::string_view::npos;
}

class OdtWalker {
public:
    OdtWalker(ChapterBuilder& builder, int chapterLevel)
        : m_builder(builder), m_chapterLevel(chapterLevel) {}

    void Blocks(const xmlNode* parent) {
        for (const xmlNode* child : Elements(parent))
            Block(child);
    }

    const std::string& Title() const { return m_title; }

private:
    void Block(const xmlNode* node) {
        const std::string_view name = LocalName(node);
        if (IsLeftOut(name) || IsImageName(node))
            return;
        if (name == "h") {
            Heading(node);
        } else if (name == "p") {
            const std::string style = Attribute(node, "style-name");
            if (style == "Title" && !m_started) {
                std::string title = Captured(node);
                m_titleBlock.Start(m_builder, title);
                m_started = true;
                m_title = CleanText(title);
            } else if (!CleanText(TextContent(node)).empty()) {
                m_titleBlock.Paragraph(style == "Title" || style == "Subtitle" ||
                                       style == "Author" || style == "Date");
            }
            Inline(node);
            m_builder.EndParagraph();
        } else {
            Blocks(node); // lists, sections, tables, frames: the paragraphs inside
        }
    }

    void Heading(const xmlNode* node) {
        const std::string title = Captured(node);
        const std::string levelText = Attribute(node, "outline-level");
        const int level = levelText.empty() ? 1 : std::clamp(std::atoi(levelText.c_str()), 1, 10);
        if (level <= m_chapterLevel && !CleanText(title).empty()) {
            m_titleBlock.BeforeHeading(m_builder);
            m_builder.StartChapter(title, level);
            m_started = true;
        }
        m_builder.AddParagraph(title);
    }

    // A heading's or title's words, without any frame inside it.
    std::string Captured(const xmlNode* node) {
        std::string text;
        m_capture = &text;
        Inline(node);
        m_capture = nullptr;
        return text;
    }

    void Append(std::string_view text) {
        if (m_capture)
            *m_capture += text;
        else
            m_builder.AppendText(text);
    }

    void Inline(const xmlNode* node) {
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
                if (child->content)
                    Append(reinterpret_cast<const char*>(child->content));
                continue;
            }
            if (child->type != XML_ELEMENT_NODE)
                continue;
            const std::string_view name = LocalName(child);
            if (IsLeftOut(name) || IsImageName(child))
                continue;
            if (name == "s" || name == "tab") {
                Append(" ");
            } else if (name == "line-break") {
                Append("\n");
            } else if (name == "text-box") {
                // An anchored frame's own paragraphs (a caption) between the
                // halves of the paragraph that holds it.
                if (m_capture)
                    continue;
                m_builder.EndParagraph();
                Blocks(child);
            } else {
                Inline(child);
            }
        }
    }

    ChapterBuilder& m_builder;
    int m_chapterLevel;
    std::string* m_capture = nullptr;
    std::string m_title;
    TitleBlock m_titleBlock;
    bool m_started = false;
};

void ReadMeta(ZipArchive& zip, Book& book) {
    if (!zip.Has("meta.xml"))
        return;
    std::string error;
    const XmlDocument meta = ReadXmlEntry(zip, "meta.xml", error);
    const xmlNode* fields = FirstChild(meta.Root(), "meta");
    book.title = CleanText(TextContent(FirstChild(fields, "title")));
    book.language = CleanText(TextContent(FirstChild(fields, "language")));
    // dc:creator is whoever saved it last; the initial creator is the author.
    const xmlNode* author = FirstChild(fields, "initial-creator");
    if (!author)
        author = FirstChild(fields, "creator");
    book.authors = SplitNames(TextContent(author));
}

// LibreOffice declares the language on the default paragraph style only.
std::string DefaultLanguage(ZipArchive& zip) {
    if (!zip.Has("styles.xml"))
        return {};
    std::string error;
    const XmlDocument styles = ReadXmlEntry(zip, "styles.xml", error);
    for (const xmlNode* style : Elements(FirstChild(styles.Root(), "styles"))) {
        if (LocalName(style) != "default-style" || Attribute(style, "family") != "paragraph")
            continue;
        const xmlNode* properties = FirstChild(style, "text-properties");
        const std::string language = Attribute(properties, "language");
        const std::string country = Attribute(properties, "country");
        if (language.empty() || language == "zxx" || language == "none")
            return {};
        return country.empty() || country == "none" ? language : language + "-" + country;
    }
    return {};
}

bool IsEncrypted(ZipArchive& zip) {
    std::string error;
    const XmlDocument manifest = ReadXmlEntry(zip, "META-INF/manifest.xml", error);
    for (const xmlNode* entry : Elements(manifest.Root()))
        if (Attribute(entry, "full-path") == "content.xml" && FirstChild(entry, "encryption-data"))
            return true;
    return false;
}

} // namespace

BookResult ReadOdt(std::string_view bytes, const ReadOptions& options) {
    ZipArchive zip(bytes);
    if (!zip.Ok())
        return Failure(zip.Error());
    if (const auto mimetype = zip.Read("mimetype", 256);
        mimetype && !mimetype->starts_with("application/vnd.oasis.opendocument.text"))
        return Failure("it is an OpenDocument file but not a text document (" + *mimetype + ")");
    if (zip.Has("META-INF/manifest.xml") && IsEncrypted(zip))
        return Failure("the document is password-protected (its content is encrypted)");
    std::string error;
    const XmlDocument content = ReadXmlEntry(zip, "content.xml", error);
    if (!content.Ok())
        return Failure(error);
    const xmlNode* text = FirstChild(FirstChild(content.Root(), "body"), "text");
    if (!text)
        return Failure("its content.xml holds no text body");

    Book book;
    ReadMeta(zip, book);
    if (book.language.empty())
        book.language = DefaultLanguage(zip);
    ChapterBuilder builder;
    OdtWalker walker(builder, options.chapterLevel);
    walker.Blocks(text);
    if (book.title.empty())
        book.title = walker.Title();
    return FinishBook(std::move(book), builder);
}
