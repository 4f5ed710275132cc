#include "src/audiobook/PieceCues.h"

#include "src/audiobook/PartsFolder.h"
#include "src/documents/TextDecoding.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>

namespace {

// The first line of a cue file: a file of another form is made again.
constexpr std::string_view kHeader = "vocalith cues 1\n";

std::string Utf8Of(std::u16string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (code >= 0xD800 && code < 0xE000)
            code = 0xFFFD;
        AppendUtf8(out, code);
    }
    return out;
}

// "&lt;", "&#233;", "&#xE9;" at the start of `text`: the character and the
// entity's length, or a length of 0 when it is no entity.
std::pair<char32_t, std::size_t> Entity(std::string_view text) {
    const std::size_t end = text.find(';');
    if (end == std::string_view::npos || end > 12)
        return {0, 0};
    const std::string_view name = text.substr(1, end - 1);
    static constexpr std::pair<std::string_view, char32_t> kNamed[] = {
        {"lt", U'<'}, {"gt", U'>'}, {"amp", U'&'}, {"quot", U'"'}, {"apos", U'\''}};
    for (const auto& [entity, code] : kNamed)
        if (name == entity)
            return {code, end + 1};
    if (name.size() < 2 || name[0] != '#')
        return {0, 0};
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    auto [at, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || at != digits.data() + digits.size() ||
        code == 0 || code > 0x10FFFF || (code >= 0xD800 && code < 0xE000))
        return {0, 0};
    return {static_cast<char32_t>(code), end + 1};
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

} // namespace

std::string ReadableText(std::u16string_view text, CueMarkup markup) {
    const std::string utf8 = Utf8Of(text);
    std::string decoded;
    for (std::size_t i = 0; i < utf8.size();) {
        const char c = utf8[i];
        if (markup == CueMarkup::Xml && c == '<') {
            const std::size_t close = utf8.find('>', i);
            // What a reader sees is the text between the tags, as it is.
            i = close == std::string::npos ? utf8.size() : close + 1;
            continue;
        }
        if (markup == CueMarkup::Xml && c == '&')
            if (const auto [code, length] = Entity(std::string_view(utf8).substr(i)); length) {
                AppendUtf8(decoded, code);
                i += length;
                continue;
            }
        decoded += c;
        ++i;
    }
    std::string out;
    for (char c : decoded) {
        if (!IsBlank(c))
            out += c;
        else if (!out.empty() && out.back() != ' ')
            out += ' ';
    }
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::vector<PieceCue> MakePieceCues(std::u16string_view text,
                                    const std::vector<SentenceMark>& sentences, CueMarkup markup) {
    std::vector<PieceCue> cues;
    std::size_t from = 0;
    for (std::size_t i = 0; i < sentences.size(); ++i) {
        const std::size_t to = i + 1 < sentences.size()
                                   ? std::clamp(sentences[i + 1].position, from, text.size())
                                   : text.size();
        std::string readable = ReadableText(text.substr(from, to - from), markup);
        if (!readable.empty())
            cues.push_back({sentences[i].seconds, std::move(readable)});
        from = to;
    }
    return cues;
}

std::string CuesPath(const std::string& piecePath) {
    const std::size_t slash = piecePath.rfind('/');
    const std::size_t dot = piecePath.rfind('.');
    const bool hasExtension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return piecePath.substr(0, hasExtension ? dot : piecePath.size()) + ".cues";
}

std::string FormatPieceCues(const std::vector<PieceCue>& cues) {
    std::string out(kHeader);
    for (const PieceCue& cue : cues) {
        char seconds[64];
        const auto [end, error] = std::to_chars(seconds, seconds + sizeof seconds, cue.seconds,
                                                std::chars_format::fixed, 6);
        out.append(seconds, error == std::errc() ? end : seconds);
        out += '\t';
        out += cue.text;
        out += '\n';
    }
    return out;
}

std::optional<std::vector<PieceCue>> ParsePieceCues(std::string_view bytes) {
    if (!bytes.starts_with(kHeader) || !bytes.ends_with('\n'))
        return std::nullopt;
    bytes.remove_prefix(kHeader.size());
    std::vector<PieceCue> cues;
    while (!bytes.empty()) {
        const std::string_view line = bytes.substr(0, bytes.find('\n'));
        bytes.remove_prefix(line.size() + 1);
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos || tab + 1 == line.size())
            return std::nullopt;
        PieceCue cue;
        const auto [at, error] = std::from_chars(line.data(), line.data() + tab, cue.seconds);
        if (error != std::errc() || at != line.data() + tab || !std::isfinite(cue.seconds) ||
            cue.seconds < 0)
            return std::nullopt;
        cue.text = line.substr(tab + 1);
        cues.push_back(std::move(cue));
    }
    return cues;
}

std::string WritePieceCues(const std::string& path, const std::vector<PieceCue>& cues) {
    return WriteFileWhole(path, FormatPieceCues(cues));
}

std::optional<std::vector<PieceCue>> ReadPieceCues(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return in.bad() ? std::nullopt : ParsePieceCues(bytes);
}
