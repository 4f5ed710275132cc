#include "platform/sapi5/SapiXmlReader.h"

#include "platform/sapi5/TextCompare.h"

#include <algorithm>
#include <optional>

namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool IsNameStart(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' ||
           c >= 0x80;
}

bool IsNameChar(char16_t c) {
    return IsNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
}

void AppendCodePoint(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        c -= 0x10000;
        out += static_cast<char16_t>(0xD800 + (c >> 10));
        out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

// An integer attribute value ("-5", " 20 "); values far out of range saturate.
std::optional<long> ParseNumber(std::u16string_view v) {
    std::size_t i = 0;
    while (i < v.size() && IsSpace(v[i]))
        ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+'))
        negative = v[i++] == u'-';
    std::size_t digits = 0;
    long value = 0;
    for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i, ++digits)
        value = std::min(value * 10 + (v[i] - u'0'), 1000000L);
    while (i < v.size() && IsSpace(v[i]))
        ++i;
    if (digits == 0 || i != v.size())
        return std::nullopt;
    return negative ? -value : value;
}

int Clamp(long v, int lo, int hi) {
    return static_cast<int>(std::clamp<long>(v, lo, hi));
}

struct Attribute {
    std::u16string_view name;
    std::u16string value;
};

struct Tag {
    std::u16string_view name;
    std::vector<Attribute> attributes;
    bool closing = false; // </name>
    bool empty = false;   // <name/>
    std::size_t end = 0;  // just past '>'

    std::optional<long> Number(std::u16string_view lowerName) const {
        std::optional<long> result;
        for (const auto& a : attributes)
            if (EqualsNoCase(a.name, lowerName))
                result = ParseNumber(a.value);
        return result;
    }
};

class Reader {
public:
    explicit Reader(std::u16string_view xml) : s_(xml) {}

    std::vector<SpeechSegment> Run() {
        while (pos_ < s_.size()) {
            char16_t c = s_[pos_];
            if (c == u'<' && Markup())
                continue;
            if (c == u'&') {
                pos_ = Entity(pos_, text_);
                continue;
            }
            AppendChar(c);
            ++pos_;
        }
        FlushText();
        return std::move(out_);
    }

private:
    struct Open {
        std::u16string name;
        SpeechProsody saved;
    };

    void AppendChar(char16_t c) { text_ += c == 0 ? u' ' : c; }

    // Handles the markup at '<'; false when it is not markup, and '<' is text.
    bool Markup() {
        std::u16string_view rest = s_.substr(pos_);
        if (rest.starts_with(u"<!--"))
            return SkipPast(u"-->", 4);
        if (rest.starts_with(u"<?"))
            return SkipPast(u"?>", 2);
        if (rest.starts_with(u"<![CDATA[")) {
            std::size_t end = s_.find(u"]]>", pos_ + 9);
            if (end == std::u16string_view::npos)
                return false;
            for (char16_t c : s_.substr(pos_ + 9, end - pos_ - 9))
                AppendChar(c);
            pos_ = end + 3;
            return true;
        }
        std::optional<Tag> tag = ParseTag();
        if (!tag)
            return false;
        pos_ = tag->end;
        if (tag->closing)
            EndElement(tag->name);
        else
            StartElement(*tag);
        return true;
    }

    bool SkipPast(std::u16string_view terminator, std::size_t from) {
        std::size_t end = s_.find(terminator, pos_ + from);
        if (end == std::u16string_view::npos)
            return false;
        pos_ = end + terminator.size();
        return true;
    }

    std::optional<Tag> ParseTag() {
        Tag tag;
        std::size_t i = pos_ + 1;
        if (i < s_.size() && s_[i] == u'/') {
            tag.closing = true;
            ++i;
        }
        std::size_t nameStart = i;
        if (i >= s_.size() || !IsNameStart(s_[i]))
            return std::nullopt;
        while (i < s_.size() && IsNameChar(s_[i]))
            ++i;
        tag.name = s_.substr(nameStart, i - nameStart);
        for (;;) {
            std::size_t spaceStart = i;
            while (i < s_.size() && IsSpace(s_[i]))
                ++i;
            if (i >= s_.size())
                return std::nullopt;
            if (s_[i] == u'>') {
                tag.end = i + 1;
                return tag;
            }
            if (s_[i] == u'/' && !tag.closing) {
                if (i + 1 < s_.size() && s_[i + 1] == u'>') {
                    tag.empty = true;
                    tag.end = i + 2;
                    return tag;
                }
                return std::nullopt;
            }
            // An attribute needs white space before it; end tags have none.
            if (tag.closing || i == spaceStart || !IsNameStart(s_[i]))
                return std::nullopt;
            std::size_t attrStart = i;
            while (i < s_.size() && IsNameChar(s_[i]))
                ++i;
            Attribute attribute{s_.substr(attrStart, i - attrStart), {}};
            while (i < s_.size() && IsSpace(s_[i]))
                ++i;
            if (i >= s_.size() || s_[i] != u'=')
                return std::nullopt;
            ++i;
            while (i < s_.size() && IsSpace(s_[i]))
                ++i;
            if (i >= s_.size() || (s_[i] != u'"' && s_[i] != u'\''))
                return std::nullopt;
            char16_t quote = s_[i++];
            while (i < s_.size() && s_[i] != quote) {
                if (s_[i] == u'<')
                    return std::nullopt;
                if (s_[i] == u'&') {
                    i = Entity(i, attribute.value);
                } else {
                    attribute.value += s_[i++];
                }
            }
            if (i >= s_.size())
                return std::nullopt;
            ++i;
            tag.attributes.push_back(std::move(attribute));
        }
    }

    // Decodes the reference at `at` ('&') into `out` and gives the position
    // after it; an unknown or unfinished one is a plain ampersand.
    std::size_t Entity(std::size_t at, std::u16string& out) const {
        static constexpr struct {
            std::u16string_view name;
            char16_t c;
        } kNamed[] = {
            {u"lt;", u'<'}, {u"gt;", u'>'}, {u"amp;", u'&'}, {u"quot;", u'"'}, {u"apos;", u'\''}};
        std::u16string_view rest = s_.substr(at + 1);
        for (const auto& named : kNamed) {
            if (rest.starts_with(named.name)) {
                out += named.c;
                return at + 1 + named.name.size();
            }
        }
        if (rest.starts_with(u"#")) {
            bool hex = rest.size() > 1 && (rest[1] == u'x' || rest[1] == u'X');
            std::size_t i = hex ? 2 : 1;
            char32_t value = 0;
            std::size_t digits = 0;
            for (; i < rest.size() && digits <= 8; ++i, ++digits) {
                char16_t c = rest[i];
                int d = c >= u'0' && c <= u'9' ? c - u'0'
                        : hex && AsciiLower(c) >= u'a' && AsciiLower(c) <= u'f'
                            ? AsciiLower(c) - u'a' + 10
                            : -1;
                if (d < 0)
                    break;
                value = value * (hex ? 16 : 10) + d;
            }
            bool valid = digits > 0 && digits <= 8 && i < rest.size() && rest[i] == u';' &&
                         value != 0 && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
            if (valid) {
                AppendCodePoint(out, value);
                return at + 1 + i + 1;
            }
        }
        out += u'&';
        return at + 1;
    }

    void StartElement(const Tag& tag) {
        SpeechProsody before = prosody_;
        SpeechProsody next = prosody_;
        if (EqualsNoCase(tag.name, u"volume")) {
            if (auto v = tag.Number(u"level"))
                next.volume = Clamp(*v, 0, 100);
        } else if (EqualsNoCase(tag.name, u"rate")) {
            if (auto v = tag.Number(u"absspeed"))
                next.rate = Clamp(*v, -10, 10);
            else if (auto d = tag.Number(u"speed"))
                next.rate = Clamp(next.rate + *d, -10, 10);
        } else if (EqualsNoCase(tag.name, u"pitch")) {
            if (auto v = tag.Number(u"absmiddle"))
                next.pitch = Clamp(*v, -10, 10);
            else if (auto d = tag.Number(u"middle"))
                next.pitch = Clamp(next.pitch + *d, -10, 10);
        } else if (EqualsNoCase(tag.name, u"silence")) {
            if (auto ms = tag.Number(u"msec"); ms && *ms > 0) {
                FlushText();
                SpeechSegment pause;
                pause.prosody = prosody_;
                pause.silenceMs =
                    static_cast<unsigned>(std::min<long>(*ms, SapiXmlReader::kMaxSilenceMs));
                out_.push_back(std::move(pause));
            }
        }
        SetProsody(next);
        if (!tag.empty)
            open_.push_back({std::u16string(tag.name), before});
    }

    // An end tag without a matching start tag is ignored; one that closes
    // several elements at once restores the prosody of the outermost.
    void EndElement(std::u16string_view name) {
        for (std::size_t i = open_.size(); i-- > 0;) {
            if (EqualsNoCase(open_[i].name, name)) {
                SetProsody(open_[i].saved);
                open_.resize(i);
                return;
            }
        }
    }

    void SetProsody(const SpeechProsody& next) {
        if (next == prosody_)
            return;
        FlushText();
        prosody_ = next;
    }

    void FlushText() {
        bool speakable =
            std::any_of(text_.begin(), text_.end(), [](char16_t c) { return !IsSpace(c); });
        if (speakable)
            out_.push_back({std::move(text_), prosody_, 0});
        text_.clear();
    }

    std::u16string_view s_;
    std::size_t pos_ = 0;
    std::u16string text_;
    SpeechProsody prosody_;
    std::vector<Open> open_;
    std::vector<SpeechSegment> out_;
};

} // namespace

std::vector<SpeechSegment> SapiXmlReader::Read(std::u16string_view xml) {
    return Reader(xml).Run();
}

std::vector<SpeechSegment> SapiXmlReader::ReadPlain(std::u16string_view text) {
    std::u16string copy(text);
    std::replace(copy.begin(), copy.end(), u'\0', u' ');
    if (std::all_of(copy.begin(), copy.end(), IsSpace))
        return {};
    return {SpeechSegment{std::move(copy), {}, 0}};
}
