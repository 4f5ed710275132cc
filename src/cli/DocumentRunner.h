#pragma once
// Speaks or writes one document through the window's job control, in this
// process: the same job record, markup, workers and file rules as a Speak or
// Write command. Messages go to the console, prefixed by the document's name.

#include "src/cli/DocumentSettings.h"
#include "src/jobs/SpokenSentences.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class Console;
class Sapi4Engine;
class Sapi5Engine;

struct DocumentProgress {
    double elapsedSeconds = 0;
    std::uint64_t outputBytes = 0; // the file being written so far
    std::optional<double> spokenFraction;
};
using ProgressReport = std::function<void(const DocumentProgress&)>;

// How long an interrupted job may take to stop before its files are removed
// from under it and the process leaves without it.
inline constexpr int kStopGraceMs = 600;

// 0: done; 1: failed (the reason printed); 128 + signal: interrupted, with no
// partial output left behind. A written document's sentences, with where
// each begins in the file, go to `sentences` when it is given.
int RunDocument(const std::string& name, const std::u16string& text,
                const DocumentSettings& settings, std::unique_ptr<Sapi4Engine> sapi4,
                std::unique_ptr<Sapi5Engine> sapi5, Console& console, int signalDescriptor,
                const ProgressReport& report, SpokenSentences* sentences = nullptr);
