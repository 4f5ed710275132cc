#pragma once
// A book's chosen chapters cut into pieces of a few minutes of speech, each
// named by a key: a hash of its text and of every setting that changes its
// audio. A piece whose key is unchanged need not be synthesised again.

#include "src/audiobook/AudiobookFormat.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// What a piece's audio depends on besides its text.
struct PieceSettings {
    std::string voice;   // the voice's name as the catalogue shows it
    std::string quality; // the output quality's name
    int speed = 0, volume = 100, pitch = 0;
    EncodingSettings encoding;
    std::string version; // the program's: a new one may speak differently
};

struct PlannedPiece {
    std::string text; // UTF-8, as the voice is to be given it
    std::string key;  // 64 hexadecimal digits
    int pauseMs = 0;  // the silence it ends with, at least: a paragraph's or a chapter's
};

// The pauses after a piece: within a chapter, as a voice pauses between
// paragraphs; at a chapter's end, longer, as a reader turns the page.
inline constexpr int kParagraphPauseMs = 600;
inline constexpr int kChapterPauseMs = 1500;

struct PlannedChapter {
    std::size_t index = 0; // into the book's chapters
    std::string title;
    std::vector<PlannedPiece> pieces; // none when the chapter has nothing to speak
};

struct ChapterText {
    std::size_t index = 0;
    std::string title;
    std::string text; // paragraphs separated by '\n'
};

inline constexpr std::size_t kPieceCharacters = 4000;

std::vector<PlannedChapter> PlanBook(const std::vector<ChapterText>& chapters,
                                     const PieceSettings& settings,
                                     std::size_t limit = kPieceCharacters);

// Whole paragraphs up to `limit` bytes a piece; a longer paragraph is cut at
// sentence ends, a longer sentence at a space, never inside a character.
std::vector<std::string> CutIntoPieces(std::string_view text, std::size_t limit);

std::string PieceKey(std::string_view text, const PieceSettings& settings, int pauseMs = 0);
