#include "platform/sapi4/TaggedText.h"

#include <algorithm>

namespace {

// A sentence longer than this is cut at a space, so that one utterance never
// keeps the listener waiting long for its first sound.
constexpr std::size_t kMaxSentence = 400;

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f' || c == u'\v' ||
           c == 0x00A0;
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

bool EqualsIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char16_t c = a[i];
        if (c >= u'A' && c <= u'Z')
            c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != b[i])
            return false;
    }
    return true;
}

// Decimal digits only; a value beyond 32 bits saturates.
bool ParseValue(std::u16string_view s, std::uint32_t* value) {
    s = Trim(s);
    if (s.empty())
        return false;
    std::uint64_t v = 0;
    for (char16_t c : s) {
        if (c < u'0' || c > u'9')
            return false;
        v = std::min<std::uint64_t>(v * 10 + static_cast<unsigned>(c - u'0'), 0xFFFFFFFFu);
    }
    *value = static_cast<std::uint32_t>(v);
    return true;
}

// `text` stands in the tagged text at `source`.
void AppendText(std::vector<TextPiece>& pieces, std::u16string_view text, std::size_t source) {
    if (text.empty())
        return;
    if (pieces.empty() || pieces.back().kind != TextPiece::Kind::Text)
        pieces.push_back({TextPiece::Kind::Text, {}, {}, 0});
    TextPiece& piece = pieces.back();
    piece.sources.Copied(piece.text.size(), source);
    piece.text.append(text);
}

void AppendTag(std::vector<TextPiece>& pieces, std::u16string_view tag) {
    const std::size_t eq = tag.find(u'=');
    const std::u16string_view name = Trim(tag.substr(0, eq));
    if (eq == std::u16string_view::npos) {
        if (EqualsIgnoringCase(name, u"rst"))
            pieces.push_back({TextPiece::Kind::Reset, {}, {}, 0});
        return;
    }
    TextPiece::Kind kind;
    if (EqualsIgnoringCase(name, u"spd"))
        kind = TextPiece::Kind::Speed;
    else if (EqualsIgnoringCase(name, u"vol"))
        kind = TextPiece::Kind::Volume;
    else if (EqualsIgnoringCase(name, u"pit"))
        kind = TextPiece::Kind::Pitch;
    else
        return;
    std::uint32_t value = 0;
    if (ParseValue(tag.substr(eq + 1), &value))
        pieces.push_back({kind, {}, {}, value});
}

bool ClosesSentence(char16_t c) {
    return c == u'"' || c == u'\'' || c == u')' || c == u']' || c == 0x2019 || c == 0x201D;
}

bool EndsSentence(char16_t c) {
    return c == u'.' || c == u'!' || c == u'?' || c == u';' || c == u':';
}

} // namespace

std::vector<TextPiece> ParseTaggedText(std::u16string_view text, bool tagged) {
    std::vector<TextPiece> pieces;
    if (!tagged) {
        AppendText(pieces, text, 0);
        return pieces;
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t slash = text.find(u'\\', pos);
        AppendText(pieces, text.substr(pos, slash - pos), pos);
        if (slash == std::u16string_view::npos)
            break;
        if (slash + 1 < text.size() && text[slash + 1] == u'\\') {
            AppendText(pieces, u"\\", slash);
            pos = slash + 2;
            continue;
        }
        const std::size_t close = text.find(u'\\', slash + 1);
        if (close == std::u16string_view::npos) {
            // A tag that never closes is not a tag: what follows is spoken.
            pos = slash + 1;
            continue;
        }
        AppendTag(pieces, text.substr(slash + 1, close - slash - 1));
        pos = close + 1;
    }
    return pieces;
}

void ForEachSentenceOf(std::u16string_view text,
                       const std::function<bool(std::u16string_view)>& take) {
    auto emit = [&](std::u16string_view s) { return Trim(s).empty() || take(s); };
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool lineEnd = text[i] == u'\n';
        // The quotes and brackets that close a sentence go with it.
        std::size_t end = i + 1;
        if (EndsSentence(text[i]))
            while (end < text.size() && ClosesSentence(text[end]))
                ++end;
        const bool stop = EndsSentence(text[i]) && (end == text.size() || IsSpace(text[end]));
        if (lineEnd || stop) {
            if (!emit(text.substr(start, end - start)))
                return;
            start = end;
            i = end - 1;
        } else if (i + 1 - start >= kMaxSentence) {
            // Cut at the last space of the over-long run, or right here if it has none.
            std::size_t cut = i + 1;
            for (std::size_t j = i; j > start; --j)
                if (IsSpace(text[j])) {
                    cut = j + 1;
                    break;
                }
            if (!emit(text.substr(start, cut - start)))
                return;
            start = cut;
        }
    }
    if (start < text.size())
        emit(text.substr(start));
}

std::vector<std::u16string> SplitIntoSentences(std::u16string_view text) {
    std::vector<std::u16string> sentences;
    ForEachSentenceOf(text, [&](std::u16string_view s) {
        sentences.emplace_back(s);
        return true;
    });
    return sentences;
}
