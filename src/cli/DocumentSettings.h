#pragma once
// What one document is spoken or written with, resolved against the voice
// catalogue, the quality table, the encoder library and the WMA catalogue:
// the positions the window's controls would hold and the output dialog's
// result.

#include "src/jobs/JobHost.h"
#include "src/speech/AudioFormatTable.h"

#include <string>
#include <vector>

class VoiceCatalogue;
class WmaCodecCatalogue;
struct CliOptions;

struct DocumentSettings {
    int voicePosition = 0;
    int qualityPosition = AudioFormatTable::kDefaultIndex;
    int speed = 0, volume = 100, pitch = 0;
    bool speak = true;
    OutputFileChoice output; // Write jobs only
    bool overwrite = false;
};

// An index, or a name compared without regard to case: a whole name, a voice
// name without its ", SAPI4"/", SAPI5" or an unambiguous prefix. -1 and
// `error` set when nothing or more than one entry matches.
struct NameMatch {
    int index = -1;
    std::string error;
};
NameMatch MatchName(const std::vector<std::u16string>& names, const std::string& wanted,
                    const std::string& what);

struct SettingsResult {
    DocumentSettings settings;
    std::string error; // a command-line error: nothing was started
};

// `outputPath` is the file of this document (empty: speak it).
SettingsResult ResolveSettings(const CliOptions& options, const std::string& outputPath,
                               const VoiceCatalogue& voices, bool mp3Available,
                               const WmaCodecCatalogue& wma);

// The file extension of an output kind (".wav", ".mp3", ".wma"), and the kind
// the options ask for when they name none and only the extension tells.
const char* ExtensionOf(OutputKind kind);
OutputKind RequestedKind(const CliOptions& options, const std::string& outputPath);
