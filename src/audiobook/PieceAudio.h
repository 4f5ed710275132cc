#pragma once
// A synthesised piece's WAV read as interleaved 16-bit samples (whatever PCM
// format the voice wrote), and where its sound ends: a piece ends at a
// paragraph end, so what follows is silence the encoder may cut.

#include "src/audio/WavFileReader.h"

#include <cstdint>
#include <string>
#include <vector>

class PieceAudio {
public:
    // "the piece's WAV is damaged: ..." and the like.
    std::string Open(const std::string& path);
    int Rate() const { return static_cast<int>(m_reader.format.nSamplesPerSec); }
    int Channels() const { return m_reader.format.nChannels; }
    // Reads the whole piece once: its length and the end of its sound, in
    // sample frames.
    std::string Scan(std::int64_t& frames, std::int64_t& soundEnd);
    // The next samples (up to `maxFrames` frames); `samples` left empty at the end.
    std::string Read(std::vector<std::int16_t>& samples, int maxFrames);
    std::string Rewind();

private:
    std::string Failed(const UserMessage& message) const;

    WavFileReader m_reader;
    std::string m_path;
    std::vector<std::uint8_t> m_bytes;
};

// The samples a piece is encoded from, at the codec's rate: the codec adds
// `added` samples of its own (its priming, LAME's padding), and the piece
// then decodes to whole frames as near the WAV's `length` as they come, so
// that the pieces of a chapter follow each other as their WAVs would, within
// half a frame. The difference is taken from the trailing silence or made up
// with silence; the sound, up to `soundEnd`, is never cut. `frameSize` 0:
// any length, `length` itself.
std::int64_t PieceLength(std::int64_t length, std::int64_t soundEnd, int frameSize, int added);
