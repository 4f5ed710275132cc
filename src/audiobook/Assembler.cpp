#include "src/audiobook/Assembler.h"

#include "src/audiobook/BookLayout.h"

#include <unistd.h>

namespace {

std::string Assemble(const std::vector<AudiobookChapter>& chapters, const AudiobookTags& tags,
                     const EncodingSettings& settings, const std::string& path,
                     AssemblyResult& result, bool& writing) {
    if (chapters.empty())
        return "the book has no chapters to assemble";
    // A cover that is no image is refused before anything is written.
    CoverImage cover;
    if (!tags.coverBytes.empty())
        if (std::string error = CheckCover(tags.coverBytes, tags.coverMediaType, cover);
            !error.empty())
            return error;
    BookLayout layout;
    if (std::string error = MeasureBook(chapters, settings.format, layout); !error.empty())
        return error;
    std::string error;
    writing = true;
    switch (settings.format) {
    case AudiobookFormat::M4b:
        error = WriteM4b(chapters, tags, cover, layout, path, result.warnings);
        break;
    case AudiobookFormat::Opus:
        error = WriteOpus(chapters, tags, cover, layout, path, result.warnings);
        break;
    case AudiobookFormat::Mp3:
        error = WriteMp3(chapters, tags, cover, layout, path);
        break;
    case AudiobookFormat::Flac:
    case AudiobookFormat::Wav:
        error =
            WriteLossless(chapters, tags, cover, layout, settings.format, path, result.warnings);
        break;
    }
    if (!error.empty())
        return error;
    result.seconds = static_cast<double>(layout.samples) / layout.rate;
    for (std::int64_t start : layout.chapterStarts)
        result.chapterStarts.push_back(static_cast<double>(start) / layout.rate);
    for (std::int64_t start : layout.pieceStarts)
        result.pieceStarts.push_back(static_cast<double>(start) / layout.rate);
    return {};
}

} // namespace

AssemblyResult AssembleAudiobook(const std::vector<AudiobookChapter>& chapters,
                                 const AudiobookTags& tags, const EncodingSettings& settings,
                                 const std::string& path) {
    AssemblyResult result;
    bool writing = false;
    result.error = Assemble(chapters, tags, settings, path, result, writing);
    if (!result.error.empty()) {
        // Only what this call began to write: a refusal up front touches nothing.
        if (writing)
            ::unlink(path.c_str());
        result.warnings.clear();
    }
    return result;
}
