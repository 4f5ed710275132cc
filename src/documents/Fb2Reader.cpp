// FictionBook 2: the description's title-info for the title, authors,
// language and cover; the main body's sections, nested, as chapters down to
// the chapter level. The notes bodies and the marks that point into them are
// left out; epigraphs, poems and citations are read as text. A .fb2.zip (one
// FictionBook in a ZIP archive) is read as the book inside it.
#include "src/documents/Base64.h"
#include "src/documents/ReaderSupport.h"
#include "src/documents/Readers.h"

#include <set>

namespace {

bool IsNotesBody(const xmlNode* body) {
    const std::string name = Attribute(body, "name");
    return name == "notes" || name == "comments" || name == "footnotes";
}

void CollectIds(const xmlNode* node, std::set<std::string>& ids) {
    for (const xmlNode* child : Elements(node)) {
        if (std::string id = Attribute(child, "id"); !id.empty())
            ids.insert(std::move(id));
        CollectIds(child, ids);
    }
}

// A title's paragraphs as one line: "Chapter 1" and "The Storm" give
// "Chapter 1. The Storm".
std::string TitleText(const xmlNode* title) {
    std::string text;
    for (const xmlNode* p : Elements(title)) {
        const std::string line = CleanText(TextContent(p));
        if (line.empty())
            continue;
        if (!text.empty())
            text +=
                std::string_view(".!?:;…").find(text.back()) == std::string_view::npos ? ". " : " ";
        text += line;
    }
    return text;
}

class Fb2Walker {
public:
    Fb2Walker(ChapterBuilder& builder, const std::set<std::string>& noteIds, int chapterLevel)
        : m_builder(builder), m_noteIds(noteIds), m_chapterLevel(chapterLevel) {}

    void Body(const xmlNode* body) {
        for (const xmlNode* child : Elements(body)) {
            const std::string_view name = LocalName(child);
            if (name == "title") {
                m_titleBlock.Start(m_builder, TitleText(child));
                Paragraphs(child);
            } else if (name == "section") {
                Section(child, 1);
            } else {
                m_titleBlock.Paragraph(name == "image");
                Block(child);
            }
        }
    }

private:
    void Section(const xmlNode* section, int depth) {
        for (const xmlNode* child : Elements(section)) {
            const std::string_view name = LocalName(child);
            if (name == "title") {
                const std::string title = TitleText(child);
                if (depth <= m_chapterLevel && !title.empty()) {
                    m_titleBlock.BeforeHeading(m_builder);
                    m_builder.StartChapter(title, depth);
                }
                Paragraphs(child);
            } else if (name == "section") {
                Section(child, depth + 1);
            } else {
                Block(child);
            }
        }
    }

    void Block(const xmlNode* node) {
        const std::string_view name = LocalName(node);
        if (name == "p" || name == "v" || name == "subtitle" || name == "text-author" ||
            name == "date" || name == "th" || name == "td") {
            Inline(node);
            m_builder.EndParagraph();
        } else if (name != "image" && name != "empty-line" && name != "binary") {
            Paragraphs(node); // epigraphs, poems, stanzas, citations, tables, annotations
        }
    }

    void Paragraphs(const xmlNode* node) {
        for (const xmlNode* child : Elements(node))
            Block(child);
    }

    void Inline(const xmlNode* node) {
        for (const xmlNode* child = node->children; child; child = child->next) {
            if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
                if (child->content)
                    m_builder.AppendText(reinterpret_cast<const char*>(child->content));
            } else if (child->type == XML_ELEMENT_NODE && !IsNoteMark(child) &&
                       LocalName(child) != "image") {
                Inline(child);
            }
        }
    }

    bool IsNoteMark(const xmlNode* node) const {
        if (LocalName(node) != "a")
            return false;
        const std::string href = Attribute(node, "href");
        return Attribute(node, "type") == "note" ||
               (href.starts_with('#') && m_noteIds.contains(href.substr(1)));
    }

    ChapterBuilder& m_builder;
    const std::set<std::string>& m_noteIds;
    int m_chapterLevel;
    TitleBlock m_titleBlock; // the body's own title, the book's title page
};

std::string AuthorName(const xmlNode* author) {
    std::string name;
    for (const std::string_view part : {"first-name", "middle-name", "last-name"}) {
        const std::string text = CleanText(TextContent(FirstChild(author, part)));
        if (!text.empty())
            name += (name.empty() ? "" : " ") + text;
    }
    return name.empty() ? CleanText(TextContent(FirstChild(author, "nickname"))) : name;
}

std::optional<Cover> ReadCover(const xmlNode* root, const xmlNode* titleInfo) {
    const std::string href =
        Attribute(FirstChild(FirstChild(titleInfo, "coverpage"), "image"), "href");
    if (!href.starts_with('#'))
        return std::nullopt;
    for (const xmlNode* binary : Elements(root)) {
        if (LocalName(binary) != "binary" || Attribute(binary, "id") != href.substr(1))
            continue;
        auto bytes = DecodeBase64(TextContent(binary));
        if (!bytes || bytes->empty())
            return std::nullopt;
        std::string type = Attribute(binary, "content-type");
        if (type.empty())
            type = ImageMediaType(*bytes);
        if (type.empty())
            return std::nullopt;
        return Cover{std::move(*bytes), std::move(type)};
    }
    return std::nullopt;
}

BookResult ReadFictionBook(std::string_view bytes, const ReadOptions& options) {
    const XmlDocument document = XmlDocument::ParseXml(bytes);
    const xmlNode* root = document.Root();
    if (!root)
        return Failure("it is not well-formed XML");
    if (LocalName(root) != "FictionBook")
        return Failure("it is not a FictionBook document");
    const xmlNode* titleInfo = FirstChild(FirstChild(root, "description"), "title-info");

    Book book;
    book.title = CleanText(TextContent(FirstChild(titleInfo, "book-title")));
    book.language = CleanText(TextContent(FirstChild(titleInfo, "lang")));
    for (const xmlNode* author : Elements(titleInfo))
        if (LocalName(author) == "author")
            if (std::string name = AuthorName(author); !name.empty())
                book.authors.push_back(std::move(name));
    book.cover = ReadCover(root, titleInfo);

    std::set<std::string> noteIds;
    for (const xmlNode* body : Elements(root))
        if (LocalName(body) == "body" && IsNotesBody(body))
            CollectIds(body, noteIds);
    ChapterBuilder builder;
    Fb2Walker walker(builder, noteIds, options.chapterLevel);
    for (const xmlNode* body : Elements(root))
        if (LocalName(body) == "body" && !IsNotesBody(body))
            walker.Body(body);
    return FinishBook(std::move(book), builder);
}

// The one FictionBook a .fb2.zip holds.
BookResult ReadZippedFictionBook(std::string_view bytes, const ReadOptions& options) {
    ZipArchive zip(bytes);
    if (!zip.Ok())
        return Failure(zip.Error());
    std::optional<std::string> found;
    for (const std::string& name : zip.Names()) {
        if (!name.ends_with(".fb2"))
            continue;
        if (found)
            return Failure("its ZIP archive holds more than one FictionBook");
        found = name;
    }
    if (!found)
        return Failure("its ZIP archive holds no FictionBook (.fb2) file");
    const auto inner = zip.Read(*found);
    if (!inner)
        return Failure(zip.Error());
    return ReadFictionBook(*inner, options);
}

} // namespace

BookResult ReadFb2(std::string_view bytes, const ReadOptions& options) {
    if (bytes.starts_with("PK\x03\x04"))
        return ReadZippedFictionBook(bytes, options);
    return ReadFictionBook(bytes, options);
}
