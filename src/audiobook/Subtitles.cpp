#include "src/audiobook/Subtitles.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

// Characters, not bytes: a UTF-8 continuation byte adds none.
std::size_t CharacterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::int64_t Units(double seconds, int perSecond) {
    return std::max<std::int64_t>(0, std::llround(seconds * perSecond));
}

// "01:02:03,456"; hours take as many digits as they need.
std::string ClockTime(double seconds, char separator) {
    const std::int64_t ms = Units(seconds, 1000);
    char text[48];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld%c%03lld",
                  static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                  static_cast<long long>(ms / 1000 % 60), separator,
                  static_cast<long long>(ms % 1000));
    return text;
}

// "[mm:ss.xx]"; minutes past 99 take more digits.
std::string LrcTime(double seconds) {
    const std::int64_t cs = Units(seconds, 100);
    char text[40];
    std::snprintf(text, sizeof text, "[%02lld:%02lld.%02lld]", static_cast<long long>(cs / 6000),
                  static_cast<long long>(cs / 100 % 60), static_cast<long long>(cs % 100));
    return text;
}

std::string Replaced(std::string_view text, std::string_view from, std::string_view to) {
    std::string out;
    for (std::size_t at = 0;;) {
        const std::size_t found = text.find(from, at);
        out.append(text.substr(at, found - at));
        if (found == std::string_view::npos)
            return out;
        out.append(to);
        at = found + from.size();
    }
}

// WebVTT cue text is markup: its own characters as entities, which also
// keeps "-->" from reading as a timing line.
std::string VttText(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
    return out;
}

// A header value on one line whose closing bracket cannot end it early.
std::string LrcTag(std::string_view name, std::string_view value) {
    std::string clean(value);
    std::ranges::replace(clean, ']', ')');
    std::ranges::replace(clean, '\n', ' ');
    return "[" + std::string(name) + ":" + clean + "]\n";
}

} // namespace

std::optional<SubtitleFormat> SubtitleFormatNamed(std::string_view name) {
    if (name == "srt")
        return SubtitleFormat::Srt;
    if (name == "vtt")
        return SubtitleFormat::Vtt;
    if (name == "lrc")
        return SubtitleFormat::Lrc;
    return std::nullopt;
}

const char* SubtitleExtension(SubtitleFormat format) {
    switch (format) {
    case SubtitleFormat::Srt:
        return ".srt";
    case SubtitleFormat::Vtt:
        return ".vtt";
    case SubtitleFormat::Lrc:
        return ".lrc";
    }
    return "";
}

std::string WrapCueText(std::string_view text, std::size_t width) {
    std::string out;
    std::size_t lineCharacters = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t space = std::min(text.find(' ', at), text.size());
        const std::string_view word = text.substr(at, space - at);
        at = space + 1;
        if (word.empty())
            continue;
        const std::size_t characters = CharacterCount(word);
        if (lineCharacters > 0 && lineCharacters + 1 + characters > width) {
            out += '\n';
            lineCharacters = 0;
        } else if (lineCharacters > 0) {
            out += ' ';
            ++lineCharacters;
        }
        out.append(word);
        lineCharacters += characters;
    }
    return out;
}

std::string FormatSubtitles(SubtitleFormat format, const std::vector<TimedCue>& cues,
                            double endSeconds, const SubtitleTags& tags) {
    std::string out;
    if (format == SubtitleFormat::Vtt)
        out += "WEBVTT\n\n";
    if (format == SubtitleFormat::Lrc) {
        if (!tags.title.empty())
            out += LrcTag("ti", tags.title);
        if (!tags.artist.empty())
            out += LrcTag("ar", tags.artist);
        if (!tags.album.empty())
            out += LrcTag("al", tags.album);
    }
    for (std::size_t i = 0; i < cues.size(); ++i) {
        const double start = cues[i].seconds;
        const double end = std::max(start, i + 1 < cues.size() ? cues[i + 1].seconds : endSeconds);
        switch (format) {
        case SubtitleFormat::Srt:
            // A line of "-->" could be taken for a timing line.
            out += std::to_string(i + 1) + "\n" + ClockTime(start, ',') + " --> " +
                   ClockTime(end, ',') + "\n" + WrapCueText(Replaced(cues[i].text, "-->", "->")) +
                   "\n\n";
            break;
        case SubtitleFormat::Vtt:
            out += ClockTime(start, '.') + " --> " + ClockTime(end, '.') + "\n" +
                   VttText(WrapCueText(cues[i].text)) + "\n\n";
            break;
        case SubtitleFormat::Lrc:
            out += LrcTime(start) + cues[i].text + "\n";
            break;
        }
    }
    // LRC has no end times: an empty line clears the last one at the file's end.
    if (format == SubtitleFormat::Lrc && !cues.empty())
        out += LrcTime(std::max(endSeconds, cues.back().seconds)) + "\n";
    return out;
}
