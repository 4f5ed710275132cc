#include "src/audiobook/SubtitleFiles.h"

#include "src/audiobook/PartsFolder.h"

#include <algorithm>

std::string SubtitlePath(const std::string& audioPath, SubtitleFormat format) {
    const std::size_t slash = audioPath.rfind('/');
    const std::size_t dot = audioPath.rfind('.');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    return audioPath.substr(0, hasExtension ? dot : audioPath.size()) + SubtitleExtension(format);
}

bool HasUsableCues(const std::string& piecePath, std::u16string_view pieceText, CueMarkup markup) {
    const std::optional<std::vector<PieceCue>> cues = ReadPieceCues(CuesPath(piecePath));
    return cues && (!cues->empty() || ReadableText(pieceText, markup).empty());
}

std::string WriteSubtitleFile(const std::string& path, SubtitleFormat format,
                              const SubtitleSource& source, const SubtitleTags& tags) {
    if (source.pieceStarts.size() != source.piecePaths.size())
        return "cannot write " + path + ": the assembly did not say where each piece starts";
    std::vector<TimedCue> cues;
    for (std::size_t i = 0; i < source.piecePaths.size(); ++i) {
        const std::optional<std::vector<PieceCue>> pieceCues =
            ReadPieceCues(CuesPath(source.piecePaths[i]));
        if (!pieceCues)
            return "cannot write " + path + ": the cues of " + source.piecePaths[i] +
                   " are missing or damaged";
        for (const PieceCue& cue : *pieceCues) {
            // A piece's sentences are heard in order, after the last piece's.
            const double start = std::max(source.pieceStarts[i] + cue.seconds,
                                          cues.empty() ? 0.0 : cues.back().seconds);
            cues.push_back({std::min(start, source.seconds), cue.text});
        }
    }
    if (cues.empty())
        return "cannot write " + path + ": no sentence was timed";
    return WriteFileWhole(path, FormatSubtitles(format, cues, source.seconds, tags));
}
