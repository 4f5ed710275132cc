#pragma once
// The command line of vocalith-cli, parsed into what it asks for. Parsing
// knows no voices or codecs: names are resolved against the catalogues later.

#include "src/audiobook/Subtitles.h"

#include <optional>
#include <string>
#include <vector>

enum class CliAction { Help, Version, List, ListChapters, Run };

struct CliOptions {
    CliAction action = CliAction::Run;
    bool listVoices = false, listQualities = false, listWma = false, json = false;
    bool listChapters = false;

    // Which chapters of a book: "1,3-5" as --list-chapters numbers them; empty
    // for all but the front and back matter, or all with allChapters.
    std::string chapters;
    bool allChapters = false;
    int chapterLevel = 2; // headings down to this level start chapters

    // As typed: an index, a name or a prefix of one; empty for the window's default.
    std::string voice, quality;
    // The control bar's sliders and their defaults.
    int speed = 0, volume = 100, pitch = 0;

    // The output dialog's choices; unset keeps what -o's extension calls for.
    std::optional<int> mp3Kbps;
    bool mp3Vbr = false;
    std::optional<int> mp3Quality;
    std::optional<std::string> wma; // "CODEC" or "CODEC/FORMAT"
    bool wav = false;

    // A book as one file per chapter, with a playlist, into the folder -o
    // names: in splitFormat ("mp3", "m4b", "opus", "flac", "wav"; empty: MP3,
    // or WAV with --wav).
    bool split = false;
    std::string splitFormat;
    bool keepParts = false;     // the finished pieces stay after the audiobook is written
    std::optional<int> bitrate; // of an audiobook's AAC, Opus or MP3
    // An audiobook's cues, one per sentence, beside each of its audio files.
    std::optional<SubtitleFormat> subtitles;
    // Not in the usage text: this process makes pieces of a book for its
    // parent ("m4b:64"), one after the other, each given by four inputs: its
    // pause in ms, its file, its text file and how messages name it.
    std::optional<std::string> makePiece;

    // Trimmed as the output dialog trims it; unset: speak on the default output.
    std::optional<std::string> output;
    bool overwrite = false;
    std::vector<std::string> inputs;
    int jobs = 0; // 0: one per core
    bool quiet = false, verbose = false;
};

struct ParseResult {
    CliOptions options;
    std::string error; // empty when the command line is well formed
};

ParseResult ParseArguments(const std::vector<std::string>& arguments);
