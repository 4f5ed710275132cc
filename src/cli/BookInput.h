#pragma once
// A document read whole and turned into a book: a file, or standard input
// for "-". Why it cannot be read is said on the console, naming the file.

#include "src/documents/Book.h"

#include <optional>
#include <string>

class Console;
struct CliOptions;

struct BookInput {
    std::optional<Book> book;
    int status = 0; // without a book: 1 (the reason said), or 128 + the interrupting signal
};

BookInput LoadBook(const std::string& path, const CliOptions& options, Console& console,
                   int signalDescriptor);
