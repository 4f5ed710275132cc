#include "src/audiobook/LameFile.h"
#include "src/audiobook/PieceCodecs.h"

#include <algorithm>
#include <taglib/id3v2tag.h>
#include <taglib/textidentificationframe.h>
#include <vector>

namespace {

// LAME's quality 2: its recommended high quality, still many times real time.
constexpr int kLameQuality = 2;
// LAME puts 576 samples of its own before a piece and pads its end with 576
// at least (the decoder's transforms reach past the last sample): 1152 in
// all, one MPEG-1 frame, two MPEG-2 ones, when the piece is whole frames.
constexpr int kLameAdded = 1152;

// An ID3v2 tag that holds what was cut of the piece's leading silence.
std::string SkipTag(std::int64_t skip) {
    TagLib::ID3v2::Tag tag;
    auto* frame = new TagLib::ID3v2::UserTextIdentificationFrame(TagLib::String::Latin1);
    frame->setDescription(kSkipKey);
    frame->setText(TagLib::String(std::to_string(skip)));
    tag.addFrame(frame);
    const TagLib::ByteVector bytes = tag.render(TagLib::ID3v2::v4);
    return {bytes.data(), bytes.size()};
}

} // namespace

std::string EncodeMp3Piece(PieceAudio& audio, const PieceSound& sound, int kbps,
                           const std::string& path) {
    // MPEG-1 frames (32 kHz and up) hold 1152 samples, MPEG-2 frames 576.
    const int upsampled = LameFile::OutputRate(audio.Rate()) / audio.Rate();
    const int frameSize = (audio.Rate() >= 32000 ? 1152 : 576) / upsampled;
    const PieceSpan span =
        PieceCut(sound, frameSize, kLameAdded / upsampled, kMp3HeardDelay / upsampled);
    LameFile file;
    if (std::string error = file.Create(path, audio.Rate(), audio.Channels(), kbps, kLameQuality,
                                        span.skip ? SkipTag(span.skip * upsampled) : "");
        !error.empty())
        return error;
    if (std::string error = audio.Skip(span.skip); !error.empty())
        return error;

    std::int64_t left = span.length;
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
