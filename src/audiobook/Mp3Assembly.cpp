// MP3: an ID3v2 tag rendered by TagLib (with CHAP/CTOC chapters and the
// cover), then the pieces' frames as the MP3 demuxer finds them.

#include "src/audiobook/AvSupport.h"
#include "src/audiobook/BookLayout.h"

#include <taglib/attachedpictureframe.h>
#include <taglib/chapterframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>

namespace {

// The children a CTOC frame holds (its count is one byte).
constexpr std::size_t kTocChildren = 255;
// CHAP byte offsets that are not given.
constexpr TagLib::uint kNoOffset = 0xFFFFFFFF;

TagLib::String Utf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

void AddText(TagLib::ID3v2::Tag& tag, const char* id, const std::string& text) {
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(id, TagLib::String::UTF8);
    frame->setText(Utf8(text));
    tag.addFrame(frame);
}

TagLib::uint Milliseconds(std::int64_t samples, int rate) {
    return static_cast<TagLib::uint>(samples * 1000 / rate);
}

void AddChapters(TagLib::ID3v2::Tag& tag, const std::vector<AudiobookChapter>& chapters,
                 const BookLayout& layout) {
    TagLib::ByteVectorList ids;
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        const TagLib::ByteVector id(("ch" + std::to_string(i)).c_str());
        const std::int64_t end =
            i + 1 < chapters.size() ? layout.chapterStarts[i + 1] : layout.samples;
        auto* title = new TagLib::ID3v2::TextIdentificationFrame("TIT2", TagLib::String::UTF8);
        title->setText(Utf8(chapters[i].title));
        TagLib::ID3v2::FrameList embedded;
        embedded.append(title);
        tag.addFrame(new TagLib::ID3v2::ChapterFrame(
            id, Milliseconds(layout.chapterStarts[i], layout.rate), Milliseconds(end, layout.rate),
            kNoOffset, kNoOffset, embedded));
        ids.append(id);
    }
    // A CTOC holds at most 255 children: more chapters are grouped under
    // tables of their own, beneath the top-level one.
    TagLib::ByteVectorList top;
    if (ids.size() <= kTocChildren) {
        top = ids;
    } else {
        for (std::size_t first = 0; first < ids.size(); first += kTocChildren) {
            TagLib::ByteVectorList group;
            for (std::size_t i = first; i < std::min<std::size_t>(ids.size(), first + kTocChildren);
                 ++i)
                group.append(ids[static_cast<unsigned>(i)]);
            const TagLib::ByteVector id(("toc" + std::to_string(top.size() + 1)).c_str());
            auto* table = new TagLib::ID3v2::TableOfContentsFrame(id, group);
            table->setIsOrdered(true);
            tag.addFrame(table);
            top.append(id);
        }
    }
    auto* table = new TagLib::ID3v2::TableOfContentsFrame("toc", top);
    table->setIsTopLevel(true);
    table->setIsOrdered(true);
    tag.addFrame(table);
}

TagLib::ByteVector RenderTag(const std::vector<AudiobookChapter>& chapters,
                             const AudiobookTags& tags, const CoverImage& cover,
                             const BookLayout& layout) {
    TagLib::ID3v2::Tag tag;
    const std::string& title = tags.trackTitle.empty() ? tags.title : tags.trackTitle;
    if (!title.empty())
        AddText(tag, "TIT2", title);
    if (!tags.title.empty())
        AddText(tag, "TALB", tags.title);
    std::string authors;
    for (const std::string& author : tags.authors)
        authors += (authors.empty() ? "" : ", ") + author;
    if (!authors.empty())
        AddText(tag, "TPE1", authors);
    if (tags.track > 0)
        AddText(tag, "TRCK",
                std::to_string(tags.track) +
                    (tags.trackCount > 0 ? "/" + std::to_string(tags.trackCount) : ""));
    if (cover.codec != AV_CODEC_ID_NONE) {
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setMimeType(cover.codec == AV_CODEC_ID_PNG ? "image/png" : "image/jpeg");
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setPicture(TagLib::ByteVector(tags.coverBytes.data(),
                                               static_cast<unsigned>(tags.coverBytes.size())));
        tag.addFrame(picture);
    }
    AddChapters(tag, chapters, layout);
    return tag.render(TagLib::ID3v2::v4);
}

std::string Failed(const std::string& path, int code) {
    return "cannot write " + path + ": " + AvError(code);
}

} // namespace

std::string WriteMp3(const std::vector<AudiobookChapter>& chapters, const AudiobookTags& tags,
                     const CoverImage& cover, const BookLayout& layout, const std::string& path) {
    const TagLib::ByteVector tag = RenderTag(chapters, tags, cover, layout);
    AVIOContext* file = nullptr;
    if (int code = avio_open(&file, AvFileUrl(path).c_str(), AVIO_FLAG_WRITE); code < 0)
        return Failed(path, code);
    avio_write(file, reinterpret_cast<const unsigned char*>(tag.data()),
               static_cast<int>(tag.size()));
    AvPacketPtr packet(av_packet_alloc());
    std::string error;
    for (const AudiobookChapter& chapter : chapters) {
        for (const std::string& piece : chapter.piecePaths) {
            AvInputPtr input = OpenAvInput(piece, error);
            if (!input)
                break;
            int code;
            while ((code = av_read_frame(input.get(), packet.get())) >= 0) {
                avio_write(file, packet->data, packet->size);
                av_packet_unref(packet.get());
            }
            if (code != AVERROR_EOF)
                error = "the piece " + piece + " is damaged: " + AvError(code);
            if (file->error < 0)
                error = Failed(path, file->error);
            if (!error.empty())
                break;
        }
        if (!error.empty())
            break;
    }
    avio_flush(file);
    if (error.empty() && file->error < 0)
        error = Failed(path, file->error);
    if (int code = avio_closep(&file); error.empty() && code < 0)
        error = Failed(path, code);
    return error;
}
