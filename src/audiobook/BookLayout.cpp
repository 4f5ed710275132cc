#include "src/audiobook/BookLayout.h"

#include "src/audiobook/AvSupport.h"

#include <cstdio>

namespace {

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

} // namespace

std::string MeasureBook(const std::vector<AudiobookChapter>& chapters, AudiobookFormat format,
                        BookLayout& layout) {
    layout = {};
    for (const AudiobookChapter& chapter : chapters) {
        layout.chapterStarts.push_back(std::max<std::int64_t>(layout.samples - layout.lead, 0));
        if (chapter.piecePaths.empty())
            return "the chapter \"" + chapter.title + "\" has no audio";
        for (const std::string& path : chapter.piecePaths) {
            std::int64_t samples = 0, delay = 0;
            if (std::string error = MeasurePiece(path, format, layout, samples, delay);
                !error.empty())
                return error;
            layout.pieceStarts.push_back(layout.samples + delay - layout.lead);
            layout.samples += samples;
        }
    }
    layout.samples -= layout.lead;
    return {};
}

void SetBookTags(AVDictionary** metadata, const AudiobookTags& tags) {
    const std::string& title = tags.trackTitle.empty() ? tags.title : tags.trackTitle;
    if (!title.empty())
        av_dict_set(metadata, "title", title.c_str(), 0);
    if (!tags.title.empty())
        av_dict_set(metadata, "album", tags.title.c_str(), 0);
    if (!tags.authors.empty())
        av_dict_set(metadata, "artist", Joined(tags.authors).c_str(), 0);
    if (tags.track > 0) {
        const std::string track =
            std::to_string(tags.track) +
            (tags.trackCount > 0 ? "/" + std::to_string(tags.trackCount) : "");
        av_dict_set(metadata, "track", track.c_str(), 0);
    }
}

void SetChapterComments(AVDictionary** metadata, const std::vector<AudiobookChapter>& chapters,
                        const BookLayout& layout) {
    for (std::size_t i = 0; i < chapters.size() && i < kChapterComments; ++i) {
        const std::int64_t ms = layout.chapterStarts[i] * 1000 / layout.rate;
        char key[32], time[32];
        std::snprintf(key, sizeof key, "CHAPTER%03zu", i + 1);
        std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld.%03lld",
                      static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                      static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
        av_dict_set(metadata, key, time, 0);
        av_dict_set(metadata, (std::string(key) + "NAME").c_str(), chapters[i].title.c_str(), 0);
    }
}

void SetChapters(AVFormatContext* context, const std::vector<AudiobookChapter>& chapters,
                 const BookLayout& layout) {
    const std::size_t count = chapters.size();
    context->chapters = static_cast<AVChapter**>(av_calloc(count, sizeof(AVChapter*)));
    if (!context->chapters)
        return;
    for (std::size_t i = 0; i < count; ++i) {
        auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!chapter)
            return;
        chapter->id = static_cast<std::int64_t>(i + 1);
        chapter->time_base = AVRational{1, layout.rate};
        chapter->start = layout.chapterStarts[i];
        chapter->end = i + 1 < chapters.size() ? layout.chapterStarts[i + 1] : layout.samples;
        av_dict_set(&chapter->metadata, "title", chapters[i].title.c_str(), 0);
        context->chapters[context->nb_chapters++] = chapter;
    }
}
