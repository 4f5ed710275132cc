#pragma once
// Whether a run writes its book as an audiobook (in pieces, on every core,
// assembled with chapters), and what it asks of it. M4B, M4A, Opus and FLAC
// always are; an MP3 or WAV output is unless the document is plain text of
// one chapter short enough for one WAV, which is written exactly as the
// window writes it; WMA never is.

#include "src/audiobook/AudiobookFormat.h"
#include "src/cli/AudiobookRunner.h"
#include "src/documents/Book.h"

#include <optional>
#include <string>
#include <vector>

struct CliOptions;
struct DocumentSettings;
class VoiceCatalogue;

struct AudiobookChoice {
    std::optional<EncodingSettings> encoding; // none: the window's Write path
    std::string error;                        // a command-line error
};

AudiobookChoice ChooseAudiobook(const CliOptions& options, const std::string& output,
                                const Book& book, const std::vector<std::size_t>& chapters,
                                bool sapi5Voice);

// Everything the audiobook's pieces are made with; `book` must outlive it.
AudiobookRequest MakeAudiobookRequest(const CliOptions& options, const Book& book,
                                      const std::vector<std::size_t>& chapters,
                                      const DocumentSettings& settings,
                                      const VoiceCatalogue& voices, EncodingSettings encoding);
