#pragma once
// Recognises a document's format by its content (a ZIP's entries, "%PDF-", an
// HTML or XML root, a byte-order mark), with the file's extension only as a
// hint, and reads it with that format's reader.

#include "src/documents/Book.h"
#include "src/documents/ReadOptions.h"

#include <optional>
#include <string>
#include <string_view>

enum class DocumentFormat { Text, Markdown, Html, Epub, Fb2, Odt, Docx, Pdf };

struct FormatGuess {
    std::optional<DocumentFormat> format;
    std::string
        unreadable; // what it looks like when no reader takes it ("a PNG image", "binary data")
};

FormatGuess DetectFormat(std::string_view bytes, std::string_view nameHint);
BookResult ReadBook(std::string_view bytes, const ReadOptions& options);
