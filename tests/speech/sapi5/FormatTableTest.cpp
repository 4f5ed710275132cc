#include "platform/com/com.h"
#include "platform/sapi5/sapi5.h"
#include "src/speech/AudioFormatTable.h"

#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace {

// The rates of the Quality list's names, in the list's order.
constexpr DWORD kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
const char16_t* kRateNames[] = {u"8kHz",  u"11kHz", u"12kHz", u"16kHz", u"22kHz",
                                u"24kHz", u"32kHz", u"44kHz", u"48kHz"};

TEST(AudioFormatTable, RowsNameTheirFormats) {
    for (int i = 0; i < AudioFormatTable::kCount; ++i) {
        const AudioFormatRow& row = AudioFormatTable::Row(i);
        SCOPED_TRACE(i);
        WORD bits = (i % 4) >= 2 ? 16 : 8;
        WORD channels = (i % 2) ? 2 : 1;
        std::u16string name = std::u16string(kRateNames[i / 4]) +
                              (bits == 16 ? u" 16 Bit" : u" 8 Bit") +
                              (channels == 2 ? u" Stereo" : u" Mono");
        EXPECT_EQ(std::u16string(row.name), name);
        EXPECT_EQ(row.formatValue, i + 4);
        EXPECT_EQ(row.sampleRate, kRates[i / 4]);
        EXPECT_EQ(row.bits, bits);
        EXPECT_EQ(row.channels, channels);
    }
    EXPECT_EQ(std::u16string(AudioFormatTable::Row(AudioFormatTable::kDefaultIndex).name),
              u"22kHz 16 Bit Mono");
    EXPECT_THROW(AudioFormatTable::Row(-1), std::invalid_argument);
    EXPECT_THROW(AudioFormatTable::Row(36), std::invalid_argument);
}

TEST(AudioFormatTable, PositionsGiveFormatValues) {
    EXPECT_EQ(AudioFormatTable::FormatValueOfPosition(0), 4);
    EXPECT_EQ(AudioFormatTable::FormatValueOfPosition(35), 39);
    EXPECT_EQ(AudioFormatTable::FormatValueOfPosition(18), 22);
    // No selection: the default row.
    EXPECT_EQ(AudioFormatTable::FormatValueOfPosition(-1), AudioFormatTable::kDefaultFormat);
}

// Each row's format value converts to the rate, bits and channels the row
// names, with the derived fields of a PCM record.
TEST(SpConvertStreamFormatEnum, ConvertsEveryRowOfTheTable) {
    for (int i = 0; i < AudioFormatTable::kCount; ++i) {
        const AudioFormatRow& row = AudioFormatTable::Row(i);
        SCOPED_TRACE(row.formatValue);
        GUID id{};
        WAVEFORMATEX* wfx = nullptr;
        ASSERT_EQ(
            SpConvertStreamFormatEnum(static_cast<SPSTREAMFORMAT>(row.formatValue), &id, &wfx),
            S_OK);
        ASSERT_NE(wfx, nullptr);
        EXPECT_EQ(id, SPDFID_WaveFormatEx);
        EXPECT_EQ(wfx->wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(wfx->nSamplesPerSec, row.sampleRate);
        EXPECT_EQ(wfx->wBitsPerSample, row.bits);
        EXPECT_EQ(wfx->nChannels, row.channels);
        EXPECT_EQ(wfx->nBlockAlign, row.channels * row.bits / 8);
        EXPECT_EQ(wfx->nAvgBytesPerSec, row.sampleRate * wfx->nBlockAlign);
        EXPECT_EQ(wfx->cbSize, 0);
        CoTaskMemFree(wfx);
    }
}

TEST(SpConvertStreamFormatEnum, ChecksOfTheEdgeRows) {
    GUID id{};
    WAVEFORMATEX* wfx = nullptr;
    ASSERT_EQ(SpConvertStreamFormatEnum(SPSF_8kHz8BitMono, &id, &wfx), S_OK);
    EXPECT_EQ(wfx->nBlockAlign, 1);
    EXPECT_EQ(wfx->nAvgBytesPerSec, 8000u);
    CoTaskMemFree(wfx);
    ASSERT_EQ(SpConvertStreamFormatEnum(SPSF_48kHz16BitStereo, &id, &wfx), S_OK);
    EXPECT_EQ(wfx->nBlockAlign, 4);
    EXPECT_EQ(wfx->nAvgBytesPerSec, 192000u);
    CoTaskMemFree(wfx);
}

TEST(SpConvertStreamFormatEnum, RefusesWhatIsNotPcm) {
    for (int value : {-1, 0, 1, 2, 3, 40, 41, 1000}) {
        SCOPED_TRACE(value);
        GUID id = SPDFID_WaveFormatEx;
        auto* sentinel = reinterpret_cast<WAVEFORMATEX*>(0x1);
        WAVEFORMATEX* wfx = sentinel;
        EXPECT_EQ(SpConvertStreamFormatEnum(static_cast<SPSTREAMFORMAT>(value), &id, &wfx),
                  E_INVALIDARG);
        EXPECT_EQ(wfx, nullptr);
    }
}

} // namespace
