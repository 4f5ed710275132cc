#pragma once
// The kinds of audiobook file the command line writes, told by the output's
// extension, and how each is encoded.

#include <optional>
#include <string>
#include <string_view>

enum class AudiobookFormat {
    M4b,  // AAC in MP4 with chapters (".m4b", ".m4a")
    Mp3,  // through liblame_enc.so, ID3v2 tags with CHAP/CTOC chapters
    Opus, // Ogg Opus, chapters as CHAPTERnnn comments
    Flac,
    Wav, // RF64 past 4 GiB
};

struct EncodingSettings {
    AudiobookFormat format = AudiobookFormat::M4b;
    int kbps = 0; // 0: what suits speech for the format (AAC 64, Opus 32, MP3 64)
    // A piece's own: the silence its sound ends with, at least. The voices
    // stop right after a piece's last word, where the paragraph or chapter
    // that follows wants a pause.
    int pauseMs = 0;
};

// ".m4b"/".m4a", ".mp3", ".opus", ".flac", ".wav" (any case); none for others.
std::optional<AudiobookFormat> FormatForExtension(std::string_view path);
// The extension of the format's files, with its dot.
const char* ExtensionOf(AudiobookFormat format);
int DefaultKbps(AudiobookFormat format);
