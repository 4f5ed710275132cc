#include "platform/sapi5/ChunkPlanner.h"

#include "platform/com/strings.h"

namespace {

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0xA0;
}

bool EndsSentence(char16_t c) {
    return c == u'.' || c == u'!' || c == u'?';
}

bool ClosesSentence(char16_t c) {
    return c == u'"' || c == u'\'' || c == u')' || c == u']' || c == 0x2019 || c == 0x201D;
}

// espeak counts a surrogate pair as one character.
std::size_t CharactersIn(std::u16string_view text) {
    std::size_t count = 0;
    for (char16_t c : text)
        count += !(c >= 0xDC00 && c < 0xE000);
    return count;
}

} // namespace

std::vector<std::size_t> SentenceStarts(std::u16string_view text) {
    std::vector<std::size_t> starts;
    int depth = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == u'<') {
            const std::size_t close = text.find(u'>', i);
            if (close == std::u16string_view::npos)
                break;
            if (text[i + 1] == u'/')
                --depth;
            else if (text[close - 1] != u'/')
                ++depth;
            i = close + 1;
            continue;
        }
        const bool paragraph = text[i] == u'\n' && i + 1 < text.size() && text[i + 1] == u'\n';
        if (!EndsSentence(text[i]) && !paragraph) {
            ++i;
            continue;
        }
        std::size_t end = i + 1;
        while (end < text.size() && (EndsSentence(text[end]) || ClosesSentence(text[end])))
            ++end;
        std::size_t next = end;
        while (next < text.size() && IsSpace(text[next]))
            ++next;
        // "e.g. this" goes on; so does text straight after the stop ("3.5").
        if (depth == 0 && next > end && next < text.size() &&
            (paragraph || !(text[next] >= u'a' && text[next] <= u'z')))
            starts.push_back(next);
        i = next;
    }
    return starts;
}

PlannedChunk ChunkOf(const SpeechSegment& segment, std::size_t index, const RunVoice& voice,
                     std::size_t leadFrom, std::size_t from, std::size_t to, std::size_t leadTo) {
    const std::u16string_view text = segment.text;
    PlannedChunk chunk;
    chunk.segment = index;
    chunk.textFrom = leadFrom;
    chunk.stretchFrom = from;
    chunk.characterOffset = CharactersIn(text.substr(0, leadFrom));
    chunk.request.voice = voice.voice;
    chunk.request.english = voice.english;
    chunk.request.prosody = segment.prosody;
    chunk.request.text = ToUtf8(text.substr(leadFrom, leadTo - leadFrom));
    chunk.request.from =
        static_cast<std::uint32_t>(CharactersIn(text.substr(leadFrom, from - leadFrom)));
    chunk.request.to =
        static_cast<std::uint32_t>(CharactersIn(text.substr(leadFrom, to - leadFrom)));
    return chunk;
}

ChunkPlanner::ChunkPlanner(const std::vector<SpeechSegment>& segments,
                           const std::vector<RunVoice>& voices, std::size_t units)
    : m_segments(segments), m_voices(voices), m_units(units) {
    Begin(0);
}

void ChunkPlanner::Begin(std::size_t segment) {
    for (m_segment = segment; m_segment < m_segments.size(); ++m_segment) {
        const SpeechSegment& s = m_segments[m_segment];
        if (s.silenceMs == 0 && !s.text.empty())
            break;
    }
    m_starts.clear();
    m_next = 0;
    if (m_segment == m_segments.size())
        return;
    const std::u16string& text = m_segments[m_segment].text;
    m_starts.push_back(0);
    for (std::size_t start : SentenceStarts(text))
        m_starts.push_back(start);
    m_starts.push_back(text.size());
}

std::optional<PlannedChunk> ChunkPlanner::Next() {
    if (m_segment == m_segments.size())
        return std::nullopt;
    const std::size_t last = m_starts.size() - 1;
    std::size_t end = m_next + 1;
    while (end < last && m_starts[end] - m_starts[m_next] < m_units)
        ++end;
    // The sentence before as lead-in; two after as lead-out: with one, the
    // stretch's end drifts from the whole text's by more than espeak's own
    // spread, and espeak may read on through the first place that looks like
    // a sentence's end.
    const std::size_t leadIn = m_next > 0 ? m_next - 1 : 0;
    const std::size_t leadOut = std::min(end + 2, last);
    PlannedChunk chunk =
        ChunkOf(m_segments[m_segment], m_segment, m_voices[m_segment], m_starts[leadIn],
                m_starts[m_next], m_starts[end], m_starts[leadOut]);
    m_next = end;
    if (m_next == last)
        Begin(m_segment + 1);
    return chunk;
}

void ChunkPlanner::SkipSegment(std::size_t segment) {
    if (m_segment == segment)
        Begin(segment + 1);
}
