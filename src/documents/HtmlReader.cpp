#include "src/documents/ChapterBuilder.h"
#include "src/documents/HtmlText.h"
#include "src/documents/Readers.h"
#include "src/documents/TextDecoding.h"
#include "src/documents/XmlDocument.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string Trimmed(std::string_view raw) {
    const std::string valid = ValidUtf8(raw);
    const std::string_view text = valid;
    const auto first = text.find_first_not_of(" \t\r\n\f");
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(" \t\r\n\f") - first + 1));
}

// Every element beneath `top` in document order, until `visit` returns true.
template <typename Visit> void FindElement(const xmlNode* top, Visit visit) {
    std::vector<const xmlNode*> stack{top};
    while (!stack.empty()) {
        const xmlNode* node = stack.back();
        stack.pop_back();
        if (node->type == XML_ELEMENT_NODE && visit(node))
            return;
        if (node->type == XML_ELEMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE ||
            node->type == XML_DOCUMENT_NODE)
            for (const xmlNode* child = node->last; child; child = child->prev)
                stack.push_back(child);
    }
}

// A heading's words as the walk hears them (notes and marks left out), and
// whitespace-normalised like a chapter title.
std::string HeadingTitle(const xmlNode* heading) {
    ChapterBuilder builder;
    WalkHtml(heading, builder, HtmlWalk{.chapterLevel = 6});
    std::vector<Chapter> chapters = builder.Finish();
    return chapters.empty() ? std::string() : chapters.front().title;
}

// A title's own text: the HTML parser may hang a page with no <head> beneath
// its <title>, so only the title's direct text counts.
std::string TitleText(const xmlNode* title) {
    std::string text;
    for (const xmlNode* child = title->children; child; child = child->next)
        if (child->type == XML_TEXT_NODE && child->content)
            text += reinterpret_cast<const char*>(child->content);
    ChapterBuilder builder; // for its whitespace rules
    builder.AddParagraph(ValidUtf8(text));
    const std::vector<Chapter> chapters = builder.Finish();
    return chapters.empty() ? std::string() : chapters.front().text;
}

bool InSvg(const xmlNode* node) {
    for (; node; node = node->parent)
        if (node->type == XML_ELEMENT_NODE && LocalName(node) == "svg")
            return true;
    return false;
}

void ReadMetadata(const xmlNode* top, Book& book) {
    std::string title, firstHeading, metaLanguage;
    FindElement(top, [&](const xmlNode* node) {
        const std::string_view name = LocalName(node);
        if (name == "html" && book.language.empty())
            book.language = Trimmed(Attribute(node, "lang"));
        else if (name == "title" && title.empty() &&
                 !InSvg(node)) // an SVG's <title> names a picture
            title = TitleText(node);
        else if (name == "h1" && firstHeading.empty())
            firstHeading = HeadingTitle(node);
        else if (name == "meta") {
            const std::string content = Trimmed(Attribute(node, "content"));
            const std::string key = Lower(Attribute(node, "name"));
            if (content.empty())
                return false;
            if ((key == "author" || key == "dc.creator" || key == "dcterms.creator") &&
                std::find(book.authors.begin(), book.authors.end(), content) == book.authors.end())
                book.authors.push_back(content);
            else if (metaLanguage.empty() &&
                     (Lower(Attribute(node, "http-equiv")) == "content-language" ||
                      key == "dc.language" || key == "language"))
                metaLanguage = Trimmed(content.substr(0, content.find(',')));
        }
        return false;
    });
    book.title = !title.empty() ? title : firstHeading;
    if (book.language.empty())
        book.language = metaLanguage;
}

} // namespace

BookResult ReadHtml(std::string_view bytes, const ReadOptions& options) {
    const XmlDocument document = XmlDocument::ParseHtml(bytes);
    if (!document.Ok())
        return {.book = std::nullopt, .error = "it holds no text to speak"};
    // The document node, not its root element: parsed without implied
    // <html> and <body>, a page may have several top-level elements.
    const auto* top = reinterpret_cast<const xmlNode*>(document.Get());
    Book book;
    ReadMetadata(top, book);
    ChapterBuilder builder;
    WalkHtml(top, builder, HtmlWalk{.chapterLevel = options.chapterLevel});
    book.chapters = builder.Finish();
    if (book.chapters.empty())
        return {.book = std::nullopt, .error = "it holds no text to speak"};
    return {.book = std::move(book), .error = {}};
}
