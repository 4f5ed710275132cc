#pragma once
// The final audiobook from encoded pieces, in book order: packets copied
// (MP3 frames, AAC and Opus packets; FLAC and WAV re-encoded losslessly),
// chapter marks at each chapter's first audio, the book's tags and cover.

#include "src/audiobook/AudiobookFormat.h"

#include <optional>
#include <string>
#include <vector>

struct AudiobookChapter {
    std::string title;
    std::vector<std::string> piecePaths; // encoded by EncodePiece, in order
};

struct AudiobookTags {
    std::string title, language;
    // One file per chapter: its chapter's title, the file's title (the book's
    // is then its album); empty for a whole book, titled as the book.
    std::string trackTitle;
    std::vector<std::string> authors;
    std::string coverBytes, coverMediaType; // empty: no cover
    // One file per chapter: its number and the number of files; 0 otherwise.
    int track = 0, trackCount = 0;
};

struct AssemblyResult {
    std::string error;                 // empty on success
    std::vector<std::string> warnings; // one line each ("more than 255 chapters: ...")
    double seconds = 0;                // the file's duration
    std::vector<double> chapterStarts; // seconds, one per chapter
    // Seconds, one per piece in book order: where the piece's own audio (its
    // WAV's first sample) is heard in the file, its subtitles shifted by it;
    // below 0 when the first piece's leading silence was cut.
    std::vector<double> pieceStarts;
};

// Writes `path` whole (the caller writes to a temporary name and renames).
AssemblyResult AssembleAudiobook(const std::vector<AudiobookChapter>& chapters,
                                 const AudiobookTags& tags, const EncodingSettings& settings,
                                 const std::string& path);

// Why a finished piece that can be opened does not read to its end as one of
// `format`'s (cut short, overwritten by something else); empty when it does,
// or when it cannot be opened at all, which is no damage of its content.
std::string DamageOfPiece(const std::string& path, AudiobookFormat format);
