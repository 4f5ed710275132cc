#include "src/cli/ProgressLine.h"

#include <cmath>
#include <cstdio>
#include <sstream>

std::string FormatDuration(double seconds) {
    const long total = std::lround(seconds);
    char text[32];
    if (total >= 3600)
        std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", total / 3600, total / 60 % 60,
                      total % 60);
    else
        std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

std::string FormatSize(std::uint64_t bytes) {
    char text[32];
    if (bytes >= 1024 * 1024)
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    else
        std::snprintf(text, sizeof text, "%.0f kB", static_cast<double>(bytes) / 1024.0);
    return text;
}

std::string ProgressLine(const std::string& name, const DocumentProgress& progress) {
    std::string line = name;
    if (progress.spokenFraction) {
        const double fraction = *progress.spokenFraction;
        line += "  " + std::to_string(std::lround(fraction * 100)) + "%";
        line += "  " + FormatDuration(progress.elapsedSeconds) + " elapsed";
        // Once all is spoken, what remains (an MP3 or WMA conversion) has
        // no estimate: the growing size shows it.
        if (fraction > 0.01 && fraction < 1)
            line += "  " + FormatDuration(progress.elapsedSeconds * (1 - fraction) / fraction) +
                    " left";
    } else {
        line += "  " + FormatDuration(progress.elapsedSeconds) + " elapsed";
    }
    if (progress.outputBytes > 0)
        line += "  " + FormatSize(progress.outputBytes);
    return line;
}

std::string ProgressRecord(const DocumentProgress& progress) {
    std::ostringstream record;
    record << kProgressRecordMark << progress.elapsedSeconds << ' ' << progress.outputBytes << ' '
           << progress.spokenFraction.value_or(-1) << '\n';
    return record.str();
}

std::optional<DocumentProgress> ParseProgressRecord(const std::string& line) {
    if (line.empty() || line.front() != kProgressRecordMark)
        return std::nullopt;
    std::istringstream fields(line.substr(1));
    DocumentProgress progress;
    double fraction = -1;
    if (!(fields >> progress.elapsedSeconds >> progress.outputBytes >> fraction))
        return std::nullopt;
    if (fraction >= 0)
        progress.spokenFraction = fraction;
    return progress;
}
