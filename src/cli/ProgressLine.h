#pragma once
// One line of progress for a running document, and the record in which a
// batch's child process hands its progress to the parent.

#include "src/cli/DocumentRunner.h"

#include <optional>
#include <string>

// "ch1.txt  42%  0:12 elapsed  0:16 left  1.3 MB"
std::string ProgressLine(const std::string& name, const DocumentProgress& progress);

// "0:42", "1:02:03"; "3.2 MB", "512 kB".
std::string FormatDuration(double seconds);
std::string FormatSize(std::uint64_t bytes);

// A record starts with this byte, so that it cannot be taken for a message.
inline constexpr char kProgressRecordMark = '\x1e';
std::string ProgressRecord(const DocumentProgress& progress);
std::optional<DocumentProgress> ParseProgressRecord(const std::string& line);
