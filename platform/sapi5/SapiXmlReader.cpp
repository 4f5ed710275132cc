#include "platform/sapi5/SapiXmlReader.h"

#include "platform/sapi5/SapiPhoneSet.h"
#include "platform/sapi5/TextCompare.h"
#include "platform/sapi5/XmlTag.h"

#include <algorithm>
#include <optional>

namespace {

int Clamp(long v, int lo, int hi) {
    return static_cast<int>(std::clamp<long>(v, lo, hi));
}

void Append(std::u16string& list, std::u16string_view more) {
    if (!list.empty() && !more.empty())
        list += u';';
    list += more;
}

// espeak-ng SSML around the content of the elements that have some.
struct Markup {
    std::u16string_view open;
    std::u16string_view close;
};

std::optional<Markup> MarkupOf(const XmlTag& tag) {
    static constexpr Markup kSpell{u"<say-as interpret-as=\"characters\">", u"</say-as>"};
    static constexpr Markup kDigits{u"<say-as interpret-as=\"tts:digits\">", u"</say-as>"};
    if (EqualsNoCase(tag.name, u"emph"))
        return Markup{u"<emphasis>", u"</emphasis>"};
    if (EqualsNoCase(tag.name, u"spell"))
        return kSpell;
    if (EqualsNoCase(tag.name, u"p"))
        return Markup{u"<p>", u"</p>"};
    if (EqualsNoCase(tag.name, u"s"))
        return Markup{u"<s>", u"</s>"};
    // The hints espeak-ng's English homographs can take.
    if (EqualsNoCase(tag.name, u"partofsp")) {
        const std::u16string* part = tag.Text(u"part");
        if (part && EqualsNoCase(*part, u"noun"))
            return Markup{u"<partofsp part=\"noun\">", u"</partofsp>"};
        if (part && EqualsNoCase(*part, u"verb"))
            return Markup{u"<partofsp part=\"verb\">", u"</partofsp>"};
    }
    // Of the contexts, espeak-ng reads only digits differently from the text
    // as written; dates, times, numbers, currency, addresses and telephone
    // numbers it reads well enough as they stand.
    if (EqualsNoCase(tag.name, u"context"))
        if (const std::u16string* id = tag.Text(u"id"); id && EqualsNoCase(*id, u"number_digit"))
            return kDigits;
    return std::nullopt;
}

class Reader {
public:
    explicit Reader(std::u16string_view xml) : m_s(xml) {}

    std::vector<SpeechSegment> Run() {
        while (m_pos < m_s.size()) {
            char16_t c = m_s[m_pos];
            if (c == u'<' && ReadMarkup())
                continue;
            if (c == u'&') {
                std::u16string decoded;
                const std::size_t at = m_pos;
                m_pos = DecodeXmlReference(m_s, m_pos, decoded);
                for (char16_t d : decoded)
                    AppendChar(d, at, false);
                continue;
            }
            AppendChar(c, m_pos, true);
            ++m_pos;
        }
        return Finish();
    }

    // Text copied from the XML's characters from `source` on.
    void AppendText(std::u16string_view text, std::size_t source) {
        for (char16_t c : text)
            AppendChar(c, source++, true);
    }

    std::vector<SpeechSegment> Finish() {
        FlushText();
        return std::move(m_out);
    }

private:
    struct Open {
        std::u16string name;
        SpeechProsody prosody;
        VoiceRequest voice;
        std::optional<Markup> markup;
        bool hidesContent = false; // a pron spoken as its phonemes
    };

    // Text goes to espeak-ng as SSML, with "[[" kept from opening phonemes.
    // `copied`: the character stands in the XML at `source` as it is.
    void AppendChar(char16_t c, std::size_t source, bool copied) {
        if (m_hidden > 0)
            return;
        // Also when markup comes between two '[': espeak-ng drops it first.
        if (c == u'[' && m_last == u'[')
            Write(u" ", source);
        if (c == u'<')
            Write(u"&lt;", source);
        else if (c == u'>')
            Write(u"&gt;", source);
        else if (c == u'&')
            Write(u"&amp;", source);
        else {
            if (copied)
                m_sources.Copied(m_text.size(), source);
            else
                m_sources.WrittenFor(m_text.size(), source);
            m_text += c == u'\0' ? u' ' : c;
        }
        m_speakable = m_speakable || !IsXmlSpace(c);
        m_last = c;
    }

    // Handles the markup at '<'; false when it is not markup, and '<' is text.
    bool ReadMarkup() {
        m_markupAt = m_pos;
        std::u16string_view rest = m_s.substr(m_pos);
        if (rest.starts_with(u"<!--"))
            return SkipPast(u"-->", 4);
        if (rest.starts_with(u"<?"))
            return SkipPast(u"?>", 2);
        if (rest.starts_with(u"<![CDATA[")) {
            std::size_t end = m_s.find(u"]]>", m_pos + 9);
            if (end == std::u16string_view::npos)
                return false;
            AppendText(m_s.substr(m_pos + 9, end - m_pos - 9), m_pos + 9);
            m_pos = end + 3;
            return true;
        }
        std::optional<XmlTag> tag = ParseXmlTag(m_s, m_pos);
        if (!tag)
            return false;
        m_pos = tag->end;
        if (tag->closing)
            EndElement(tag->name);
        else
            StartElement(*tag);
        return true;
    }

    bool SkipPast(std::u16string_view terminator, std::size_t from) {
        std::size_t end = m_s.find(terminator, m_pos + from);
        if (end == std::u16string_view::npos)
            return false;
        m_pos = end + terminator.size();
        return true;
    }

    void StartElement(const XmlTag& tag) {
        Open open{std::u16string(tag.name), m_prosody, m_voice, MarkupOf(tag)};
        SpeechProsody next = m_prosody;
        VoiceRequest nextVoice = m_voice;
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
                pause.prosody = m_prosody;
                pause.voice = m_voice;
                pause.silenceMs =
                    static_cast<unsigned>(std::min<long>(*ms, SapiXmlReader::kMaxSilenceMs));
                m_out.push_back(std::move(pause));
            }
        } else if (EqualsNoCase(tag.name, u"voice")) {
            // Inner elements add their conditions to those of outer ones; on
            // the same attribute the later condition wins.
            if (const std::u16string* required = tag.Text(u"required"))
                Append(nextVoice.required, *required);
            if (const std::u16string* optional = tag.Text(u"optional"))
                Append(nextVoice.optional, *optional);
        } else if (EqualsNoCase(tag.name, u"lang")) {
            if (const std::u16string* id = tag.Text(u"langid"))
                Append(nextVoice.required, u"Language=" + *id);
        } else if (EqualsNoCase(tag.name, u"pron")) {
            // An unknown phone leaves the element to be spoken as its text.
            const std::u16string* sym = tag.Text(u"sym");
            if (auto phonemes = sym ? EspeakPhonemes(*sym) : std::nullopt; phonemes && !m_hidden) {
                Write(u" [[" + *phonemes + u"]] ", m_markupAt);
                m_speakable = true;
                open.hidesContent = true;
            }
        } else if (EqualsNoCase(tag.name, u"bookmark")) {
            if (const std::u16string* mark = tag.Text(u"mark")) {
                Write(u"<mark name=\"" + Number(m_bookmarks.size()) + u"\"/>", m_markupAt);
                m_bookmarks.push_back(*mark);
            }
        }
        SetRun(next, nextVoice);
        if (tag.empty)
            return;
        if (open.markup)
            Write(open.markup->open, m_markupAt);
        m_hidden += open.hidesContent;
        m_open.push_back(std::move(open));
    }

    // An end tag without a matching start tag is ignored; one that closes
    // several elements at once closes the inner ones too.
    void EndElement(std::u16string_view name) {
        for (std::size_t i = m_open.size(); i-- > 0;) {
            if (!EqualsNoCase(m_open[i].name, name))
                continue;
            for (std::size_t j = m_open.size(); j-- > i;) {
                if (m_open[j].markup)
                    Write(m_open[j].markup->close, m_markupAt);
                m_hidden -= m_open[j].hidesContent;
            }
            Open outer = std::move(m_open[i]);
            m_open.resize(i);
            SetRun(outer.prosody, outer.voice);
            return;
        }
    }

    static std::u16string Number(std::size_t n) {
        std::u16string digits;
        do
            digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
        while (n /= 10);
        return digits;
    }

    void SetRun(const SpeechProsody& next, const VoiceRequest& voice) {
        if (next == m_prosody && voice == m_voice)
            return;
        FlushText();
        m_prosody = next;
        m_voice = voice;
    }

    // Ends the run: the elements still open are closed in it and opened
    // again in the next.
    void FlushText() {
        if (m_speakable || !m_bookmarks.empty()) {
            SpeechSegment segment{{}, {}, m_prosody, m_voice, 0, std::move(m_bookmarks)};
            if (m_speakable) {
                for (std::size_t j = m_open.size(); j-- > 0;)
                    if (m_open[j].markup)
                        Write(m_open[j].markup->close, m_markupAt);
                segment.text = std::move(m_text);
                segment.sources = std::move(m_sources);
            }
            m_out.push_back(std::move(segment));
        }
        m_text.clear();
        m_sources = {};
        m_bookmarks.clear();
        m_speakable = false;
        m_last = 0;
        for (const auto& open : m_open)
            if (open.markup)
                Write(open.markup->open, m_markupAt);
    }

    // Markup or an escape for the XML's character at `source`.
    void Write(std::u16string_view text, std::size_t source) {
        m_sources.WrittenFor(m_text.size(), source);
        m_text += text;
    }

    std::u16string_view m_s;
    std::size_t m_pos = 0;
    std::u16string m_text;
    SourceMap m_sources;
    std::size_t m_markupAt = 0; // where the markup being read starts
    bool m_speakable = false;
    char16_t m_last = 0; // the text's last character, markup aside
    std::vector<std::u16string> m_bookmarks;
    int m_hidden = 0;
    SpeechProsody m_prosody;
    VoiceRequest m_voice;
    std::vector<Open> m_open;
    std::vector<SpeechSegment> m_out;
};

} // namespace

std::vector<SpeechSegment> SapiXmlReader::Read(std::u16string_view xml) {
    return Reader(xml).Run();
}

std::vector<SpeechSegment> SapiXmlReader::ReadPlain(std::u16string_view text) {
    Reader plain({});
    plain.AppendText(text, 0);
    return plain.Finish();
}
