#pragma once
// A book written as an audiobook: its chapters cut into pieces, the pieces
// not yet in the parts folder made on every core by child processes, then
// assembled into the output (or one file per chapter and a playlist), and
// the parts folder removed. An interrupted run, run again, makes only the
// pieces it had not finished.

#include "src/audiobook/BookPlan.h"
#include "src/audiobook/PieceCues.h"
#include "src/audiobook/Subtitles.h"
#include "src/documents/Book.h"

#include <optional>
#include <string>
#include <vector>

class Console;

struct AudiobookRequest {
    std::string name; // the document, in messages
    std::string stem; // its file name without extension, when the book has no title
    const Book* book = nullptr;
    std::vector<ChapterText> chapters; // the chosen ones, as the voice is to be given them
    PieceSettings settings;
    // A child's options for the voice and prosody (-v, -q, --speed, ...).
    std::vector<std::string> voiceArguments;
    std::string output; // the file; with `split`, the folder
    // Beside each audio file, its cues in this format.
    std::optional<SubtitleFormat> subtitles;
    CueMarkup cueMarkup = CueMarkup::Xml; // what the voice's text holds besides words
    bool split = false, keepParts = false, overwrite = false, verbose = false;
    int jobs = 1;
};

// 0: written; 1: failed (the reason printed; finished pieces kept);
// 128 + signal: interrupted (finished pieces kept).
int RunAudiobook(const AudiobookRequest& request, Console& console, int signalDescriptor);
