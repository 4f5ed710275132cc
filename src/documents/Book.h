#pragma once
// A document as the command line reads it: what it is called, who wrote it,
// its language and cover, and its chapters as speakable text. Readers fill
// it; the command line speaks, lists and (later) assembles audiobooks from it.
// All text is UTF-8.

#include <optional>
#include <string>
#include <vector>

struct Chapter {
    std::string title; // the author's title, never a made-up "Chapter 01" when the book has one
    int level = 1;     // 1 for the top of the table of contents, 2 beneath it, ...
    // Plain speakable text: paragraphs separated by '\n', no markup. A part
    // page with nothing of its own beyond its title holds just that title and
    // is followed by the deeper entries beneath it.
    std::string text;
    // Cover, title page, table of contents, copyright, index and the like:
    // left out unless asked for.
    bool matter = false;
};

struct Cover {
    std::string bytes;
    std::string mediaType; // "image/jpeg", "image/png", ...
};

struct Book {
    std::string title;
    std::vector<std::string> authors;
    std::string
        language; // BCP 47 as the document declares it ("en", "de-AT"); empty if it does not
    std::optional<Cover> cover;
    std::vector<Chapter> chapters;
    // Plain text is spoken as the window speaks it, markup obeyed; the text
    // of every other format is spoken as text, whatever it holds.
    bool obeysMarkup = false;
};

// A book, or why the document cannot be read ("the EPUB is DRM-protected");
// the caller names the file.
struct BookResult {
    std::optional<Book> book;
    std::string error;
};
