#pragma once
// The subtitles of one audio file of an audiobook: the cues of its pieces,
// each shifted to where its piece is heard in the file, written beside it.

#include "src/audiobook/PieceCues.h"
#include "src/audiobook/Subtitles.h"

#include <string>
#include <string_view>
#include <vector>

// `audioPath` with the subtitle format's extension in place of its own.
std::string SubtitlePath(const std::string& audioPath, SubtitleFormat format);

// Whether the piece at `piecePath` has cues a subtitle file can use: a cue
// file that reads back, with cues unless its text has nothing readable.
bool HasUsableCues(const std::string& piecePath, std::u16string_view pieceText, CueMarkup markup);

struct SubtitleSource {
    std::vector<std::string> piecePaths; // in the file's order
    std::vector<double> pieceStarts;     // seconds into the file, one per piece
    double seconds = 0;                  // the file's duration
};

// Written whole at `path` or not at all; empty, or why not.
std::string WriteSubtitleFile(const std::string& path, SubtitleFormat format,
                              const SubtitleSource& source, const SubtitleTags& tags);
