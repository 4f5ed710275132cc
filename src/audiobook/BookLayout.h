#pragma once
// Where each piece and chapter falls in the assembled book, measured from
// the pieces before anything is written (an ID3 tag and Ogg comments come
// before the audio they describe), and the book's tags in FFmpeg's keys.

#include "src/audiobook/Assembler.h"
#include "src/audiobook/CoverImage.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
}

struct BookLayout {
    int rate = 0; // the pieces' sample rate
    int channels = 0;
    // Samples the decoder drops at the start (an Opus stream's pre-skip):
    // times below are on the played timeline, which starts after them.
    std::int64_t lead = 0;
    std::vector<std::int64_t> chapterStarts; // in samples, one per chapter
    // In samples, one per piece in book order: where the piece's own audio
    // (its WAV's first sample) is heard in the assembled file; before the
    // file's start when the first piece's leading silence was cut.
    std::vector<std::int64_t> pieceStarts;
    std::int64_t samples = 0; // the whole book's
};

// Reads every piece's packets (or, for the lossless formats, its header):
// a piece that does not open or differs from the first is an error naming it.
std::string MeasureBook(const std::vector<AudiobookChapter>& chapters, AudiobookFormat format,
                        BookLayout& layout);

// Opens one piece and reads its packets (or, for the lossless formats
// unless `readPackets`, its header): its length in samples and the samples
// its decoded audio holds before its WAV's first sample. The first piece
// measured sets the layout's rate, channels and lead; another that differs
// from it is an error naming it.
std::string MeasurePiece(const std::string& path, AudiobookFormat format, BookLayout& layout,
                         std::int64_t& samples, std::int64_t& delay, bool readPackets = false);

// A lossless piece (FLAC or WAV) decoded, its interleaved 16-bit samples
// handed over as they come (a count of sample frames); what `take` returns
// ends the decoding when it is not empty.
using PieceSamples = std::function<std::string(const std::int16_t* samples, int frames)>;
std::string DecodePiece(const std::string& path, const PieceSamples& take);

// A packet's length in samples at `rate`.
std::int64_t PacketSamples(const AVPacket& packet, const AVStream& stream, int rate);

// Title (the track's, else the book's), artist (the authors), album (the
// book's title) and track in FFmpeg's keys.
void SetBookTags(AVDictionary** metadata, const AudiobookTags& tags);
// CHAPTERnnn comments have three digits.
constexpr std::size_t kChapterComments = 999;
// The chapters as the Vorbis comments CHAPTERnnn=HH:MM:SS.mmm and
// CHAPTERnnnNAME, numbered from 001 (Ogg and FLAC; FFmpeg 5.1's own writer
// numbers them from 000 and writes some times wrongly, 1.5 s as 2.5 s).
void SetChapterComments(AVDictionary** metadata, const std::vector<AudiobookChapter>& chapters,
                        const BookLayout& layout);
// The chapters as the context's own, for the muxers that write them.
void SetChapters(AVFormatContext* context, const std::vector<AudiobookChapter>& chapters,
                 const BookLayout& layout);

// The writers of each kind of file; `cover` is set when the tags hold one.
std::string WriteM4b(const std::vector<AudiobookChapter>& chapters, const AudiobookTags& tags,
                     const CoverImage& cover, const BookLayout& layout, const std::string& path,
                     std::vector<std::string>& warnings);
std::string WriteOpus(const std::vector<AudiobookChapter>& chapters, const AudiobookTags& tags,
                      const CoverImage& cover, const BookLayout& layout, const std::string& path,
                      std::vector<std::string>& warnings);
std::string WriteMp3(const std::vector<AudiobookChapter>& chapters, const AudiobookTags& tags,
                     const CoverImage& cover, const BookLayout& layout, const std::string& path);
std::string WriteLossless(const std::vector<AudiobookChapter>& chapters, const AudiobookTags& tags,
                          const CoverImage& cover, const BookLayout& layout, AudiobookFormat format,
                          const std::string& path, std::vector<std::string>& warnings);
