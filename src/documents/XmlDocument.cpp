#include "src/documents/XmlDocument.h"

#include <climits>
#include <libxml/HTMLparser.h>
#include <libxml/parser.h>

namespace {

// No network, no external DTD or entity, no entity substitution beyond the
// predefined ones, no messages on standard error.
constexpr int kXmlOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
constexpr int kHtmlOptions = HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                             HTML_PARSE_RECOVER | HTML_PARSE_NOIMPLIED;

// libxml2 reports encoding and I/O errors through its generic handler even
// when asked for no error messages; a reader's errors are its own to word.
void IgnoreMessage(void*, const char*, ...) {}
void IgnoreError(void*, xmlErrorPtr) {}

void SilenceLibxml() {
    xmlSetGenericErrorFunc(nullptr, IgnoreMessage);
    xmlSetStructuredErrorFunc(nullptr, IgnoreError);
}

int Length(std::string_view bytes) {
    return bytes.size() > static_cast<std::size_t>(INT_MAX) ? INT_MAX
                                                            : static_cast<int>(bytes.size());
}

} // namespace

XmlDocument XmlDocument::ParseXml(std::string_view bytes) {
    SilenceLibxml();
    XmlDocument document;
    document.m_doc.reset(xmlReadMemory(bytes.data(), Length(bytes), nullptr, nullptr, kXmlOptions));
    return document;
}

XmlDocument XmlDocument::ParseHtml(std::string_view bytes) {
    SilenceLibxml();
    XmlDocument document;
    document.m_doc.reset(
        htmlReadMemory(bytes.data(), Length(bytes), nullptr, nullptr, kHtmlOptions));
    return document;
}

xmlNode* XmlDocument::Root() const {
    return m_doc ? xmlDocGetRootElement(m_doc.get()) : nullptr;
}

namespace {

std::string_view WithoutPrefix(const xmlChar* qualified) {
    if (!qualified)
        return {};
    std::string_view name(reinterpret_cast<const char*>(qualified));
    const auto colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

} // namespace

std::string_view LocalName(const xmlNode* node) {
    return node ? WithoutPrefix(node->name) : std::string_view();
}

std::string Attribute(const xmlNode* node, std::string_view localName) {
    if (!node || node->type != XML_ELEMENT_NODE)
        return {};
    for (const xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
        if (WithoutPrefix(attribute->name) != localName)
            continue;
        std::string value;
        for (const xmlNode* child = attribute->children; child; child = child->next)
            if (child->content)
                value += reinterpret_cast<const char*>(child->content);
        return value;
    }
    return {};
}

std::string TextContent(const xmlNode* node) {
    std::string text;
    if (!node)
        return text;
    if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) {
        if (node->content)
            text = reinterpret_cast<const char*>(node->content);
        return text;
    }
    for (const xmlNode* child = node->children; child; child = child->next)
        text += TextContent(child);
    return text;
}

xmlNode* FirstChild(const xmlNode* node, std::string_view localName) {
    for (xmlNode* child = node ? node->children : nullptr; child; child = child->next)
        if (child->type == XML_ELEMENT_NODE && LocalName(child) == localName)
            return child;
    return nullptr;
}
