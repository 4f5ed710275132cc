#pragma once
// What a reader is asked for beyond the document's bytes.

#include <string>

struct ReadOptions {
    // Headings (and table-of-contents entries) down to this level start
    // chapters; deeper ones stay inside their chapter as text.
    int chapterLevel = 2;
    // The file's name, for its extension: a hint where the content does not
    // decide ("notes.md" is Markdown, "notes.txt" plain text).
    std::string nameHint;
};
