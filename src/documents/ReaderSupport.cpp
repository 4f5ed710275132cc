#include "src/documents/ReaderSupport.h"

#include <cctype>

XmlDocument ReadXmlEntry(ZipArchive& zip, const std::string& name, std::string& error) {
    const auto bytes = zip.Read(name);
    if (!bytes) {
        error = zip.Error();
        return {};
    }
    XmlDocument document = XmlDocument::ParseXml(*bytes);
    if (!document.Root()) {
        error = "\"" + name + "\" in it is not well-formed XML";
        return {};
    }
    return document;
}

std::string CleanText(std::string_view text) {
    std::string clean;
    bool space = false;
    for (const char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = !clean.empty();
            continue;
        }
        if (space)
            clean += ' ';
        space = false;
        clean += c;
    }
    return clean;
}

std::vector<std::string> SplitNames(std::string_view field) {
    std::vector<std::string> names;
    while (!field.empty()) {
        const auto semicolon = field.find(';');
        std::string name = CleanText(field.substr(0, semicolon));
        if (!name.empty())
            names.push_back(std::move(name));
        if (semicolon == std::string_view::npos)
            break;
        field.remove_prefix(semicolon + 1);
    }
    return names;
}

bool HasToken(std::string_view list, std::string_view token) {
    std::size_t at = 0;
    while (at < list.size()) {
        while (at < list.size() && std::isspace(static_cast<unsigned char>(list[at])))
            ++at;
        std::size_t end = at;
        while (end < list.size() && !std::isspace(static_cast<unsigned char>(list[end])))
            ++end;
        if (end > at && list.substr(at, end - at) == token)
            return true;
        at = end;
    }
    return false;
}

namespace {

xmlNode* ElementFrom(xmlNode* node) {
    while (node && node->type != XML_ELEMENT_NODE)
        node = node->next;
    return node;
}

} // namespace

Elements::Iterator& Elements::Iterator::operator++() {
    node = ElementFrom(node->next);
    return *this;
}

Elements::Iterator Elements::begin() const {
    return {ElementFrom(m_first)};
}

void TitleBlock::Start(ChapterBuilder& builder, std::string_view title) {
    builder.StartChapter(title, 1);
    m_open = true;
    m_onlyTheBlock = true;
}

void TitleBlock::Paragraph(bool ofTheBlock) {
    if (m_open && !ofTheBlock)
        m_onlyTheBlock = false;
}

void TitleBlock::BeforeHeading(ChapterBuilder& builder) {
    if (m_open && m_onlyTheBlock)
        builder.MarkMatter();
    m_open = false;
}

BookResult FinishBook(Book book, ChapterBuilder& builder) {
    book.chapters = builder.Finish();
    if (book.chapters.empty())
        return Failure("it holds no text to speak");
    return {std::move(book), {}};
}

BookResult Failure(std::string reason) {
    return {std::nullopt, std::move(reason)};
}
