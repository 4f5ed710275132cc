#include "src/audiobook/PieceEncoder.h"

#include "src/audiobook/PieceCodecs.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

std::string EncodePiece(const std::string& wavPath, const EncodingSettings& settings,
                        const std::string& piecePath) {
    PieceAudio audio;
    if (std::string error = audio.Open(wavPath); !error.empty())
        return error;
    PieceSound sound;
    if (std::string error = audio.Scan(sound); !error.empty())
        return error;
    if (std::string error = audio.Rewind(); !error.empty())
        return error;
    // The pause is silence made up past the WAV's end, as a frame's is.
    const std::int64_t pause = std::int64_t{settings.pauseMs} * audio.Rate() / 1000;
    sound.frames = std::max(sound.frames, sound.end + pause);

    // A piece exists only complete: it is written aside and renamed.
    const std::string partPath = piecePath + ".part";
    std::string error =
        settings.format == AudiobookFormat::Mp3
            ? EncodeMp3Piece(audio, sound,
                             settings.kbps ? settings.kbps : DefaultKbps(settings.format), partPath)
            : EncodeAvPiece(audio, sound, settings, partPath);
    if (error.empty() && std::rename(partPath.c_str(), piecePath.c_str()) != 0)
        error = "cannot write " + piecePath + ": " + std::strerror(errno);
    if (!error.empty()) {
        std::remove(partPath.c_str());
        // The temporary name means nothing to the user: the piece is named.
        if (const std::size_t at = error.find(partPath); at != std::string::npos)
            error.replace(at, partPath.size(), piecePath);
    }
    return error;
}
