#pragma once
// One reader per format, each turning a whole document held in memory into a
// Book. ReadBook (BookReader.h) recognises the format and picks the reader.

#include "src/documents/Book.h"
#include "src/documents/ReadOptions.h"

#include <string_view>

BookResult ReadText(std::string_view bytes, const ReadOptions& options);
BookResult ReadMarkdown(std::string_view bytes, const ReadOptions& options);
BookResult ReadHtml(std::string_view bytes, const ReadOptions& options);
BookResult ReadEpub(std::string_view bytes, const ReadOptions& options);
BookResult ReadFb2(std::string_view bytes, const ReadOptions& options);
BookResult ReadOdt(std::string_view bytes, const ReadOptions& options);
BookResult ReadDocx(std::string_view bytes, const ReadOptions& options);
BookResult ReadPdf(std::string_view bytes, const ReadOptions& options);
