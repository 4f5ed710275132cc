#include "src/audiobook/PieceEncoder.h"

#include "src/audiobook/PieceCodecs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

std::string EncodePiece(const std::string& wavPath, const EncodingSettings& settings,
                        const std::string& piecePath) {
    PieceAudio audio;
    if (std::string error = audio.Open(wavPath); !error.empty())
        return error;
    std::int64_t frames = 0, soundEnd = 0;
    if (std::string error = audio.Scan(frames, soundEnd); !error.empty())
        return error;
    if (std::string error = audio.Rewind(); !error.empty())
        return error;

    // A piece exists only complete: it is written aside and renamed.
    const std::string partPath = piecePath + ".part";
    std::string error =
        settings.format == AudiobookFormat::Mp3
            ? EncodeMp3Piece(audio, frames, soundEnd,
                             settings.kbps ? settings.kbps : DefaultKbps(settings.format), partPath)
            : EncodeAvPiece(audio, frames, soundEnd, settings, partPath);
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
