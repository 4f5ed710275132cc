#include "platform/com/strings.h"
#include "src/audio/Mp3Encoder.h"
#include "src/audiobook/PieceCodecs.h"
#include "src/resources/StringTable.h"
#include "src/resources/resource.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// LAME's quality 2: its recommended high quality, still many times real time.
constexpr int kLameQuality = 2;
// LAME puts 576 samples of its own before a piece and pads its end with 576
// at least (the decoder's transforms reach past the last sample): 1152 in
// all, one MPEG-1 frame, two MPEG-2 ones, when the piece is whole frames.
constexpr int kLameAdded = 1152;

// The encoder's message says that writing failed; the system's error, when
// one is left, says why ("No space left on device").
std::string Failed(const std::string& path, const UserMessage& message) {
    const int code = errno;
    std::string text = "cannot write " + path + ": " + ToUtf8(LoadResString(message.id));
    if (message.id == IDS_MP3_WRITE && code != 0)
        text += " (" + std::string(std::strerror(code)) + ")";
    return text;
}

} // namespace

std::string EncodeMp3Piece(PieceAudio& audio, std::int64_t frames, std::int64_t soundEnd, int kbps,
                           const std::string& path) {
    Mp3Encoder encoder;
    if (!encoder.loadLibrary())
        return "cannot write " + path + ": the MP3 encoder library liblame_enc.so is missing";
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(audio.Channels());
    format.nSamplesPerSec = static_cast<DWORD>(audio.Rate());
    format.wBitsPerSample = 16;
    format.nBlockAlign = static_cast<WORD>(2 * audio.Channels());
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    if (Result<> opened = encoder.openStream(&format, kbps, kLameQuality, false, FromUtf8(path));
        !opened)
        return Failed(path, opened.Message());

    // MPEG-1 frames (32 kHz and up) hold 1152 samples, MPEG-2 and 2.5 frames
    // 576; below 16 kHz LAME writes a bit rate above 64 kbps at twice the rate.
    const int upsampled = audio.Rate() < 16000 && kbps > 64 ? 2 : 1;
    const int frameSize = (audio.Rate() >= 32000 ? 1152 : 576) / upsampled;
    std::int64_t left = PieceLength(frames, soundEnd, frameSize, kLameAdded / upsampled);
    const std::uint32_t chunkFrames = encoder.chunkBytes() / format.nBlockAlign;
    std::vector<std::int16_t> samples;
    while (left > 0) {
        errno = 0;
        if (std::string error = audio.Read(samples, static_cast<int>(chunkFrames)); !error.empty())
            return error;
        // Past the WAV's end the piece is made up with silence.
        const std::int64_t have = static_cast<std::int64_t>(samples.size()) / audio.Channels();
        const std::int64_t take =
            samples.empty() ? std::min<std::int64_t>(left, chunkFrames) : std::min(left, have);
        samples.resize(static_cast<std::size_t>(take) * audio.Channels(), 0);
        const auto bytes = static_cast<std::uint32_t>(samples.size() * sizeof(std::int16_t));
        if (Result<> encoded = encoder.encodeChunk(samples.data(), bytes); !encoded)
            return Failed(path, encoded.Message());
        left -= take;
    }
    errno = 0;
    if (Result<> closed = encoder.closeStream(); !closed)
        return Failed(path, closed.Message());
    return {};
}
