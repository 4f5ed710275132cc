#pragma once
// From the sentences an engine told of while it wrote a job's file to the
// job's spoken sentences: where each starts in the text the job was given
// and in seconds of the file.

#include "src/jobs/SpokenSentences.h"
#include "src/speech/EngineSentence.h"

#include <cstddef>
#include <string>
#include <string_view>

// Where the sentence the engine placed at `position` of its text starts:
// past the spaces before it and back over the quotes and brackets that open
// it, never before `floor` (the end of the markup in front of the text).
std::size_t SentenceStartAt(std::u16string_view text, std::size_t position, std::size_t floor);

// Whether a sentence starts at `position` of the text: the first after
// `floor`, or after a stop (. ! ? and what closes it) and not at a small
// letter ("e.g. this"), or after a blank line. It keeps, of the places an
// engine told, those that start sentences: a SAPI 4 engine may tell every
// word, flite tells where it cut a line or an over-long stretch, and espeak
// starts one after a quotation's stop that its sentence reads on from
// ("Stop!" he said).
bool StartsSentence(std::u16string_view text, std::size_t position, std::size_t floor);

// The sentences, positions already in the job's text, timed by the format of
// the WAV file they were written to; none when its header cannot be read.
SpokenSentences TimeSentences(const EngineSentences& sentences, const std::u16string& wavPath);
