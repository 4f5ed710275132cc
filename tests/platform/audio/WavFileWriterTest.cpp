#include "platform/audio/WavFileWriter.h"

#include "platform/com/strings.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <sys/mount.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

std::string Tag(const std::vector<std::uint8_t>& b, std::size_t at) {
    return std::string(b.begin() + static_cast<long>(at), b.begin() + static_cast<long>(at) + 4);
}

std::vector<std::uint8_t> Pattern(std::size_t bytes) {
    std::vector<std::uint8_t> data(bytes);
    for (std::size_t i = 0; i < bytes; ++i)
        data[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    return data;
}

class WavFileWriterTest : public ::testing::Test {
protected:
    std::u16string PathOf(const std::string& name) const { return FromUtf8((dir / name).string()); }

    ScratchFolder scratch;
    fs::path dir = scratch.Path();
};

// Every header field is checked against the bytes on disk, decoded by hand.
void ExpectWav(const fs::path& path, const WAVEFORMATEX& f, const std::vector<std::uint8_t>& data) {
    const std::vector<std::uint8_t> b = ReadBytes(path);
    ASSERT_EQ(b.size(), 44 + data.size());
    EXPECT_EQ(Tag(b, 0), "RIFF");
    EXPECT_EQ(U32(b, 4), 36 + data.size());
    EXPECT_EQ(Tag(b, 8), "WAVE");
    EXPECT_EQ(Tag(b, 12), "fmt ");
    EXPECT_EQ(U32(b, 16), 16u);
    EXPECT_EQ(U16(b, 20), WAVE_FORMAT_PCM);
    // Unary + reads a packed field by value; gtest would bind a reference to it.
    EXPECT_EQ(U16(b, 22), +f.nChannels);
    EXPECT_EQ(U32(b, 24), +f.nSamplesPerSec);
    EXPECT_EQ(U32(b, 28), +f.nAvgBytesPerSec);
    EXPECT_EQ(U16(b, 32), +f.nBlockAlign);
    EXPECT_EQ(U16(b, 34), +f.wBitsPerSample);
    EXPECT_EQ(Tag(b, 36), "data");
    EXPECT_EQ(U32(b, 40), data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), b.begin() + 44));
}

} // namespace

TEST_F(WavFileWriterTest, WritesHeaderAndSamplesForEachFormat) {
    const WAVEFORMATEX formats[] = {MakePcmFormat(8000, 8, 1), MakePcmFormat(11025, 8, 2),
                                    MakePcmFormat(22050, 16, 1), MakePcmFormat(48000, 16, 2)};
    for (const WAVEFORMATEX& f : formats) {
        SCOPED_TRACE(+f.nSamplesPerSec);
        const auto data = Pattern(f.nAvgBytesPerSec / 3);
        WavFileWriter writer;
        ASSERT_EQ(writer.Create(PathOf("out.wav"), f), S_OK);
        EXPECT_TRUE(writer.IsOpen());
        // Blocks of uneven sizes, one of them empty, as an engine hands them over.
        std::size_t at = 0;
        for (std::size_t block : {std::size_t{1}, std::size_t{0}, std::size_t{333}, data.size()}) {
            block = std::min(block, data.size() - at);
            ASSERT_EQ(writer.Write(data.data() + at, block), S_OK);
            at += block;
        }
        EXPECT_EQ(writer.DataBytes(), data.size());
        ASSERT_EQ(writer.Finish(), S_OK);
        EXPECT_FALSE(writer.IsOpen());
        ExpectWav(dir / "out.wav", f, data);
    }
}

TEST_F(WavFileWriterTest, ReleasedWriterCompletesItsFile) {
    const WAVEFORMATEX f = MakePcmFormat(16000, 16, 1);
    const auto data = Pattern(3200);
    {
        WavFileWriter writer;
        ASSERT_EQ(writer.Create(PathOf("released.wav"), f), S_OK);
        ASSERT_EQ(writer.Write(data.data(), data.size()), S_OK);
    }
    ExpectWav(dir / "released.wav", f, data);

    // With no samples at all the file is still a complete, empty WAV.
    {
        WavFileWriter writer;
        ASSERT_EQ(writer.Create(PathOf("empty.wav"), f), S_OK);
    }
    ExpectWav(dir / "empty.wav", f, {});
}

TEST_F(WavFileWriterTest, CreateTruncatesAnExistingFileAndTakesUnicodePaths) {
    const std::u16string path = PathOf("r\u00e9sum\u00e9 \u65e5\u672c.wav");
    {
        std::ofstream old(ToUtf8(path), std::ios::binary);
        old << std::string(10000, 'x');
    }
    const WAVEFORMATEX f = MakePcmFormat(8000, 8, 1);
    const auto data = Pattern(100);
    WavFileWriter writer;
    ASSERT_EQ(writer.Create(path, f), S_OK);
    ASSERT_EQ(writer.Write(data.data(), data.size()), S_OK);
    ASSERT_EQ(writer.Finish(), S_OK);
    ExpectWav(fs::u8path(ToUtf8(path)), f, data);
}

TEST_F(WavFileWriterTest, DiscardLeavesNothingBehind) {
    const WAVEFORMATEX f = MakePcmFormat(22050, 16, 1);
    const auto data = Pattern(4410);
    WavFileWriter writer;
    ASSERT_EQ(writer.Create(PathOf("stopped.wav"), f), S_OK);
    ASSERT_EQ(writer.Write(data.data(), data.size()), S_OK);
    writer.Discard();
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_FALSE(fs::exists(dir / "stopped.wav"));
    EXPECT_EQ(writer.Write(data.data(), data.size()), E_UNEXPECTED);

    // A job that fails after the engine finished its file removes it too.
    ASSERT_EQ(writer.Create(PathOf("finished.wav"), f), S_OK);
    ASSERT_EQ(writer.Finish(), S_OK);
    writer.Discard();
    EXPECT_FALSE(fs::exists(dir / "finished.wav"));

    // The writer being destroyed afterwards recreates nothing.
    writer.Discard();
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(WavFileWriterTest, CreateReportsWhyItCannotWrite) {
    const WAVEFORMATEX f = MakePcmFormat(22050, 16, 1);
    WavFileWriter writer;
    EXPECT_EQ(writer.Create(PathOf("no/such/folder/out.wav"), f), STG_E_FILENOTFOUND);
    EXPECT_EQ(writer.Create(u"", f), STG_E_FILENOTFOUND);
    fs::create_directory(dir / "folder.wav");
    EXPECT_EQ(writer.Create(PathOf("folder.wav"), f), E_ACCESSDENIED);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(fs::is_directory(dir / "folder.wav"));

    // /dev/full takes the header no more than a full disk would; and being
    // no file of ours, discarding must leave the device alone.
    EXPECT_EQ(writer.Create(u"/dev/full", f), STG_E_MEDIUMFULL);
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_TRUE(fs::exists("/dev/full"));
}

TEST_F(WavFileWriterTest, FullDiskKeepsTheSamplesWrittenSoFar) {
    const fs::path mountPoint = dir / "small";
    fs::create_directory(mountPoint);
    if (mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small file system here";
    struct Unmount {
        const fs::path& at;
        ~Unmount() { umount(at.c_str()); }
    } unmount{mountPoint};

    const WAVEFORMATEX f = MakePcmFormat(22050, 16, 2);
    const auto block = Pattern(6000);
    WavFileWriter writer;
    ASSERT_EQ(writer.Create(FromUtf8((mountPoint / "full.wav").string()), f), S_OK);
    HRESULT hr = S_OK;
    std::uint64_t accepted = 0;
    for (int i = 0; i < 100 && hr == S_OK; ++i) {
        hr = writer.Write(block.data(), block.size());
        if (hr == S_OK)
            accepted += block.size();
    }
    ASSERT_EQ(hr, STG_E_MEDIUMFULL);
    // The file keeps the whole frames that reached the disk, no partial one:
    // finishing gives a consistent file.
    const std::uint64_t kept = writer.DataBytes();
    EXPECT_GT(kept, 0u);
    EXPECT_LE(kept, accepted + block.size());
    EXPECT_EQ(kept % f.nBlockAlign, 0u);
    ASSERT_EQ(writer.Finish(), S_OK);
    const auto bytes = ReadBytes(mountPoint / "full.wav");
    ASSERT_EQ(bytes.size(), 44 + kept);
    EXPECT_EQ(U32(bytes, 40), kept);
    writer.Discard();
    EXPECT_FALSE(fs::exists(mountPoint / "full.wav"));
}

TEST_F(WavFileWriterTest, StopsAtTheLargestSizeARiffHeaderHolds) {
    // /dev/null takes any amount at once, so the 4 GB limit is reached without
    // filling a disk.
    const WAVEFORMATEX f = MakePcmFormat(44100, 16, 2);
    const std::uint64_t max = WavFileWriter::MaxDataBytes(f);
    EXPECT_EQ(max % f.nBlockAlign, 0u);
    EXPECT_LE(max + 36, 0xFFFFFFFFull);
    EXPECT_GT(max + 36 + f.nBlockAlign, 0xFFFFFFFFull);

    WavFileWriter writer;
    ASSERT_EQ(writer.Create(u"/dev/null", f), S_OK);
    const std::vector<std::uint8_t> block(std::size_t{256} << 20);
    HRESULT hr = S_OK;
    while (hr == S_OK)
        hr = writer.Write(block.data(), block.size());
    EXPECT_EQ(hr, STG_E_MEDIUMFULL);
    EXPECT_EQ(writer.DataBytes(), max);
    EXPECT_EQ(writer.Write(block.data(), f.nBlockAlign), STG_E_MEDIUMFULL);
    EXPECT_EQ(writer.DataBytes(), max);
    EXPECT_EQ(writer.Finish(), S_OK);
    writer.Discard();
    EXPECT_TRUE(fs::exists("/dev/null"));
}
