#pragma once
// Cuts a document's flow (chapter starts and paragraphs, in reading order)
// into chapters. Every reader feeds one; the rules of what becomes a chapter
// live here once.

#include "src/documents/Book.h"

#include <string>
#include <string_view>
#include <vector>

class ChapterBuilder {
public:
    // A chapter starts here: a heading of the document or an entry of its
    // table of contents. The title is whitespace-normalised; a title that
    // names front or back matter ("Contents", "Copyright", "Index", ...)
    // marks the chapter as matter too.
    void StartChapter(std::string_view title, int level, bool matter = false);
    // A paragraph of speakable text (a heading's own text is a paragraph too:
    // the reader adds it). Whitespace runs, non-breaking spaces and line
    // breaks inside it become single spaces; an empty paragraph is dropped.
    void AddParagraph(std::string_view text);
    // Appends to the paragraph being built (inline runs of one block);
    // EndParagraph closes it. AddParagraph(t) is AppendText(t) + EndParagraph().
    void AppendText(std::string_view text);
    void EndParagraph();
    // The chapter being built is front or back matter after all.
    void MarkMatter();

    // The chapters: text before the first start becomes a chapter of its own
    // (titled by its first words); a chapter with no text followed by deeper
    // entries becomes their heading (its text is its title); any other
    // chapter with no text is dropped.
    std::vector<Chapter> Finish();

    // Whether a title names front or back matter.
    static bool IsMatterTitle(std::string_view title);

private:
    std::vector<Chapter> m_chapters;
    std::string m_paragraph;
    bool m_open = false; // a chapter has been started (text before it goes to an untitled one)
};
