#include "platform/sapi5/RequestSpeech.h"

#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/sapi5/SpObjectToken.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

SPEVENT EventAt(const SpeechRequest& request, SPEVENTENUM id, std::uint64_t sample) {
    const WAVEFORMATEX& output = request.output;
    SPEVENT event{};
    event.eEventId = id;
    event.ulStreamNum = request.streamNumber;
    event.ullAudioStreamOffset = sample * output.nSamplesPerSec /
                                 EspeakRuntime::Instance().Format().nSamplesPerSec *
                                 output.nBlockAlign;
    return event;
}

} // namespace

void RaiseBoundary(SpeechRequest& request, SPEVENTENUM id, std::uint64_t sample,
                   std::size_t position, std::size_t length) {
    if (!request.channel->Wants(id))
        return;
    SPEVENT event = EventAt(request, id, sample);
    event.lParam = static_cast<LPARAM>(position);
    event.wParam = static_cast<WPARAM>(length);
    request.channel->Raise(event);
}

void RaiseEvent(SpeechRequest& request, SPEVENTENUM id, std::uint64_t sample,
                std::u16string_view text) {
    if (!request.channel->Wants(id))
        return;
    SPEVENT event = EventAt(request, id, sample);
    if (id == SPEI_TTS_BOOKMARK) {
        LPWSTR copy = nullptr;
        if (FAILED(CoTaskMemString(text, &copy)))
            return;
        event.elParamType = SPET_LPARAM_IS_STRING;
        event.lParam = reinterpret_cast<LPARAM>(copy);
        // The mark's leading number, as SAPI gives it.
        std::string digits = ToUtf8(text);
        event.wParam = static_cast<WPARAM>(std::strtol(digits.c_str(), nullptr, 10));
    }
    request.channel->Raise(event);
}

namespace {

// Raises the segment's bookmarks up to `end` (exclusive) at the sample.
void RaiseBookmarks(SpeechRequest& request, std::size_t end, std::uint64_t sample) {
    const auto& marks = request.segment->bookmarks;
    for (; request.nextMark < std::min(end, marks.size()); ++request.nextMark)
        RaiseEvent(request, SPEI_TTS_BOOKMARK, sample, marks[request.nextMark]);
}

// espeak counts a surrogate pair as one character.
std::size_t UnitsOfCharacterAt(std::u16string_view text, std::size_t unit) {
    const bool pair = text[unit] >= 0xD800 && text[unit] < 0xDC00 && unit + 1 < text.size() &&
                      text[unit + 1] >= 0xDC00 && text[unit + 1] < 0xE000;
    return pair ? 2 : 1;
}

// The place in the segment's text of the character espeak counts as
// `character`, walking on from the last word's: words come in text order.
std::size_t UnitOf(SpeechRequest& request, std::size_t character) {
    const std::u16string& text = request.segment->text;
    if (character < request.wordCharacter)
        request.wordCharacter = request.wordUnit = 0;
    std::size_t unit = request.wordUnit;
    for (std::size_t c = request.wordCharacter; c < character && unit < text.size(); ++c)
        unit += UnitsOfCharacterAt(text, unit);
    request.wordCharacter = character;
    request.wordUnit = unit;
    return unit;
}

struct SpokenWord {
    ULONG position; // in the caller's text
    ULONG length;
};

// A word event in the caller's terms.
SpokenWord WordOf(SpeechRequest& request, const SynthEvent& event) {
    const SpeechSegment& segment = *request.segment;
    const std::size_t start = UnitOf(request, request.characterOffset + event.character);
    std::size_t end = start;
    for (std::uint32_t c = 0; c < event.length && end < segment.text.size(); ++c)
        end += UnitsOfCharacterAt(segment.text, end);
    end = std::min(end, segment.text.size());
    const std::size_t from = segment.sources.SourceOf(start);
    const std::size_t to = end > start ? segment.sources.SourceOf(end - 1) + 1 : from;
    return {static_cast<ULONG>(from), static_cast<ULONG>(std::max(to, from) - from)};
}

bool EndsSentence(char16_t c) {
    return c == u'.' || c == u'!' || c == u'?';
}

bool ClosesSentence(char16_t c) {
    return c == u'"' || c == u'\'' || c == u')' || c == u']' || c == 0x2019 || c == 0x201D;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == 0xA0;
}

// Where the sentence starting at `start` of the segment's text ends: after
// its first stop and what closes it, followed by a space or the end.
std::size_t SentenceEnd(std::u16string_view text, std::size_t start) {
    for (std::size_t i = start; i < text.size(); ++i) {
        if (!EndsSentence(text[i]))
            continue;
        std::size_t end = i + 1;
        while (end < text.size() && (EndsSentence(text[end]) || ClosesSentence(text[end])))
            ++end;
        if (end == text.size() || IsSpace(text[end]))
            return end;
        i = end - 1;
    }
    return text.size();
}

// A sentence event in the caller's terms.
SpokenWord SentenceOf(SpeechRequest& request, const SynthEvent& event) {
    const SpeechSegment& segment = *request.segment;
    const std::size_t start = UnitOf(request, request.characterOffset + event.character);
    const std::size_t end = SentenceEnd(segment.text, start);
    const std::size_t from = segment.sources.SourceOf(start);
    const std::size_t to = end > start ? segment.sources.SourceOf(end - 1) + 1 : from;
    return {static_cast<ULONG>(from), static_cast<ULONG>(std::max(to, from) - from)};
}

// Raises the sentence boundaries the output's samples have reached.
SentenceBoundaries::Raise SentenceRaiser(SpeechRequest& request) {
    return [&request](std::size_t position, std::size_t length, std::uint64_t sample) {
        RaiseBoundary(request, SPEI_SENTENCE_BOUNDARY, sample, position, length);
    };
}

} // namespace

int RequestSpeech::Heard(const short* samples, std::size_t count,
                         const std::vector<SynthEvent>& events) {
    SpeechRequest& request = m_request;
    if (request.abort)
        return 1;
    std::optional<SpokenWord> word;
    for (const auto& e : events) {
        const std::uint64_t sample = request.segmentStart + e.sample;
        if (e.kind == SynthEvent::kWord) {
            word = WordOf(request, e);
            RaiseBoundary(request, SPEI_WORD_BOUNDARY, sample, word->position, word->length);
        } else if (e.kind == SynthEvent::kMark) {
            RaiseBookmarks(request, e.mark + 1, sample);
        } else if (e.kind == SynthEvent::kSentence &&
                   request.channel->Wants(SPEI_SENTENCE_BOUNDARY)) {
            const SpokenWord sentence = SentenceOf(request, e);
            request.sentences.Started(sentence.position, sentence.length, sample);
        }
    }
    request.sentences.Heard(samples, count, SentenceRaiser(request));
    if (count > 0) {
        HRESULT hr = request.sink->Write(samples, count * sizeof *samples);
        if (FAILED(hr)) {
            if (!request.abort)
                request.result = hr;
            return 1;
        }
        request.samples += count;
    }
    if (word)
        request.channel->Spoken(word->position, word->length);
    return 0;
}

void RequestSpeech::Replay(const ChunkAudio& audio, std::size_t characterOffset,
                           std::size_t block) {
    m_request.segmentStart = m_request.samples;
    m_request.characterOffset = characterOffset;
    std::vector<SynthEvent> events;
    std::size_t e = 0;
    for (std::size_t at = 0; at < audio.samples.size() || e < audio.events.size(); at += block) {
        events.clear();
        for (; e < audio.events.size() && audio.events[e].sample < at + block; ++e)
            events.push_back(audio.events[e]);
        const std::size_t count =
            at < audio.samples.size() ? std::min(block, audio.samples.size() - at) : 0;
        if (Heard(audio.samples.data() + std::min(at, audio.samples.size()), count, events))
            return;
    }
}

void BeginSegment(SpeechRequest& request, const SpeechSegment& segment) {
    request.segment = &segment;
    request.segmentStart = request.samples;
    request.characterOffset = 0;
    request.nextMark = 0;
    request.wordCharacter = request.wordUnit = 0;
    request.sentences.SetWordsPerMinute(EspeakWordsPerMinute(segment.prosody.rate));
}

void EndSegment(SpeechRequest& request) {
    if (request.abort)
        return;
    RaiseBookmarks(request, request.segment->bookmarks.size(), request.samples);
    request.sentences.Flush(SentenceRaiser(request));
}

void FinishRequest(SpeechRequest& request) {
    if (!request.abort && SUCCEEDED(request.result)) {
        HRESULT hr = request.sink->Finish();
        if (!request.abort)
            request.result = hr;
    }
}
