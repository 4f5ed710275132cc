#include "src/documents/PdfLanguage.h"

#include "src/documents/XmlDocument.h"

#include <vector>

namespace {

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

} // namespace

std::string XmpLanguage(std::string_view xmp) {
    if (xmp.empty())
        return {};
    const XmlDocument document = XmlDocument::ParseXml(xmp);
    if (!document.Ok() || !document.Root())
        return {};
    // Depth first without recursion: the packet's nesting is the file's to choose.
    std::vector<xmlNode*> pending{document.Root()};
    while (!pending.empty()) {
        xmlNode* node = pending.back();
        pending.pop_back();
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (LocalName(node) == "language") {
            // <dc:language><rdf:Bag><rdf:li>en</rdf:li>...
            const xmlNode* list = node->children;
            while (list && list->type != XML_ELEMENT_NODE)
                list = list->next;
            const xmlNode* item = list ? FirstChild(list, "li") : nullptr;
            return Trimmed(TextContent(item ? item : node));
        }
        for (xmlNode* child = node->last; child; child = child->prev)
            pending.push_back(child);
    }
    return {};
}
