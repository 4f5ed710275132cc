// libFuzzer target: any bytes, read as an EPUB, ODT, DOCX and FB2, give a
// book or a reason, never both and never neither, without crashing or
// inflating past the archive's bounds.
#include "src/documents/Readers.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    for (const auto read : {ReadEpub, ReadOdt, ReadDocx, ReadFb2}) {
        const BookResult result = read(bytes, {.chapterLevel = 2, .nameHint = {}});
        if (result.book.has_value() == !result.error.empty())
            __builtin_trap();
        if (result.book && result.book->chapters.empty())
            __builtin_trap();
    }
    return 0;
}
