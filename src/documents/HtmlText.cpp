#include "src/documents/HtmlText.h"

#include "src/documents/TextDecoding.h"
#include "src/documents/XmlDocument.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <vector>

namespace {

constexpr std::string_view kOpsNamespace = "http://www.idpf.org/2007/ops";

std::string_view View(const xmlChar* text) {
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// Whether a space-separated list (class, role, epub:type) holds any of the
// tokens.
template <std::size_t N>
bool HasAnyToken(std::string_view list, const std::array<std::string_view, N>& tokens) {
    std::size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && IsAsciiSpace(list[at]))
            ++at;
        std::size_t end = at;
        while (end < list.size() && !IsAsciiSpace(list[end]))
            ++end;
        const std::string_view token = list.substr(at, end - at);
        if (!token.empty() && std::any_of(tokens.begin(), tokens.end(), [&](std::string_view t) {
                return EqualsIgnoringCase(token, t);
            }))
            return true;
        at = end;
    }
    return false;
}

std::string AttributeValue(const xmlAttr* attribute) {
    std::string value;
    for (const xmlNode* child = attribute->children; child; child = child->next)
        value += View(child->content);
    return value;
}

bool HasAttribute(const xmlNode* node, std::string_view localName) {
    for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
        std::string_view name = View(attribute->name);
        if (const auto colon = name.find(':'); colon != std::string_view::npos)
            name.remove_prefix(colon + 1);
        if (name == localName)
            return true;
    }
    return false;
}

// epub:type: "epub:type" as the HTML parser names it (or the XML parser, when
// the document forgot to declare the prefix), or "type" in the OPS namespace;
// never HTML's own type attribute (<ol type>, <a type>).
std::string EpubType(const xmlNode* node) {
    for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
        const std::string_view name = View(attribute->name);
        if (name == "epub:type" ||
            (name == "type" && attribute->ns && View(attribute->ns->href) == kOpsNamespace))
            return AttributeValue(attribute);
    }
    return {};
}

// What has no words of its own for a listener, or words in a form that cannot
// be spoken: scripting, embedded media, form controls, ruby readings (the base
// text is spoken), metadata.
constexpr std::array<std::string_view, 21> kUnspokenElements = {
    "script", "style",  "template", "noscript", "nav",    "svg",      "iframe",
    "object", "embed",  "video",    "audio",    "canvas", "img",      "picture",
    "select", "button", "textarea", "rt",       "rp",     "datalist", "meta"};

constexpr std::array<std::string_view, 11> kUnspokenTypes = {
    "footnote", "endnote",   "rearnote", "note",      "annotation", "footnotes",
    "endnotes", "rearnotes", "noteref",  "pagebreak", "page-list"};

constexpr std::array<std::string_view, 11> kUnspokenRoles = {
    "doc-footnote", "doc-endnote",  "doc-endnotes", "doc-note", "doc-noteref",  "doc-pagebreak",
    "doc-pagelist", "doc-backlink", "navigation",   "doc-toc",  "doc-biblioref"};

// pandoc's notes and marks, and Project Gutenberg's notes, marks and page
// numbers, which come without epub:type or role.
constexpr std::array<std::string_view, 7> kUnspokenClasses = {
    "footnotes", "footnote", "footnote-ref", "footnote-back", "fnanchor", "pagenum", "pageno"};

constexpr std::array<std::string_view, 14> kMatterTypes = {
    "cover", "titlepage", "halftitlepage", "toc",        "copyright-page",
    "index", "colophon",  "imprint",       "seriespage", "landmarks",
    "loi",   "lot",       "frontispiece",  "imprimatur"};

constexpr std::array<std::string_view, 3> kMatterRoles = {"doc-index", "doc-colophon", "doc-cover"};

constexpr std::array<std::string_view, 39> kBlockElements = {
    "address", "article", "aside",  "blockquote", "body",    "caption", "center",   "dd",
    "details", "dialog",  "dir",    "div",        "dl",      "dt",      "fieldset", "figcaption",
    "figure",  "footer",  "form",   "h1",         "h2",      "h3",      "h4",       "h5",
    "h6",      "header",  "hgroup", "hr",         "html",    "legend",  "li",       "main",
    "menu",    "ol",      "p",      "pre",        "section", "summary", "table"};

constexpr std::array<std::string_view, 7> kTableParts = {"tbody", "td", "tfoot", "th",
                                                         "thead", "tr", "ul"};

template <std::size_t N>
bool IsOneOf(std::string_view name, const std::array<std::string_view, N>& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool IsBlock(std::string_view name) {
    return IsOneOf(name, kBlockElements) || IsOneOf(name, kTableParts);
}

int HeadingLevel(std::string_view name) {
    return name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6' ? name[1] - '0'
                                                                                  : 0;
}

const xmlNode* OnlyChildElement(const xmlNode* node) {
    const xmlNode* only = nullptr;
    for (const xmlNode* child = node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) {
            if (only)
                return nullptr;
            only = child;
        } else if (child->type == XML_TEXT_NODE || child->type == XML_CDATA_SECTION_NODE) {
            const std::string_view text = View(child->content);
            if (!std::all_of(text.begin(), text.end(), IsAsciiSpace))
                return nullptr;
        }
    }
    return only;
}

// A note's reference mark written without epub:type or role: a superscript
// holding only a link, or a link holding only a superscript.
bool IsBareNoteMark(const xmlNode* node, std::string_view name) {
    if (name != "sup" && name != "a")
        return false;
    const xmlNode* only = OnlyChildElement(node);
    if (!only)
        return false;
    if (name == "sup")
        return LocalName(only) == "a" && HasAttribute(only, "href");
    return LocalName(only) == "sup" && HasAttribute(node, "href");
}

bool IsHidden(const xmlNode* node) {
    if (HasAttribute(node, "hidden") || EqualsIgnoringCase(Attribute(node, "aria-hidden"), "true"))
        return true;
    std::string style = Attribute(node, "style");
    std::erase_if(style, [](char c) { return IsAsciiSpace(c); });
    std::transform(style.begin(), style.end(), style.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return style.find("display:none") != std::string::npos ||
           style.find("visibility:hidden") != std::string::npos;
}

bool IsUnspoken(const xmlNode* node) {
    const std::string_view name = LocalName(node);
    if (IsOneOf(name, kUnspokenElements) || IsHidden(node) || IsBareNoteMark(node, name))
        return true;
    const std::string type = EpubType(node);
    if (HasAnyToken(type, kUnspokenTypes) || HasAnyToken(Attribute(node, "role"), kUnspokenRoles) ||
        HasAnyToken(Attribute(node, "class"), kUnspokenClasses))
        return true;
    // An aside is tangential to the text (a pull quote repeats it, a note
    // interrupts it); a sidebar is marked as content of its own.
    return name == "aside" && !HasAnyToken(type, std::array<std::string_view, 1>{"sidebar"});
}

bool IsMatter(const xmlNode* node) {
    // pandoc's standalone pages open with the title page it makes from the
    // metadata (title, authors, date) under this id.
    return HasAnyToken(EpubType(node), kMatterTypes) ||
           HasAnyToken(Attribute(node, "role"), kMatterRoles) ||
           (LocalName(node) == "header" && Attribute(node, "id") == "title-block-header");
}

bool IsTextNode(const xmlNode* node) {
    return node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE;
}

// MathML is spoken by its alternative text when it has one.
std::string MathText(const xmlNode* node) {
    const std::string alternative = Attribute(node, "alttext");
    return alternative.empty() ? std::string() : " " + alternative + " ";
}

class Walker {
public:
    Walker(ChapterBuilder& builder, const HtmlWalk& walk) : m_builder(builder), m_walk(walk) {}

    // An explicit stack instead of recursion: the parsers bound a document's
    // depth today, but the walk must not depend on it.
    void Run(const xmlNode* root) {
        if (!root)
            return;
        m_stack.push_back({root, 0});
        while (!m_stack.empty()) {
            const Step step = m_stack.back();
            m_stack.pop_back();
            if (step.leaving)
                Leave(step.leaving);
            else
                Visit(step.node);
        }
        m_builder.EndParagraph();
    }

private:
    enum Leaving : unsigned { kBlock = 1, kMatter = 2, kPre = 4, kLeave = 8 };
    struct Step {
        const xmlNode* node;
        unsigned leaving; // 0: visit the node; else leave it, undoing what these flags say
    };

    void PushChildren(const xmlNode* node, bool elementsOnly = false) {
        for (const xmlNode* child = node->last; child; child = child->prev)
            if (!elementsOnly || child->type == XML_ELEMENT_NODE)
                m_stack.push_back({child, 0});
    }

    void Visit(const xmlNode* node) {
        if (IsTextNode(node)) {
            Text(View(node->content));
            return;
        }
        if (node->type == XML_DOCUMENT_NODE || node->type == XML_HTML_DOCUMENT_NODE) {
            PushChildren(node);
            return;
        }
        if (node->type != XML_ELEMENT_NODE)
            return; // comments, processing instructions, entity references
        const std::string_view name = LocalName(node);
        const bool block = IsBlock(name);
        if (block)
            m_builder.EndParagraph();
        Anchor(node);
        if (IsUnspoken(node))
            return;
        if (name == "math") {
            Text(MathText(node));
            return;
        }
        if (name == "br" || name == "hr") {
            m_builder.EndParagraph();
            return;
        }
        const int level = HeadingLevel(name);
        if (level > 0 && m_walk.headingsStartChapters && level <= m_walk.chapterLevel) {
            StartChapter(node, level);
            return;
        }
        unsigned leaving = kLeave | (block ? unsigned{kBlock} : 0U);
        if (IsMatter(node)) {
            if (m_fresh)
                m_builder.MarkMatter();
            ++m_matterDepth;
            leaving |= kMatter;
        }
        if (name == "pre") {
            ++m_preDepth;
            leaving |= kPre;
        }
        m_stack.push_back({node, leaving});
        // A title's text is the document's name, not its content; the HTML
        // parser, given no <head>, can hang the whole page beneath it.
        PushChildren(node, name == "title");
    }

    void Leave(unsigned leaving) {
        if (leaving & kBlock)
            m_builder.EndParagraph();
        if (leaving & kMatter)
            --m_matterDepth;
        if (leaving & kPre)
            --m_preDepth;
    }

    void Text(std::string_view raw) {
        const std::string valid = ValidUtf8(raw);
        std::string_view text = valid;
        if (!std::all_of(text.begin(), text.end(), IsAsciiSpace))
            m_fresh = false;
        if (m_preDepth == 0) {
            m_builder.AppendText(text);
            return;
        }
        // Preformatted lines (verse, addresses) are heard as lines.
        for (auto end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
            m_builder.AppendText(text.substr(0, end));
            m_builder.EndParagraph();
            text.remove_prefix(end + 1);
        }
        m_builder.AppendText(text);
    }

    void Anchor(const xmlNode* node) {
        if (!m_walk.onAnchor)
            return;
        const std::string id = Attribute(node, "id");
        if (id.empty())
            return;
        m_walk.onAnchor(id);
    }

    // The heading's words (notes and marks left out) title the chapter and
    // are its first paragraph; anchors inside it come first, in order.
    void StartChapter(const xmlNode* heading, int level) {
        std::string title;
        std::vector<const xmlNode*> stack{heading};
        while (!stack.empty()) {
            const xmlNode* node = stack.back();
            stack.pop_back();
            if (IsTextNode(node)) {
                title += View(node->content);
                continue;
            }
            if (node->type != XML_ELEMENT_NODE)
                continue;
            if (node != heading)
                Anchor(node);
            const std::string_view name = LocalName(node);
            if (IsUnspoken(node))
                continue;
            if (name == "math") {
                title += MathText(node);
                continue;
            }
            if (name == "br" || IsBlock(name))
                title += ' ';
            for (const xmlNode* child = node->last; child; child = child->prev)
                stack.push_back(child);
        }
        title = ValidUtf8(title);
        m_builder.StartChapter(title, level);
        if (m_matterDepth > 0)
            m_builder.MarkMatter();
        m_builder.AddParagraph(title);
        m_fresh = true;
    }

    ChapterBuilder& m_builder;
    const HtmlWalk& m_walk;
    std::vector<Step> m_stack;
    int m_matterDepth = 0; // inside front or back matter: chapters started here are matter
    int m_preDepth = 0;
    // Nothing spoken since this walk began or started a chapter: matter found
    // now is the chapter being built (see HtmlText.h). Anchors leave it as it
    // is: whether the caller started a chapter there is not known here, and
    // marking the chapter before would silence it.
    bool m_fresh = true;
};

} // namespace

void WalkHtml(const xmlNode* root, ChapterBuilder& builder, const HtmlWalk& walk) {
    Walker(builder, walk).Run(root);
}
