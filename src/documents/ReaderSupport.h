#pragma once
// What the container readers (EPUB, ODT, DOCX, FB2) share: XML entries of a
// ZIP parsed with a clear reason when they cannot be, metadata text cleaned,
// and the finished book refused when nothing in it can be spoken.

#include "src/documents/Book.h"
#include "src/documents/ChapterBuilder.h"
#include "src/documents/XmlDocument.h"
#include "src/documents/ZipArchive.h"

#include <string>
#include <string_view>
#include <vector>

// The entry parsed as strict XML; !Ok() with `error` set when it is missing,
// unreadable or not well-formed.
XmlDocument ReadXmlEntry(ZipArchive& zip, const std::string& name, std::string& error);

// White space runs as single spaces, none at either end.
std::string CleanText(std::string_view text);
// The names one metadata field lists ("Ada Lovelace; Charles Babbage").
std::vector<std::string> SplitNames(std::string_view field);

// Whether a space-separated list (epub:type, properties) holds the token.
bool HasToken(std::string_view list, std::string_view token);

// The element children of a node, for range-for.
class Elements {
public:
    explicit Elements(const xmlNode* parent) : m_first(parent ? parent->children : nullptr) {}
    struct Iterator {
        xmlNode* node;
        xmlNode* operator*() const { return node; }
        Iterator& operator++();
        bool operator!=(const Iterator& other) const { return node != other.node; }
    };
    Iterator begin() const;
    Iterator end() const { return {nullptr}; }

private:
    xmlNode* m_first;
};

// The title block at a document's start (its title, subtitle, authors,
// date) as a chapter of its own. It is front matter only once a heading
// follows with nothing else between: a document with a title and no headings
// is all text, and must not be left out as matter.
class TitleBlock {
public:
    void Start(ChapterBuilder& builder, std::string_view title);
    bool Started() const { return m_open; }
    // A paragraph of the block (false: of the text).
    void Paragraph(bool ofTheBlock);
    // Called before any heading starts a chapter.
    void BeforeHeading(ChapterBuilder& builder);

private:
    bool m_open = false;
    bool m_onlyTheBlock = false;
};

// The book with the builder's chapters, or the reason there is none: a
// document with no speakable text is refused rather than read as empty.
BookResult FinishBook(Book book, ChapterBuilder& builder);
BookResult Failure(std::string reason);
