#include "src/audiobook/SplitNames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string_view>

namespace {

bool IsReservedOnWindows(std::string name) {
    name = name.substr(0, name.find('.'));
    std::ranges::transform(name, name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
    if (std::ranges::find(kDevices, name) != kDevices.end())
        return true;
    return name.size() == 4 && (name.starts_with("COM") || name.starts_with("LPT")) &&
           name[3] >= '0' && name[3] <= '9';
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(". ");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(". ") - first + 1);
}

// On one line: a playlist's line break would end its entry.
std::string OneLine(const std::string& text) {
    std::string line;
    for (char c : text)
        line += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    return line;
}

} // namespace

std::string SafeFileTitle(const std::string& title, std::size_t limit) {
    std::string safe;
    for (char c : title) {
        const unsigned char u = static_cast<unsigned char>(c);
        const bool forbidden = u < 0x20 || u == 0x7F ||
                               std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos;
        const char put = forbidden ? ' ' : c;
        if (put == ' ' && (safe.empty() || safe.back() == ' '))
            continue; // runs of blanks and removed characters become one space
        safe += put;
    }
    safe = Trimmed(safe);
    if (safe.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(safe[cut]) & 0xC0) == 0x80)
            --cut;
        safe = Trimmed(safe.substr(0, cut));
    }
    if (!safe.empty() && IsReservedOnWindows(safe))
        safe.insert(safe.begin(), '_');
    return safe;
}

std::string SplitFileName(std::size_t number, std::size_t count, const std::string& title,
                          const std::string& extension) {
    const std::size_t digits = std::max<std::size_t>(2, std::to_string(count).size());
    std::string name = std::to_string(number);
    name.insert(0, digits - std::min(digits, name.size()), '0');
    const std::string safe = SafeFileTitle(title);
    return name + (safe.empty() ? "" : " - " + safe) + extension;
}

std::string Playlist(const std::vector<PlaylistEntry>& entries) {
    std::string text = "#EXTM3U\n";
    for (const PlaylistEntry& entry : entries)
        text += "#EXTINF:" + std::to_string(std::lround(entry.seconds)) + "," +
                OneLine(entry.title) + "\n" + OneLine(entry.fileName) + "\n";
    return text;
}
