#pragma once
// Cuts the runs of a long text into stretches of whole sentences for helpers
// to synthesise side by side, one stretch at a time as they are asked for, so
// that only the stretches in flight are held. A stretch ends where a sentence
// ends outside any element; a run with no such place is one stretch.

#include "platform/sapi5/EspeakChunk.h"
#include "platform/sapi5/SapiXmlReader.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct RunVoice {
    std::string voice; // espeak's name
    bool english = false;
};

struct PlannedChunk {
    std::size_t segment = 0;
    ChunkRequest request;
    // Where in the run's text the lead-in and the stretch start, and the
    // characters before the lead-in as espeak counts them.
    std::size_t textFrom = 0;
    std::size_t stretchFrom = 0;
    std::size_t characterOffset = 0;
};

// The places in the run's text where a sentence after the first starts.
std::vector<std::size_t> SentenceStarts(std::u16string_view text);

class ChunkPlanner {
public:
    // Plans the segments with text, at the voices given for them (one per
    // segment), in stretches of about `units` characters.
    ChunkPlanner(const std::vector<SpeechSegment>& segments, const std::vector<RunVoice>& voices,
                 std::size_t units);

    std::optional<PlannedChunk> Next();
    // Plans nothing more of the segment.
    void SkipSegment(std::size_t segment);

private:
    void Begin(std::size_t segment);

    const std::vector<SpeechSegment>& m_segments;
    const std::vector<RunVoice>& m_voices;
    const std::size_t m_units;
    std::size_t m_segment = 0;
    std::vector<std::size_t> m_starts; // the segment's sentences: 0, ..., its length
    std::size_t m_next = 0;            // the sentence the next stretch begins with
};

// The request that synthesises the segment from a place on, with the
// sentence before it as lead-in when `from` is not 0.
PlannedChunk ChunkOf(const SpeechSegment& segment, std::size_t index, const RunVoice& voice,
                     std::size_t leadFrom, std::size_t from, std::size_t to, std::size_t leadTo);
