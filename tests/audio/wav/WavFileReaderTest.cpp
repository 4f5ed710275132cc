#include "src/audio/WavFileReader.h"

#include "platform/com/strings.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/FailingReads.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavBytes.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace WavBytes;

namespace {

class WavFileReaderTest : public testing::Test {
protected:
    fs::path File(const std::string& bytes, const std::string& name = "in.wav") {
        WriteAll(dir / name, bytes);
        return dir / name;
    }
    // Shows the message of a refusal, as the worker would.
    bool Open(const fs::path& path) { return ShowIfFailed(reader.open(FromUtf8(path.string()))); }
    std::uint32_t Read(void* buffer, std::uint32_t count) {
        Result<std::uint32_t> n = reader.read(buffer, count);
        if (!n)
            ShowMessage(n.Message());
        return n ? *n : 0;
    }

    // Everything `read` hands out, in chunks of an awkward size.
    std::string ReadToEnd(std::uint32_t chunkSize = 7) {
        std::string out;
        std::vector<char> buffer(chunkSize);
        while (std::uint32_t n = Read(buffer.data(), chunkSize)) {
            EXPECT_LE(n, chunkSize);
            out.append(buffer.data(), n);
        }
        return out;
    }

    // Opening must fail with exactly this message and nothing else.
    void ExpectRefused(const std::string& bytes, UINT id) {
        messages.Clear();
        EXPECT_FALSE(Open(File(bytes)));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{id});
        for (const auto& box : messages.Boxes())
            EXPECT_EQ(box.type & MB_ICONMASK, MB_ICONERROR);
    }

    ScratchFolder scratch;
    fs::path dir = scratch.Path();
    RecordingMessageService messages;
    WavFileReader reader;
};

const std::string kSamples = Samples16({0, 1000, -1000, 32767, -32768, 12345, -2, 7});

TEST_F(WavFileReaderTest, CanonicalFileGivesItsFormatAndSamples) {
    ASSERT_TRUE(Open(File(PcmFile(22050, 16, 2, kSamples))));
    EXPECT_EQ(reader.format.wFormatTag, 1);
    EXPECT_EQ(reader.format.nChannels, 2);
    EXPECT_EQ(reader.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(reader.format.nAvgBytesPerSec, 22050u * 4);
    EXPECT_EQ(reader.format.nBlockAlign, 4);
    EXPECT_EQ(reader.format.wBitsPerSample, 16);
    EXPECT_EQ(reader.format.cbSize, 0);
    EXPECT_EQ(ReadToEnd(), kSamples);
    EXPECT_EQ(Read(nullptr, 0), 0u);
    EXPECT_TRUE(messages.Boxes().empty());

    reader.close();
    EXPECT_EQ(reader.format.nSamplesPerSec, 0u);
    char byte;
    EXPECT_EQ(Read(&byte, 1), 0u);
}

TEST_F(WavFileReaderTest, FormatChunkLongerThan16BytesIsSkippedAndCbSizeStaysZero) {
    // A WAVEFORMATEX with its cbSize, and one with a body the reader must skip.
    ASSERT_TRUE(Open(
        File(Riff(Chunk("fmt ", PcmFormat(8000, 8, 1) + Le16(0x1234)) + Chunk("data", kSamples)))));
    EXPECT_EQ(reader.format.cbSize, 0);
    EXPECT_EQ(reader.format.nSamplesPerSec, 8000u);
    EXPECT_EQ(reader.format.wBitsPerSample, 8);
    EXPECT_EQ(ReadToEnd(), kSamples);

    ASSERT_TRUE(Open(File(Riff(Chunk("fmt ", PcmFormat(48000, 16, 2) + std::string(24, 'd')) +
                               Chunk("data", kSamples)))));
    EXPECT_EQ(reader.format.nSamplesPerSec, 48000u);
    EXPECT_EQ(ReadToEnd(), kSamples);
}

TEST_F(WavFileReaderTest, FactChunkBeforeDataIsPassedOver) {
    ASSERT_TRUE(Open(File(Riff(Chunk("fmt ", PcmFormat(16000, 16, 1)) + Chunk("fact", Le32(4)) +
                               Chunk("data", kSamples)))));
    EXPECT_EQ(ReadToEnd(), kSamples);
}

TEST_F(WavFileReaderTest, MalformedHeadersAreRefusedAsCorrupt) {
    const std::string fmt = Chunk("fmt ", PcmFormat(22050, 16, 1));
    const std::string data = Chunk("data", kSamples);

    ExpectRefused(Riff(Chunk("fmt ", PcmFormat(22050, 16, 1).substr(0, 14)) + data),
                  IDS_WAV_CORRUPT);
    ExpectRefused(Riff(Chunk("LIST", "INFOabcd") + fmt + data), IDS_WAV_CORRUPT);
    // A 6-byte chunk puts "data" off the four-byte steps of the scan.
    ExpectRefused(Riff(fmt + Chunk("junk", "abcdef") + data), IDS_WAV_CORRUPT);
    ExpectRefused(Riff(fmt + "data"), IDS_WAV_CORRUPT);
    ExpectRefused(Riff(fmt + "data\x04"), IDS_WAV_CORRUPT);
    ExpectRefused(Riff(fmt), IDS_WAV_CORRUPT);
    ExpectRefused("RIFX" + Riff(fmt + data).substr(4), IDS_WAV_CORRUPT);
    ExpectRefused(Riff(fmt + data).replace(8, 4, "AVI "), IDS_WAV_CORRUPT);
    ExpectRefused("RIFF", IDS_WAV_CORRUPT);
    ExpectRefused("", IDS_WAV_CORRUPT);
    ExpectRefused(Riff(fmt).substr(0, 30), IDS_WAV_CORRUPT);
    // A format size far past the end of the file.
    ExpectRefused(Riff("fmt " + Le32(0xFFFFFFF0u) + PcmFormat(22050, 16, 1) + data),
                  IDS_WAV_CORRUPT);
}

TEST_F(WavFileReaderTest, AFileThatCannotBeOpenedShowsWavOpen) {
    messages.Clear();
    EXPECT_FALSE(Open(dir / "missing.wav"));
    EXPECT_FALSE(Open(dir)); // a folder is no file
    EXPECT_EQ(messages.Ids(), (std::vector<UINT>{IDS_WAV_OPEN, IDS_WAV_OPEN}));
}

TEST_F(WavFileReaderTest, NothingInTheFormatIsJudgedByTheReader) {
    std::string body = Le16(3) + Le16(6) + Le32(96000) + Le32(1) + Le16(3) + Le16(24);
    ASSERT_TRUE(Open(File(Riff(Chunk("fmt ", body) + Chunk("data", "xyz")))));
    EXPECT_EQ(reader.format.wFormatTag, 3);
    EXPECT_EQ(reader.format.nChannels, 6);
    EXPECT_EQ(reader.format.wBitsPerSample, 24);
    EXPECT_EQ(ReadToEnd(), "xyz");
}

TEST_F(WavFileReaderTest, EmptyDataAtTheEndReadsNothing) {
    ASSERT_TRUE(Open(File(PcmFile(22050, 16, 1, ""))));
    char buffer[16];
    EXPECT_EQ(Read(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(WavFileReaderTest, DataEndsWhereItsDeclaredSizeSaysWhenThatSizeIsPlausible) {
    const std::string list = Chunk("LIST", "INFOISFT" + Le32(4) + "sox\0");
    ASSERT_TRUE(
        Open(File(Riff(Chunk("fmt ", PcmFormat(22050, 16, 1)) + Chunk("data", kSamples) + list))));
    EXPECT_EQ(ReadToEnd(), kSamples);

    // A size never filled in (0 or 0xFFFFFFFF, as streaming writers leave it)
    // or one past the end of the file cannot be trusted: read to the end.
    const std::string fmt = Chunk("fmt ", PcmFormat(22050, 16, 1));
    for (std::uint32_t bogus : {0u, 0xFFFFFFFFu, 10000u}) {
        SCOPED_TRACE(bogus);
        ASSERT_TRUE(Open(File(Riff(fmt + "data" + Le32(bogus) + kSamples))));
        EXPECT_EQ(ReadToEnd(), kSamples);
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(WavFileReaderTest, RewindReadsTheSameSamplesAgain) {
    ASSERT_TRUE(Open(File(PcmFile(22050, 16, 1, kSamples) + Chunk("LIST", "INFO"))));
    EXPECT_EQ(ReadToEnd(5), kSamples);
    EXPECT_TRUE(reader.rewindToData());
    EXPECT_EQ(ReadToEnd(3), kSamples);
    char first[4];
    EXPECT_TRUE(reader.rewindToData());
    ASSERT_EQ(Read(first, 4), 4u);
    EXPECT_EQ(std::string(first, 4), kSamples.substr(0, 4));
}

TEST_F(WavFileReaderTest, AReadErrorGivesWavFileException) {
    const std::string bytes = PcmFile(22050, 16, 1, std::string(4000, 'a'));
    const fs::path path = File(bytes);
    ASSERT_TRUE(Open(path));
    char buffer[1000];
    ASSERT_EQ(Read(buffer, sizeof buffer), sizeof buffer);
    {
        FailingReads failing(path, 44 + 1000);
        EXPECT_EQ(Read(buffer, sizeof buffer), 0u);
        EXPECT_EQ(failing.Failures(), 1);
    }
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_FILE_EXCEPTION});
    EXPECT_EQ(messages.Boxes()[0].type & MB_ICONMASK, MB_ICONERROR);

    // A new open starts clean.
    ASSERT_TRUE(Open(path));
    EXPECT_EQ(Read(buffer, sizeof buffer), sizeof buffer);
}

TEST_F(WavFileReaderTest, AReadErrorInTheHeaderGivesWavFileException) {
    const fs::path path = File(PcmFile(22050, 16, 1, kSamples));
    FailingReads failing(path, 12);
    EXPECT_FALSE(Open(path));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_FILE_EXCEPTION});
}

// Files from the tools people use, checked against the tools' own idea of
// their samples.
bool HaveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

bool RunCommand(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

TEST_F(WavFileReaderTest, FilesWrittenBySox) {
    if (!HaveTool("sox"))
        GTEST_SKIP() << "sox is not installed";
    struct Case {
        int rate, bits, channels;
    };
    for (Case c : {Case{22050, 16, 1}, Case{44100, 16, 2}, Case{11025, 8, 1}, Case{8000, 8, 2}}) {
        SCOPED_TRACE(c.rate);
        const fs::path wav = dir / "sox.wav", raw = dir / "sox.raw";
        const std::string options = " -r " + std::to_string(c.rate) + " -b " +
                                    std::to_string(c.bits) + " -c " + std::to_string(c.channels);
        ASSERT_TRUE(RunCommand("sox -n" + options + " " + wav.string() +
                               " synth 0.3 sine 440 2>/dev/null"));
        ASSERT_TRUE(RunCommand("sox " + wav.string() + " -t raw " + raw.string()));
        ASSERT_TRUE(Open(wav));
        EXPECT_EQ(reader.format.nSamplesPerSec, static_cast<DWORD>(c.rate));
        EXPECT_EQ(reader.format.wBitsPerSample, c.bits);
        EXPECT_EQ(reader.format.nChannels, c.channels);
        EXPECT_EQ(ReadToEnd(4096), ReadAll(raw));
    }
}

TEST_F(WavFileReaderTest, FilesWrittenByFfmpeg) {
    if (!HaveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    const fs::path plain = dir / "plain.wav", raw = dir / "plain.raw", tagged = dir / "tagged.wav";
    const std::string source = "ffmpeg -v error -y -f lavfi -i sine=f=300:d=0.3:r=24000 -ac 2 ";
    ASSERT_TRUE(RunCommand(source + "-fflags +bitexact -flags:a +bitexact -c:a pcm_s16le " +
                           plain.string()));
    ASSERT_TRUE(
        RunCommand("ffmpeg -v error -y -i " + plain.string() + " -f s16le " + raw.string()));
    ASSERT_TRUE(Open(plain));
    EXPECT_EQ(reader.format.nSamplesPerSec, 24000u);
    EXPECT_EQ(reader.format.nChannels, 2);
    EXPECT_EQ(ReadToEnd(4096), ReadAll(raw));

    // By default ffmpeg puts a LIST chunk before the data. The reader steps
    // through the header in fours, so it finds the data only when that chunk
    // keeps the four-byte rhythm.
    ASSERT_TRUE(RunCommand(source + "-c:a pcm_s16le " + tagged.string()));
    const std::string bytes = ReadAll(tagged);
    const auto data = bytes.find("data", 36);
    ASSERT_NE(data, std::string::npos);
    messages.Clear();
    if ((data - 36) % 4 == 0) {
        ASSERT_TRUE(Open(tagged));
        EXPECT_EQ(ReadToEnd(4096), ReadAll(raw));
    } else {
        EXPECT_FALSE(Open(tagged));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_CORRUPT});
    }
}

} // namespace
