#pragma once
// An audiobook's subtitles: one cue per sentence, timed against the audio
// file it lies beside, as SubRip (.srt), WebVTT (.vtt) or LRC (.lrc) text.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class SubtitleFormat { Srt, Vtt, Lrc };

// "srt", "vtt" or "lrc".
std::optional<SubtitleFormat> SubtitleFormatNamed(std::string_view name);
// With its dot: ".srt".
const char* SubtitleExtension(SubtitleFormat format);

struct TimedCue {
    double seconds = 0; // where its sentence starts in the file
    std::string text;   // UTF-8 on one line, white space already collapsed
};

// What an LRC file names in its header; the other formats carry no tags.
struct SubtitleTags {
    std::string title, artist, album;
};

// Each cue lasts until the next one starts, the last until `endSeconds`;
// cues are expected in order of their start.
std::string FormatSubtitles(SubtitleFormat format, const std::vector<TimedCue>& cues,
                            double endSeconds, const SubtitleTags& tags);

// `text` broken at spaces into lines of at most `width` characters where the
// words allow it: a word longer than that stands on a line of its own.
std::string WrapCueText(std::string_view text, std::size_t width = 42);
