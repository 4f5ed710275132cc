#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "platform/sapi5/sapi5.h"
#include "tests/support/ComApartment.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavProbe.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class SpStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterSapi5Runtime();
        ASSERT_EQ(CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL, IID_ISpStream,
                                   reinterpret_cast<void**>(&stream)),
                  S_OK);
    }
    void TearDown() override { SafeRelease(stream); }
    HRESULT Bind(const fs::path& path, const WAVEFORMATEX& format,
                 SPFILEMODE mode = SPFM_CREATE_ALWAYS) {
        return stream->BindToFile(FromUtf8(path.string()).c_str(), mode, &SPDFID_WaveFormatEx,
                                  &format, 0);
    }

    ISpStream* stream = nullptr;
    ComApartment com;
    ScratchFolder scratch;
    fs::path dir = scratch.Path();
};

TEST_F(SpStreamTest, RefusesFormatsAndPathsItCannotWrite) {
    const fs::path path = dir / "x.wav";
    EXPECT_EQ(Bind(path, MakePcmFormat(96000, 16, 2)), SPERR_UNSUPPORTED_FORMAT);
    EXPECT_EQ(Bind(path, MakePcmFormat(22050, 24, 1)), SPERR_UNSUPPORTED_FORMAT);
    WAVEFORMATEX inconsistent = MakePcmFormat(22050, 16, 2);
    inconsistent.nBlockAlign = 3;
    EXPECT_EQ(Bind(path, inconsistent), SPERR_UNSUPPORTED_FORMAT);
    const WAVEFORMATEX pcm = MakePcmFormat(22050, 16, 1);
    EXPECT_EQ(stream->BindToFile(FromUtf8(path.string()).c_str(), SPFM_CREATE_ALWAYS, &GUID_NULL,
                                 &pcm, 0),
              E_INVALIDARG);
    EXPECT_EQ(Bind(path, pcm, SPFM_OPEN_READONLY), E_NOTIMPL);
    EXPECT_TRUE(FAILED(Bind(dir / "missing" / "x.wav", pcm)));
    EXPECT_FALSE(fs::exists(path));

    GUID id{};
    WAVEFORMATEX* format = nullptr;
    EXPECT_EQ(stream->GetFormat(&id, &format), SPERR_UNINITIALIZED);
    EXPECT_EQ(stream->Write("ab", 2, nullptr), SPERR_UNINITIALIZED);
}

TEST_F(SpStreamTest, WritesACompleteWavWhenClosed) {
    const fs::path path = dir / "x.wav";
    const WAVEFORMATEX format = MakePcmFormat(8000, 8, 2);
    ASSERT_EQ(Bind(path, format), S_OK);
    EXPECT_EQ(Bind(path, format), SPERR_ALREADY_INITIALIZED);
    GUID id{};
    WAVEFORMATEX* bound = nullptr;
    ASSERT_EQ(stream->GetFormat(&id, &bound), S_OK);
    EXPECT_EQ(id, SPDFID_WaveFormatEx);
    EXPECT_EQ(bound->nSamplesPerSec, 8000u);
    EXPECT_EQ(bound->nChannels, 2);
    CoTaskMemFree(bound);

    const std::uint8_t samples[] = {128, 128, 200, 60, 255, 0};
    ULONG written = 0;
    ASSERT_EQ(stream->Write(samples, sizeof samples, &written), S_OK);
    EXPECT_EQ(written, sizeof samples);
    ASSERT_EQ(stream->Close(), S_OK);
    EXPECT_EQ(stream->Write(samples, sizeof samples, &written), SPERR_STREAM_CLOSED);

    auto wav = ReadWav(path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->data, std::vector<std::uint8_t>(samples, samples + sizeof samples));
    EXPECT_EQ(wav->riffSize, wav->fileSize - 8);
    EXPECT_EQ(wav->format.nBlockAlign, 2);
}

TEST_F(SpStreamTest, SpfmCreateKeepsAnExistingFile) {
    const fs::path path = dir / "existing.wav";
    { std::ofstream(path) << "keep me"; }
    EXPECT_EQ(Bind(path, MakePcmFormat(8000, 8, 1), SPFM_CREATE), E_ACCESSDENIED);
    EXPECT_EQ(fs::file_size(path), 7u);
}

} // namespace
