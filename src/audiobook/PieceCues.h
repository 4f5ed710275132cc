#pragma once
// The cues of one piece of a book: where each of its sentences starts in the
// piece's own speech, as the engine reported it, with the sentence's text as
// a reader should see it. They are kept in a small file beside the piece in
// the parts folder ("<key>.cues"), written before the piece itself, so that
// a finished piece always has its cues.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct SentenceMark {
    std::size_t position = 0; // UTF-16 units into the text the voice was given
    double seconds = 0;       // from the first sample of the piece's speech
};

struct PieceCue {
    double seconds = 0;
    std::string text; // UTF-8, one line
};

// What the voice's text may hold besides words: SAPI 5 voices take XML (a
// document's own characters escaped as entities); SAPI 4 voices take their
// text as it is, each backslash doubled by the job so that none starts a tag.
enum class CueMarkup { Xml, None };

// `text` as a reader sees it: markup dropped, entities decoded, white space
// collapsed to single spaces and trimmed.
std::string ReadableText(std::u16string_view text, CueMarkup markup);

// One cue per sentence, its text running to the next sentence's start (the
// first from the text's start); sentences with nothing readable are left out.
std::vector<PieceCue> MakePieceCues(std::u16string_view text,
                                    const std::vector<SentenceMark>& sentences, CueMarkup markup);

// The cue file of the piece at `piecePath`.
std::string CuesPath(const std::string& piecePath);
std::string FormatPieceCues(const std::vector<PieceCue>& cues);
// None when `bytes` is not a cue file as FormatPieceCues writes one.
std::optional<std::vector<PieceCue>> ParsePieceCues(std::string_view bytes);
// Written whole or not at all; empty, or why not.
std::string WritePieceCues(const std::string& path, const std::vector<PieceCue>& cues);
// None when the file is missing or damaged.
std::optional<std::vector<PieceCue>> ReadPieceCues(const std::string& path);
