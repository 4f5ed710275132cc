#include "src/audiobook/Assembler.h"
#include "src/audiobook/PieceEncoder.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tableofcontentsframe.h>
#include <vector>

namespace {

// A 4x4 red PNG.
const std::string kPng("\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00"
                       "\x00\x04\x00\x00\x00\x04\x08\x02\x00\x00\x00\x26\x93\x09\x29\x00\x00\x00"
                       "\x10\x49\x44\x41\x54\x78\x9c\x63\xf8\xcf\xc0\x00\x47\x0c\xc4\x71\x00\xae"
                       "\x93\x0f\xf1\xd0\x5f\x23\x9e\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60"
                       "\x82",
                       73);

WAVEFORMATEX Pcm(int rate, int bits, int channels) {
    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = static_cast<WORD>(channels);
    format.nSamplesPerSec = static_cast<DWORD>(rate);
    format.wBitsPerSample = static_cast<WORD>(bits);
    format.nBlockAlign = static_cast<WORD>(bits / 8 * channels);
    format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
    return format;
}

// A synthesised piece: sound, then the silence a paragraph ends with.
void WritePiece(const std::string& path, const WAVEFORMATEX& format, double sound) {
    std::vector<std::uint8_t> data = MakeTestSignal(format, sound);
    const std::size_t silence = static_cast<std::size_t>(0.3 * format.nSamplesPerSec);
    data.insert(data.end(), silence * format.nBlockAlign, format.wBitsPerSample == 8 ? 128 : 0);
    WriteWavFile(path, format, data);
}

// ffprobe's flat output as key -> value, keys in lower case.
std::map<std::string, std::string> Probe(const std::filesystem::path& file) {
    std::map<std::string, std::string> values;
    const std::string command = "ffprobe -v error -show_chapters -show_format -show_streams "
                                "-of flat '" +
                                file.string() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return values;
    char line[4096];
    while (fgets(line, sizeof line, pipe)) {
        std::string text(line);
        const std::size_t equals = text.find('=');
        if (equals == std::string::npos)
            continue;
        std::string key = text.substr(0, equals);
        std::transform(key.begin(), key.end(), key.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        std::string value = text.substr(equals + 1);
        if (value.size() >= 3 && value[0] == '"') // "text"\n
            value = value.substr(1, value.size() - 3);
        else if (!value.empty())
            value.pop_back();
        values[key] = value;
    }
    pclose(pipe);
    return values;
}

// A tag as ffprobe shows it, from the format or the first stream.
std::string Tag(std::map<std::string, std::string>& probe, const std::string& name) {
    const std::string& format = probe["format.tags." + name];
    return format.empty() ? probe["streams.stream.0.tags." + name] : format;
}

// The RMS of `seconds` of the file's audio from `from`, decoded by ffmpeg.
double Rms(const std::filesystem::path& file, double from, double seconds) {
    const std::string command = "ffmpeg -v error -ss " + std::to_string(from) + " -t " +
                                std::to_string(seconds) + " -i '" + file.string() +
                                "' -f s16le -ac 1 -";
    FILE* pipe = popen(command.c_str(), "r");
    double sum = 0;
    long count = 0;
    std::int16_t sample;
    while (pipe && fread(&sample, sizeof sample, 1, pipe) == 1) {
        sum += sample / 32768.0 * (sample / 32768.0);
        ++count;
    }
    if (pipe)
        pclose(pipe);
    return count ? std::sqrt(sum / count) : 0;
}

int Chapters(std::map<std::string, std::string>& probe) {
    int count = 0;
    while (probe.count("chapters.chapter." + std::to_string(count) + ".start_time"))
        ++count;
    return count;
}

int AttachedPictures(std::map<std::string, std::string>& probe) {
    int count = 0;
    for (int i = 0; probe.count("streams.stream." + std::to_string(i) + ".index"); ++i)
        count += probe["streams.stream." + std::to_string(i) + ".disposition.attached_pic"] == "1";
    return count;
}

AudiobookTags BookTags() {
    AudiobookTags tags;
    tags.title = "The Test Book";
    tags.authors = {"Ann Author", "Bo Writer"};
    tags.coverBytes = kPng;
    tags.coverMediaType = "image/png";
    tags.track = 2;
    tags.trackCount = 5;
    return tags;
}

struct Case {
    AudiobookFormat format;
    WAVEFORMATEX pcm;
    int frame; // samples per codec frame at the book's rate
    bool chapters, cover;
    bool track = false; // tagged as one chapter's file of a split book
};

class AudiobookTest : public ::testing::Test {
protected:
    ScratchFolder folder;

    // Pieces of `sounds` seconds each, per chapter, encoded; their WAV lengths summed.
    std::vector<AudiobookChapter>
    Encode(const Case& c, const std::vector<std::vector<double>>& sounds, double& seconds) {
        std::vector<AudiobookChapter> chapters;
        seconds = 0;
        int n = 0;
        for (const std::vector<double>& chapter : sounds) {
            chapters.push_back({"Début " + std::to_string(chapters.size() + 1), {}});
            for (double sound : chapter) {
                const std::string wav = (folder / ("p" + std::to_string(n) + ".wav")).string();
                const std::string piece =
                    (folder / ("p" + std::to_string(n++) + ".piece")).string();
                WritePiece(wav, c.pcm, sound);
                EXPECT_EQ(EncodePiece(wav, {c.format, 0}, piece), "");
                chapters.back().piecePaths.push_back(piece);
                seconds += sound + 0.3;
            }
        }
        return chapters;
    }
};

TEST_F(AudiobookTest, EachFormatHoldsChaptersTagsAndCoverWithoutGaps) {
    const Case cases[] = {
        {AudiobookFormat::M4b, Pcm(22050, 16, 1), 1024, true, true, true},
        {AudiobookFormat::Mp3, Pcm(22050, 16, 1), 576, true, true},
        {AudiobookFormat::Mp3, Pcm(44100, 16, 2), 1152, true, true, true},
        {AudiobookFormat::Opus, Pcm(16000, 8, 2), 960, true, true, true},
        {AudiobookFormat::Flac, Pcm(11025, 8, 1), 1, true, true, true},
        {AudiobookFormat::Wav, Pcm(24000, 16, 1), 1, false, false},
    };
    for (const Case& c : cases) {
        const std::string name = ExtensionOf(c.format);
        SCOPED_TRACE(name + " at " + std::to_string(c.pcm.nSamplesPerSec));
        double seconds = 0;
        const auto chapters = Encode(c, {{1.1}, {0.7, 1.3}, {0.9}}, seconds);
        const auto book = folder / ("book" + name);
        AudiobookTags tags = BookTags();
        if (c.track)
            tags.trackTitle = "Part Two";
        const AssemblyResult result = AssembleAudiobook(chapters, tags, {c.format, 0}, book);
        ASSERT_EQ(result.error, "");

        const DecodedAudio decoded = DecodeAudioFile(book);
        ASSERT_TRUE(decoded.Ok()) << decoded.error;
        const double frame = static_cast<double>(c.frame) / decoded.sampleRate;
        EXPECT_NEAR(decoded.seconds, decoded.headerSeconds, frame);
        EXPECT_NEAR(decoded.seconds, result.seconds, frame);
        // No gap: what remains besides the sound is a frame per piece at most.
        EXPECT_NEAR(decoded.seconds, seconds, 4 * frame + 0.001);
        EXPECT_GT(decoded.rms, 0.01);

        auto probe = Probe(book);
        EXPECT_EQ(Chapters(probe), c.chapters ? 3 : 0);
        ASSERT_EQ(result.chapterStarts.size(), 3u);
        for (int i = 0; c.chapters && i < 3; ++i) {
            const std::string key = "chapters.chapter." + std::to_string(i);
            const double start = std::stod(probe[key + ".start_time"]);
            EXPECT_NEAR(result.chapterStarts[i], start, 0.001);
            // The chapter's sound starts within 100 ms of its mark, after silence.
            EXPECT_GT(Rms(book, start, 0.1), 0.01);
            if (i > 0) {
                EXPECT_LT(Rms(book, start - 0.15, 0.15), 0.005);
            }
            EXPECT_EQ(probe[key + ".tags.title"], "Début " + std::to_string(i + 1));
        }
        EXPECT_EQ(Tag(probe, "title"), c.track ? "Part Two" : "The Test Book");
        EXPECT_EQ(Tag(probe, "artist"), "Ann Author, Bo Writer");
        if (c.format != AudiobookFormat::Wav) {
            EXPECT_EQ(Tag(probe, "album"), "The Test Book");
            EXPECT_EQ(Tag(probe, "track"), "2/5");
        }
        EXPECT_EQ(AttachedPictures(probe), c.cover ? 1 : 0);
        if (c.format == AudiobookFormat::Opus || c.format == AudiobookFormat::Flac) {
            EXPECT_NE(ReadAll(book).find("CHAPTER001=00:00:00.000"), std::string::npos);
        }
        if (c.format == AudiobookFormat::M4b) {
            EXPECT_EQ(Tag(probe, "media_type"), "2");
            // Chapters both as a Nero list and as a QuickTime chapter (text) track.
            EXPECT_NE(ReadAll(book).find("chpl"), std::string::npos);
            EXPECT_EQ(probe["streams.stream.1.codec_tag_string"], "text");
        }
    }
}

// Past 255 chapters an MP4's Nero list and an ID3 table of contents cannot
// hold them all: the MP4 keeps its chapter track, the ID3 tag nests its tables.
TEST_F(AudiobookTest, ManyChapters) {
    for (AudiobookFormat format : {AudiobookFormat::M4b, AudiobookFormat::Mp3}) {
        SCOPED_TRACE(ExtensionOf(format));
        double seconds = 0;
        const Case c{format, Pcm(16000, 16, 1), 1024, true, false};
        std::vector<AudiobookChapter> chapters = Encode(c, {{0.05}}, seconds);
        chapters.resize(300, chapters.front());
        const auto book = folder / (std::string("many") + ExtensionOf(format));
        const AssemblyResult result = AssembleAudiobook(chapters, {}, {format, 0}, book);
        ASSERT_EQ(result.error, "");
        EXPECT_EQ(result.warnings.size(), format == AudiobookFormat::M4b ? 1u : 0u);
        auto probe = Probe(book);
        EXPECT_EQ(Chapters(probe), 300);
        if (format == AudiobookFormat::M4b) {
            EXPECT_EQ(ReadAll(book).find("chpl"), std::string::npos);
        }
        if (format == AudiobookFormat::Mp3) {
            TagLib::MPEG::File file(book.c_str());
            ASSERT_TRUE(file.ID3v2Tag());
            int topLevel = 0;
            for (TagLib::ID3v2::Frame* frame : file.ID3v2Tag()->frameList("CTOC")) {
                auto* table = static_cast<TagLib::ID3v2::TableOfContentsFrame*>(frame);
                EXPECT_LE(table->entryCount(), 255u);
                topLevel += table->isTopLevel();
            }
            EXPECT_EQ(topLevel, 1);
        }
    }
}

TEST_F(AudiobookTest, FaultsLeaveNoFile) {
    const Case c{AudiobookFormat::M4b, Pcm(22050, 16, 1), 1024, true, true};
    double seconds = 0;
    const auto chapters = Encode(c, {{0.5}, {0.5}}, seconds);
    WriteAll(folder / "damaged.piece", ReadAll(chapters[1].piecePaths[0]).substr(0, 300));
    const std::string mp3Piece = (folder / "mp3.piece").string();
    ASSERT_EQ(EncodePiece((folder / "p0.wav").string(), {AudiobookFormat::Mp3, 0}, mp3Piece), "");
    AudiobookTags badCover = BookTags();
    badCover.coverBytes = kPng.substr(0, 40);
    struct Fault {
        AudiobookTags tags;
        std::string piece, path, message;
    } faults[] = {
        {badCover, chapters[1].piecePaths[0], (folder / "a.m4b").string(), "the cover"},
        {BookTags(), chapters[1].piecePaths[0], (folder / "no" / "a.m4b").string(), "cannot write"},
        {BookTags(), (folder / "damaged.piece").string(), (folder / "b.m4b").string(), "damaged"},
        {BookTags(), mp3Piece, (folder / "c.m4b").string(), "not encoded for"},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.message);
        auto book = chapters;
        book[1].piecePaths[0] = fault.piece;
        const AssemblyResult result =
            AssembleAudiobook(book, fault.tags, {c.format, 0}, fault.path);
        EXPECT_NE(result.error.find(fault.message), std::string::npos) << result.error;
        EXPECT_FALSE(std::filesystem::exists(fault.path));
    }
    // A WAV cut short is refused, and no piece is left.
    WriteAll(folder / "short.wav", ReadAll(folder / "p0.wav").substr(0, 30));
    const std::string piece = (folder / "short.piece").string();
    EXPECT_NE(EncodePiece((folder / "short.wav").string(), {c.format, 0}, piece).find("damaged"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(piece));
    EXPECT_FALSE(std::filesystem::exists(piece + ".part"));
}

} // namespace
