#pragma once
// A sentence as an engine told of it while it wrote a file: where it starts
// in the text the engine was given and how much of the file's audio came
// before it.

#include <cstddef>
#include <cstdint>
#include <vector>

struct EngineSentence {
    std::size_t position = 0;     // characters of the engine's text
    std::uint64_t audioBytes = 0; // of the file's sample data
};

// In the order they were spoken.
using EngineSentences = std::vector<EngineSentence>;
