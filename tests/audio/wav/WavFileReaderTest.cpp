#include "src/audio/WavFileReader.h"

#include "platform/com/strings.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"
#include "tests/fakes/RecordingMessageService.h"
#include "tests/support/FailingReads.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavBytes.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace wavbytes;

namespace {

class WavFileReaderTest : public testing::Test {
protected:
    fs::path file(const std::string& bytes, const std::string& name = "in.wav") {
        write(dir / name, bytes);
        return dir / name;
    }
    // Shows the message of a refusal, as the worker would.
    bool open(const fs::path& path) { return ShowIfFailed(reader.open(FromUtf8(path.string()))); }
    std::uint32_t read(void* buffer, std::uint32_t count) {
        Result<std::uint32_t> n = reader.read(buffer, count);
        if (!n)
            ShowMessage(n.Message());
        return n ? *n : 0;
    }

    // Everything `read` hands out, in chunks of an awkward size.
    std::string readToEnd(std::uint32_t chunkSize = 7) {
        std::string out;
        std::vector<char> buffer(chunkSize);
        while (std::uint32_t n = read(buffer.data(), chunkSize)) {
            EXPECT_LE(n, chunkSize);
            out.append(buffer.data(), n);
        }
        return out;
    }

    // Opening must fail with exactly this message and nothing else.
    void expectRefused(const std::string& bytes, UINT id) {
        messages.Clear();
        EXPECT_FALSE(open(file(bytes)));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{id});
        for (const auto& box : messages.Boxes())
            EXPECT_EQ(box.type & MB_ICONMASK, MB_ICONERROR);
    }

    ScratchFolder scratch;
    fs::path dir = scratch.path();
    RecordingMessageService messages;
    WavFileReader reader;
};

const std::string kSamples = samples16({0, 1000, -1000, 32767, -32768, 12345, -2, 7});

TEST_F(WavFileReaderTest, CanonicalFileGivesItsFormatAndSamples) {
    ASSERT_TRUE(open(file(pcmFile(22050, 16, 2, kSamples))));
    EXPECT_EQ(reader.format.wFormatTag, 1);
    EXPECT_EQ(reader.format.nChannels, 2);
    EXPECT_EQ(reader.format.nSamplesPerSec, 22050u);
    EXPECT_EQ(reader.format.nAvgBytesPerSec, 22050u * 4);
    EXPECT_EQ(reader.format.nBlockAlign, 4);
    EXPECT_EQ(reader.format.wBitsPerSample, 16);
    EXPECT_EQ(reader.format.cbSize, 0);
    EXPECT_EQ(readToEnd(), kSamples);
    EXPECT_EQ(read(nullptr, 0), 0u);
    EXPECT_TRUE(messages.Boxes().empty());

    reader.close();
    EXPECT_EQ(reader.format.nSamplesPerSec, 0u);
    char byte;
    EXPECT_EQ(read(&byte, 1), 0u);
}

TEST_F(WavFileReaderTest, FormatChunkLongerThan16BytesIsSkippedAndCbSizeStaysZero) {
    // A WAVEFORMATEX with its cbSize, and one with a body the reader must skip.
    ASSERT_TRUE(open(
        file(riff(chunk("fmt ", pcmFormat(8000, 8, 1) + le16(0x1234)) + chunk("data", kSamples)))));
    EXPECT_EQ(reader.format.cbSize, 0);
    EXPECT_EQ(reader.format.nSamplesPerSec, 8000u);
    EXPECT_EQ(reader.format.wBitsPerSample, 8);
    EXPECT_EQ(readToEnd(), kSamples);

    ASSERT_TRUE(open(file(riff(chunk("fmt ", pcmFormat(48000, 16, 2) + std::string(24, 'd')) +
                               chunk("data", kSamples)))));
    EXPECT_EQ(reader.format.nSamplesPerSec, 48000u);
    EXPECT_EQ(readToEnd(), kSamples);
}

TEST_F(WavFileReaderTest, FactChunkBeforeDataIsPassedOver) {
    ASSERT_TRUE(open(file(riff(chunk("fmt ", pcmFormat(16000, 16, 1)) + chunk("fact", le32(4)) +
                               chunk("data", kSamples)))));
    EXPECT_EQ(readToEnd(), kSamples);
}

TEST_F(WavFileReaderTest, MalformedHeadersAreRefusedAsCorrupt) {
    const std::string fmt = chunk("fmt ", pcmFormat(22050, 16, 1));
    const std::string data = chunk("data", kSamples);

    expectRefused(riff(chunk("fmt ", pcmFormat(22050, 16, 1).substr(0, 14)) + data),
                  IDS_WAV_CORRUPT);
    expectRefused(riff(chunk("LIST", "INFOabcd") + fmt + data), IDS_WAV_CORRUPT);
    // A 6-byte chunk puts "data" off the four-byte steps of the scan.
    expectRefused(riff(fmt + chunk("junk", "abcdef") + data), IDS_WAV_CORRUPT);
    expectRefused(riff(fmt + "data"), IDS_WAV_CORRUPT);
    expectRefused(riff(fmt + "data\x04"), IDS_WAV_CORRUPT);
    expectRefused(riff(fmt), IDS_WAV_CORRUPT);
    expectRefused("RIFX" + riff(fmt + data).substr(4), IDS_WAV_CORRUPT);
    expectRefused(riff(fmt + data).replace(8, 4, "AVI "), IDS_WAV_CORRUPT);
    expectRefused("RIFF", IDS_WAV_CORRUPT);
    expectRefused("", IDS_WAV_CORRUPT);
    expectRefused(riff(fmt).substr(0, 30), IDS_WAV_CORRUPT);
    // A format size far past the end of the file.
    expectRefused(riff("fmt " + le32(0xFFFFFFF0u) + pcmFormat(22050, 16, 1) + data),
                  IDS_WAV_CORRUPT);
}

TEST_F(WavFileReaderTest, AFileThatCannotBeOpenedShowsWavOpen) {
    messages.Clear();
    EXPECT_FALSE(open(dir / "missing.wav"));
    EXPECT_FALSE(open(dir)); // a folder is no file
    EXPECT_EQ(messages.Ids(), (std::vector<UINT>{IDS_WAV_OPEN, IDS_WAV_OPEN}));
}

TEST_F(WavFileReaderTest, NothingInTheFormatIsJudgedByTheReader) {
    std::string body = le16(3) + le16(6) + le32(96000) + le32(1) + le16(3) + le16(24);
    ASSERT_TRUE(open(file(riff(chunk("fmt ", body) + chunk("data", "xyz")))));
    EXPECT_EQ(reader.format.wFormatTag, 3);
    EXPECT_EQ(reader.format.nChannels, 6);
    EXPECT_EQ(reader.format.wBitsPerSample, 24);
    EXPECT_EQ(readToEnd(), "xyz");
}

TEST_F(WavFileReaderTest, EmptyDataAtTheEndReadsNothing) {
    ASSERT_TRUE(open(file(pcmFile(22050, 16, 1, ""))));
    char buffer[16];
    EXPECT_EQ(read(buffer, sizeof buffer), 0u);
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(WavFileReaderTest, DataEndsWhereItsDeclaredSizeSaysWhenThatSizeIsPlausible) {
    const std::string list = chunk("LIST", "INFOISFT" + le32(4) + "sox\0");
    ASSERT_TRUE(
        open(file(riff(chunk("fmt ", pcmFormat(22050, 16, 1)) + chunk("data", kSamples) + list))));
    EXPECT_EQ(readToEnd(), kSamples);

    // A size never filled in (0 or 0xFFFFFFFF, as streaming writers leave it)
    // or one past the end of the file cannot be trusted: read to the end.
    const std::string fmt = chunk("fmt ", pcmFormat(22050, 16, 1));
    for (std::uint32_t bogus : {0u, 0xFFFFFFFFu, 10000u}) {
        SCOPED_TRACE(bogus);
        ASSERT_TRUE(open(file(riff(fmt + "data" + le32(bogus) + kSamples))));
        EXPECT_EQ(readToEnd(), kSamples);
    }
    EXPECT_TRUE(messages.Boxes().empty());
}

TEST_F(WavFileReaderTest, RewindReadsTheSameSamplesAgain) {
    ASSERT_TRUE(open(file(pcmFile(22050, 16, 1, kSamples) + chunk("LIST", "INFO"))));
    EXPECT_EQ(readToEnd(5), kSamples);
    EXPECT_TRUE(reader.rewindToData());
    EXPECT_EQ(readToEnd(3), kSamples);
    char first[4];
    EXPECT_TRUE(reader.rewindToData());
    ASSERT_EQ(read(first, 4), 4u);
    EXPECT_EQ(std::string(first, 4), kSamples.substr(0, 4));
}

TEST_F(WavFileReaderTest, AReadErrorGivesWavFileException) {
    const std::string bytes = pcmFile(22050, 16, 1, std::string(4000, 'a'));
    const fs::path path = file(bytes);
    ASSERT_TRUE(open(path));
    char buffer[1000];
    ASSERT_EQ(read(buffer, sizeof buffer), sizeof buffer);
    {
        FailingReads failing(path, 44 + 1000);
        EXPECT_EQ(read(buffer, sizeof buffer), 0u);
        EXPECT_EQ(failing.failures(), 1);
    }
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_FILE_EXCEPTION});
    EXPECT_EQ(messages.Boxes()[0].type & MB_ICONMASK, MB_ICONERROR);

    // A new open starts clean.
    ASSERT_TRUE(open(path));
    EXPECT_EQ(read(buffer, sizeof buffer), sizeof buffer);
}

TEST_F(WavFileReaderTest, AReadErrorInTheHeaderGivesWavFileException) {
    const fs::path path = file(pcmFile(22050, 16, 1, kSamples));
    FailingReads failing(path, 12);
    EXPECT_FALSE(open(path));
    EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_FILE_EXCEPTION});
}

// Files from the tools people use, checked against the tools' own idea of
// their samples.
bool haveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

TEST_F(WavFileReaderTest, FilesWrittenBySox) {
    if (!haveTool("sox"))
        GTEST_SKIP() << "sox is not installed";
    struct Case {
        int rate, bits, channels;
    };
    for (Case c : {Case{22050, 16, 1}, Case{44100, 16, 2}, Case{11025, 8, 1}, Case{8000, 8, 2}}) {
        SCOPED_TRACE(c.rate);
        const fs::path wav = dir / "sox.wav", raw = dir / "sox.raw";
        const std::string options = " -r " + std::to_string(c.rate) + " -b " +
                                    std::to_string(c.bits) + " -c " + std::to_string(c.channels);
        ASSERT_TRUE(
            run("sox -n" + options + " " + wav.string() + " synth 0.3 sine 440 2>/dev/null"));
        ASSERT_TRUE(run("sox " + wav.string() + " -t raw " + raw.string()));
        ASSERT_TRUE(open(wav));
        EXPECT_EQ(reader.format.nSamplesPerSec, static_cast<DWORD>(c.rate));
        EXPECT_EQ(reader.format.wBitsPerSample, c.bits);
        EXPECT_EQ(reader.format.nChannels, c.channels);
        EXPECT_EQ(readToEnd(4096), readAll(raw));
    }
}

TEST_F(WavFileReaderTest, FilesWrittenByFfmpeg) {
    if (!haveTool("ffmpeg"))
        GTEST_SKIP() << "ffmpeg is not installed";
    const fs::path plain = dir / "plain.wav", raw = dir / "plain.raw", tagged = dir / "tagged.wav";
    const std::string source = "ffmpeg -v error -y -f lavfi -i sine=f=300:d=0.3:r=24000 -ac 2 ";
    ASSERT_TRUE(
        run(source + "-fflags +bitexact -flags:a +bitexact -c:a pcm_s16le " + plain.string()));
    ASSERT_TRUE(run("ffmpeg -v error -y -i " + plain.string() + " -f s16le " + raw.string()));
    ASSERT_TRUE(open(plain));
    EXPECT_EQ(reader.format.nSamplesPerSec, 24000u);
    EXPECT_EQ(reader.format.nChannels, 2);
    EXPECT_EQ(readToEnd(4096), readAll(raw));

    // By default ffmpeg puts a LIST chunk before the data. The reader steps
    // through the header in fours, so it finds the data only when that chunk
    // keeps the four-byte rhythm.
    ASSERT_TRUE(run(source + "-c:a pcm_s16le " + tagged.string()));
    const std::string bytes = readAll(tagged);
    const auto data = bytes.find("data", 36);
    ASSERT_NE(data, std::string::npos);
    messages.Clear();
    if ((data - 36) % 4 == 0) {
        ASSERT_TRUE(open(tagged));
        EXPECT_EQ(readToEnd(4096), readAll(raw));
    } else {
        EXPECT_FALSE(open(tagged));
        EXPECT_EQ(messages.Ids(), std::vector<UINT>{IDS_WAV_CORRUPT});
    }
}

} // namespace
