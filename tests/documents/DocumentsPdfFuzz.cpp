// libFuzzer over the PDF reader: poppler's view of any bytes, then our lines,
// paragraphs, running heads and outline search over whatever text it finds.

#include "src/documents/Readers.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReadOptions options;
    options.chapterLevel = size % 3 + 1;
    const BookResult result =
        ReadPdf(std::string_view(reinterpret_cast<const char*>(data), size), options);
    if (!result.book && result.error.empty())
        __builtin_trap(); // a refusal always gives its reason
    return 0;
}
