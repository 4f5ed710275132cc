#include "src/app/EditorJobText.h"

#include <algorithm>

namespace {

// What QTextDocument::toPlainText makes of the document's own characters.
char16_t PlainCharacter(char16_t c) {
    switch (c) {
    case 0xfdd0: // beginning of a frame
    case 0xfdd1: // end of a frame
    case 0x2028: // line separator
    case 0x2029: // paragraph separator
        return u'\n';
    case 0x00a0: // no-break space
        return u' ';
    default:
        return c;
    }
}

} // namespace

void EditorJobText::AppendTo(std::u16string& out) const {
    const std::size_t start = out.size();
    const auto* characters = reinterpret_cast<const char16_t*>(m_raw.utf16());
    out.append(characters, static_cast<std::size_t>(m_raw.size()));
    std::transform(out.begin() + static_cast<std::ptrdiff_t>(start), out.end(),
                   out.begin() + static_cast<std::ptrdiff_t>(start), PlainCharacter);
}
