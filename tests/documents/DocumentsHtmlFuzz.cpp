// libFuzzer target: any bytes, read as HTML, Markdown and plain text, give a
// book whose chapters all have a title and text, in valid UTF-8, or a reason;
// never a crash, a leak or a hang.
#include "src/documents/Readers.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80   ? 1
                                   : lead < 0xC2 ? 0
                                   : lead < 0xE0 ? 2
                                   : lead < 0xF0 ? 3
                                   : lead < 0xF5 ? 4
                                                 : 0;
        if (length == 0 || text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += length;
    }
    return true;
}

void Check(const BookResult& result) {
    if (!result.book) {
        if (result.error.empty())
            __builtin_trap();
        return;
    }
    if (result.book->chapters.empty() || !IsUtf8(result.book->title))
        __builtin_trap();
    for (const Chapter& chapter : result.book->chapters)
        if (chapter.title.empty() || chapter.text.empty() || chapter.level < 1 ||
            !IsUtf8(chapter.title) || !IsUtf8(chapter.text))
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const ReadOptions options{.chapterLevel = static_cast<int>(size % 4) + 1, .nameHint = {}};
    Check(ReadHtml(bytes, options));
    Check(ReadMarkdown(bytes, options));
    Check(ReadText(bytes, options));
    return 0;
}
