#include "src/cli/BookInput.h"

#include "src/cli/CliOptions.h"
#include "src/cli/Console.h"
#include "src/cli/DocumentInput.h"
#include "src/cli/Signals.h"
#include "src/documents/BookReader.h"

BookInput LoadBook(const std::string& path, const CliOptions& options, Console& console,
                   int signalDescriptor) {
    const std::string name = DocumentName(path);
    DocumentInput input = ReadDocument(path, signalDescriptor);
    if (input.signal)
        return {std::nullopt, InterruptedStatus(input.signal)};
    if (!input.error.empty()) {
        console.Message(name + ": " + input.error);
        return {std::nullopt, 1};
    }
    ReadOptions readOptions;
    readOptions.chapterLevel = options.chapterLevel;
    readOptions.nameHint = path == "-" ? std::string() : path;
    BookResult read = ReadBook(input.bytes, readOptions);
    if (!read.book) {
        console.Message(name + ": " + read.error);
        return {std::nullopt, 1};
    }
    return {std::move(read.book), 0};
}
