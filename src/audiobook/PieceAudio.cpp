#include "src/audiobook/PieceAudio.h"

#include "platform/com/strings.h"
#include "src/resources/resource.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Below this a sample is silence (about -54 dBFS): voices write true zeros
// between paragraphs, dithered or resampled ones come close to them.
constexpr int kSilence = 64;

} // namespace

std::string PieceAudio::Failed(const UserMessage& message) const {
    if (message.id == IDS_WAV_OPEN)
        return "cannot read the piece's WAV " + m_path;
    return "the piece's WAV is damaged: " + m_path + " is no complete PCM WAV file";
}

std::string PieceAudio::Open(const std::string& path) {
    m_path = path;
    if (Result<> opened = m_reader.open(FromUtf8(path)); !opened)
        return Failed(opened.Message());
    const WAVEFORMATEX& format = m_reader.format;
    if (format.wFormatTag != WAVE_FORMAT_PCM ||
        (format.wBitsPerSample != 8 && format.wBitsPerSample != 16) || format.nChannels < 1 ||
        format.nChannels > 2 || format.nSamplesPerSec < 8000 || format.nSamplesPerSec > 48000)
        return "the piece's WAV is damaged: " + path + " is not 8 or 16-bit PCM, mono or stereo";
    return {};
}

std::string PieceAudio::Read(std::vector<std::int16_t>& samples, int maxFrames) {
    const int bytesPerSample = m_reader.format.wBitsPerSample / 8;
    const int frameBytes = bytesPerSample * Channels();
    m_bytes.resize(static_cast<std::size_t>(maxFrames) * frameBytes);
    Result<std::uint32_t> read =
        m_reader.read(m_bytes.data(), static_cast<std::uint32_t>(m_bytes.size()));
    if (!read)
        return Failed(read.Message());
    const std::uint32_t count = *read / bytesPerSample;
    samples.resize(count - count % Channels());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (bytesPerSample == 1)
            samples[i] = static_cast<std::int16_t>((m_bytes[i] - 128) * 256);
        else
            samples[i] = static_cast<std::int16_t>(m_bytes[2 * i] | m_bytes[2 * i + 1] << 8);
    }
    return {};
}

std::string PieceAudio::Scan(PieceSound& sound) {
    sound = {};
    bool heard = false;
    std::vector<std::int16_t> samples;
    for (;;) {
        if (std::string error = Read(samples, 16384); !error.empty())
            return error;
        if (samples.empty())
            break;
        for (std::size_t i = 0; i < samples.size(); ++i) {
            if (std::abs(samples[i]) <= kSilence)
                continue;
            const std::int64_t at = sound.frames + static_cast<std::int64_t>(i / Channels());
            if (!heard)
                sound.start = at;
            heard = true;
            sound.end = at + 1;
        }
        sound.frames += static_cast<std::int64_t>(samples.size()) / Channels();
    }
    if (!heard)
        sound.start = sound.frames;
    return {};
}

std::string PieceAudio::Skip(std::int64_t frames) {
    std::vector<std::int16_t> samples;
    while (frames > 0) {
        if (std::string error =
                Read(samples, static_cast<int>(std::min<std::int64_t>(frames, 16384)));
            !error.empty())
            return error;
        if (samples.empty())
            break;
        frames -= static_cast<std::int64_t>(samples.size()) / Channels();
    }
    return {};
}

std::string PieceAudio::Rewind() {
    if (Result<> rewound = m_reader.rewindToData(); !rewound)
        return Failed(rewound.Message());
    return {};
}

PieceSpan PieceCut(const PieceSound& sound, int frameSize, int added, int maxSkip) {
    if (frameSize <= 0)
        return {0, sound.frames};
    const std::int64_t mostSkip = std::min<std::int64_t>(sound.start, maxSkip);
    for (std::int64_t decoded = (sound.frames + frameSize / 2) / frameSize * frameSize;;
         decoded += frameSize) {
        const std::int64_t length = decoded - added;
        const std::int64_t skip = std::max<std::int64_t>(sound.end - length, 0);
        if (length >= 1 && skip <= mostSkip)
            return {skip, length};
    }
}
