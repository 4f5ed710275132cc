#include "src/audiobook/AudiobookFormat.h"

#include <algorithm>
#include <cctype>

std::optional<AudiobookFormat> FormatForExtension(std::string_view path) {
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos)
        return std::nullopt;
    std::string extension(path.substr(dot + 1));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (extension == "m4b" || extension == "m4a")
        return AudiobookFormat::M4b;
    if (extension == "mp3")
        return AudiobookFormat::Mp3;
    if (extension == "opus")
        return AudiobookFormat::Opus;
    if (extension == "flac")
        return AudiobookFormat::Flac;
    if (extension == "wav")
        return AudiobookFormat::Wav;
    return std::nullopt;
}

const char* ExtensionOf(AudiobookFormat format) {
    switch (format) {
    case AudiobookFormat::M4b:
        return ".m4b";
    case AudiobookFormat::Mp3:
        return ".mp3";
    case AudiobookFormat::Opus:
        return ".opus";
    case AudiobookFormat::Flac:
        return ".flac";
    case AudiobookFormat::Wav:
        return ".wav";
    }
    return "";
}

int DefaultKbps(AudiobookFormat format) {
    switch (format) {
    case AudiobookFormat::M4b:
        return 64;
    case AudiobookFormat::Mp3:
        return 64;
    case AudiobookFormat::Opus:
        return 32;
    case AudiobookFormat::Flac:
    case AudiobookFormat::Wav:
        return 0; // lossless: no bit rate to choose
    }
    return 0;
}
