#include "src/audiobook/LameFile.h"
#include "src/audiobook/PieceCodecs.h"

#include <algorithm>
#include <vector>

namespace {

// LAME's quality 2: its recommended high quality, still many times real time.
constexpr int kLameQuality = 2;
// LAME puts 576 samples of its own before a piece and pads its end with 576
// at least (the decoder's transforms reach past the last sample): 1152 in
// all, one MPEG-1 frame, two MPEG-2 ones, when the piece is whole frames.
constexpr int kLameAdded = 1152;

} // namespace

std::string EncodeMp3Piece(PieceAudio& audio, std::int64_t frames, std::int64_t soundEnd, int kbps,
                           const std::string& path) {
    LameFile file;
    if (std::string error = file.Create(path, audio.Rate(), audio.Channels(), kbps, kLameQuality);
        !error.empty())
        return error;

    // MPEG-1 frames (32 kHz and up) hold 1152 samples, MPEG-2 and 2.5 frames
    // 576; below 16 kHz LAME writes a bit rate above 64 kbps at twice the rate.
    const int upsampled = audio.Rate() < 16000 && kbps > 64 ? 2 : 1;
    const int frameSize = (audio.Rate() >= 32000 ? 1152 : 576) / upsampled;
    std::int64_t left = PieceLength(frames, soundEnd, frameSize, kLameAdded / upsampled);
    const int chunkFrames = static_cast<int>(file.SamplesPerCall()) / audio.Channels();
    std::vector<std::int16_t> samples;
    while (left > 0) {
        if (std::string error = audio.Read(samples, chunkFrames); !error.empty())
            return error;
        // Past the WAV's end the piece is made up with silence.
        const std::int64_t have = static_cast<std::int64_t>(samples.size()) / audio.Channels();
        const std::int64_t take =
            samples.empty() ? std::min<std::int64_t>(left, chunkFrames) : std::min(left, have);
        samples.resize(static_cast<std::size_t>(take) * audio.Channels(), 0);
        if (std::string error =
                file.Encode(samples.data(), static_cast<std::uint32_t>(samples.size()));
            !error.empty())
            return error;
        left -= take;
    }
    return file.Finish();
}
