#include "platform/sapi5/XmlTag.h"

#include "platform/com/strings.h"
#include "platform/sapi5/TextCompare.h"

#include <algorithm>

bool IsXmlSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

namespace {

bool IsNameStart(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' ||
           c >= 0x80;
}

bool IsNameChar(char16_t c) {
    return IsNameStart(c) || (c >= u'0' && c <= u'9') || c == u'-' || c == u'.';
}

std::optional<long> ParseNumber(std::u16string_view v) {
    std::size_t i = 0;
    while (i < v.size() && IsXmlSpace(v[i]))
        ++i;
    bool negative = false;
    if (i < v.size() && (v[i] == u'-' || v[i] == u'+'))
        negative = v[i++] == u'-';
    std::size_t digits = 0;
    long value = 0;
    for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i, ++digits)
        value = std::min(value * 10 + (v[i] - u'0'), 1000000L);
    while (i < v.size() && IsXmlSpace(v[i]))
        ++i;
    if (digits == 0 || i != v.size())
        return std::nullopt;
    return negative ? -value : value;
}

} // namespace

std::optional<long> XmlTag::Number(std::u16string_view lowerName) const {
    std::optional<long> result;
    for (const auto& a : attributes)
        if (EqualsNoCase(a.name, lowerName))
            result = ParseNumber(a.value);
    return result;
}

const std::u16string* XmlTag::Text(std::u16string_view lowerName) const {
    const std::u16string* result = nullptr;
    for (const auto& a : attributes)
        if (EqualsNoCase(a.name, lowerName))
            result = &a.value;
    return result;
}

std::optional<XmlTag> ParseXmlTag(std::u16string_view xml, std::size_t at) {
    XmlTag tag;
    std::size_t i = at + 1;
    if (i < xml.size() && xml[i] == u'/') {
        tag.closing = true;
        ++i;
    }
    std::size_t nameStart = i;
    if (i >= xml.size() || !IsNameStart(xml[i]))
        return std::nullopt;
    while (i < xml.size() && IsNameChar(xml[i]))
        ++i;
    tag.name = xml.substr(nameStart, i - nameStart);
    for (;;) {
        std::size_t spaceStart = i;
        while (i < xml.size() && IsXmlSpace(xml[i]))
            ++i;
        if (i >= xml.size())
            return std::nullopt;
        if (xml[i] == u'>') {
            tag.end = i + 1;
            return tag;
        }
        if (xml[i] == u'/' && !tag.closing) {
            if (i + 1 < xml.size() && xml[i + 1] == u'>') {
                tag.empty = true;
                tag.end = i + 2;
                return tag;
            }
            return std::nullopt;
        }
        // An attribute needs white space before it; end tags have none.
        if (tag.closing || i == spaceStart || !IsNameStart(xml[i]))
            return std::nullopt;
        std::size_t attrStart = i;
        while (i < xml.size() && IsNameChar(xml[i]))
            ++i;
        XmlAttribute attribute{xml.substr(attrStart, i - attrStart), {}};
        while (i < xml.size() && IsXmlSpace(xml[i]))
            ++i;
        if (i >= xml.size() || xml[i] != u'=')
            return std::nullopt;
        ++i;
        while (i < xml.size() && IsXmlSpace(xml[i]))
            ++i;
        if (i >= xml.size() || (xml[i] != u'"' && xml[i] != u'\''))
            return std::nullopt;
        char16_t quote = xml[i++];
        while (i < xml.size() && xml[i] != quote) {
            if (xml[i] == u'<')
                return std::nullopt;
            if (xml[i] == u'&') {
                i = DecodeXmlReference(xml, i, attribute.value);
            } else {
                attribute.value += xml[i++];
            }
        }
        if (i >= xml.size())
            return std::nullopt;
        ++i;
        tag.attributes.push_back(std::move(attribute));
    }
}

std::size_t DecodeXmlReference(std::u16string_view xml, std::size_t at, std::u16string& out) {
    static constexpr struct {
        std::u16string_view name;
        char16_t c;
    } kNamed[] = {
        {u"lt;", u'<'}, {u"gt;", u'>'}, {u"amp;", u'&'}, {u"quot;", u'"'}, {u"apos;", u'\''}};
    std::u16string_view rest = xml.substr(at + 1);
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
            AppendUtf16(out, value);
            return at + 1 + i + 1;
        }
    }
    out += u'&';
    return at + 1;
}
