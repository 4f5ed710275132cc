#pragma once
// A synthesised piece's WAV read as interleaved 16-bit samples (whatever PCM
// format the voice wrote), and where its sound ends: a piece ends at a
// paragraph end, so what follows is silence the encoder may cut.

#include "src/audio/WavFileReader.h"

#include <cstdint>
#include <string>
#include <vector>

struct PieceSound {
    std::int64_t frames = 0; // the WAV's length
    std::int64_t start = 0;  // its first sample above silence
    std::int64_t end = 0;    // one past its last sample above silence; 0: no sound
};

class PieceAudio {
public:
    // "the piece's WAV is damaged: ..." and the like.
    std::string Open(const std::string& path);
    int Rate() const { return static_cast<int>(m_reader.format.nSamplesPerSec); }
    int Channels() const { return m_reader.format.nChannels; }
    // Reads the whole piece once: its length and where its sound starts and
    // ends, in sample frames.
    std::string Scan(PieceSound& sound);
    // Leaves out the next `frames` sample frames.
    std::string Skip(std::int64_t frames);
    // The next samples (up to `maxFrames` frames); `samples` left empty at the end.
    std::string Read(std::vector<std::int16_t>& samples, int maxFrames);
    std::string Rewind();

private:
    std::string Failed(const UserMessage& message) const;

    WavFileReader m_reader;
    std::string m_path;
    std::vector<std::uint8_t> m_bytes;
};

// What of a piece's WAV is encoded: `skip` samples left out at its start,
// then `length` samples (made up with silence past the WAV's end).
struct PieceSpan {
    std::int64_t skip = 0, length = 0;
};

// The codec adds `added` samples of its own (its priming, LAME's padding),
// and the piece then decodes to whole frames of `frameSize` as near the WAV's
// length as they come, so that the pieces of a chapter follow each other as
// their WAVs would, within half a frame. The difference is taken from the
// trailing silence, else from the leading silence (at most `maxSkip`
// samples), else made up with silence; the sound itself is never cut. All in
// samples at the codec's rate; `frameSize` 0: the whole WAV.
PieceSpan PieceCut(const PieceSound& sound, int frameSize, int added, int maxSkip);

// The metadata key under which a piece keeps its span's `skip`, at its own
// rate: where its WAV's first sample would be heard depends on it.
inline constexpr const char* kSkipKey = "VOCALITH_SKIPPED";
