#pragma once
// An XML or HTML document parsed by libxml2, freed with this object. Parsing
// never touches the network, never loads external entities or DTDs, and
// never expands entities beyond libxml2's own bounds.

#include <libxml/tree.h>
#include <memory>
#include <string>
#include <string_view>

class XmlDocument {
public:
    // Strict XML: !Ok() on malformed input.
    static XmlDocument ParseXml(std::string_view bytes);
    // libxml2's tolerant HTML parser: anything parses into some tree. The
    // encoding comes from the document (meta charset, BOM), else UTF-8.
    static XmlDocument ParseHtml(std::string_view bytes);

    bool Ok() const { return m_doc != nullptr; }
    xmlDoc* Get() const { return m_doc.get(); }
    xmlNode* Root() const; // nullptr when empty

private:
    struct Free {
        void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
    };
    std::unique_ptr<xmlDoc, Free> m_doc;
};

// An element's name without its namespace prefix ("epub:type" parsed as HTML
// and "type" in the epub namespace both give their local name).
std::string_view LocalName(const xmlNode* node);
// The attribute of that local name, whatever its namespace or prefix; empty
// when absent.
std::string Attribute(const xmlNode* node, std::string_view localName);
// All text beneath the node, as it stands.
std::string TextContent(const xmlNode* node);
// The first child element of that local name, or nullptr.
xmlNode* FirstChild(const xmlNode* node, std::string_view localName);
