// Where one piece of a chapter meets the next in the assembled book: no gap
// or overlap longer than a codec frame, no click, and each piece's audio
// where the assembly says it starts.

#include "platform/audio/mmreg.h"
#include "src/audiobook/Assembler.h"
#include "src/audiobook/PieceEncoder.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/ScratchFolder.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kAmplitude = 0.4;
// A period of the tone, in samples at any rate: the tone starts and stops at
// a zero crossing, so that the pieces themselves hold no step.
constexpr int kPeriod = 50;

// A piece as a voice writes one: `lead` samples of silence, a tone of
// `periods` periods, and the silence that ends a paragraph. Returns its length.
std::int64_t WriteTonePiece(const std::string& path, const WAVEFORMATEX& format, int lead,
                            int periods, double trailSeconds) {
    const int tone = periods * kPeriod;
    const auto trail = static_cast<int>(trailSeconds * format.nSamplesPerSec);
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < lead + tone + trail; ++i) {
        const double value = i >= lead && i < lead + tone
                                 ? kAmplitude * std::sin(2 * kPi * (i - lead) / kPeriod)
                                 : 0.0;
        const auto sample = static_cast<std::int16_t>(std::lround(32767 * value));
        for (int c = 0; c < format.nChannels; ++c) {
            bytes.push_back(static_cast<std::uint8_t>(sample & 0xFF));
            bytes.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
        }
    }
    WriteWavFile(path, format, bytes);
    return lead + tone + trail;
}

// The file's audio as ffmpeg decodes it, mixed to mono, full scale 1.0.
std::vector<double> DecodeMono(const std::filesystem::path& file) {
    const std::string command = "ffmpeg -v error -i '" + file.string() + "' -f s16le -ac 1 -";
    std::vector<double> samples;
    FILE* pipe = popen(command.c_str(), "r");
    std::int16_t sample;
    while (pipe && fread(&sample, sizeof sample, 1, pipe) == 1)
        samples.push_back(sample / 32768.0);
    if (pipe)
        pclose(pipe);
    return samples;
}

// The first sample from `from` on at half the tone's amplitude: the tone's
// fourth sample (sin reaches 1/2 after 50/12 samples) at the book's rate.
std::int64_t Onset(const std::vector<double>& samples, std::int64_t from) {
    for (auto i = static_cast<std::size_t>(std::max<std::int64_t>(from, 0)); i < samples.size();
         ++i)
        if (std::abs(samples[i]) > kAmplitude / 2)
            return static_cast<std::int64_t>(i);
    return -1;
}

struct SeamCase {
    AudiobookFormat format;
    int rate, channels;
    int frame; // samples per codec frame at the book's rate
    // The silence before and after each piece's sound, as the voices leave
    // it: espeak-ng at 22 kHz, flite at 8 and 16 kHz, or plenty of it.
    double lead, trail;
    int pauseMs = 0; // the pause each piece is to end with, at least
};

class PieceSeamTest : public ::testing::Test {
protected:
    ScratchFolder folder;
};

TEST_F(PieceSeamTest, PiecesOfAChapterJoinWithinAFrameWithoutAClick) {
    const SeamCase cases[] = {
        {AudiobookFormat::Mp3, 22050, 1, 576, 0.012, 0.056},
        {AudiobookFormat::Mp3, 16000, 1, 576, 0.15, 0.1},
        {AudiobookFormat::Mp3, 8000, 1, 576, 0.083, 0.029}, // at 16 kHz
        {AudiobookFormat::Mp3, 44100, 2, 1152, 0.01, 0.3},
        {AudiobookFormat::M4b, 22050, 1, 1024, 0.012, 0.056},
        {AudiobookFormat::M4b, 8000, 2, 1024, 0.083, 0.029}, // at 16 kHz
        {AudiobookFormat::Opus, 22050, 1, 960, 0.012, 0.056},
        {AudiobookFormat::Flac, 22050, 1, 4608, 0.012, 0.056},
        {AudiobookFormat::Wav, 16000, 2, 1, 0.012, 0.056},
        // A paragraph's pause after the voice's short trailing silence.
        {AudiobookFormat::Mp3, 22050, 1, 576, 0.012, 0.056, 600},
        {AudiobookFormat::M4b, 22050, 1, 1024, 0.012, 0.056, 600},
        {AudiobookFormat::Opus, 22050, 1, 960, 0.012, 0.056, 600},
        {AudiobookFormat::Flac, 22050, 1, 4608, 0.012, 0.3, 600},
    };
    for (const SeamCase& c : cases) {
        const std::string name =
            ExtensionOf(c.format) + std::to_string(c.rate) + "p" + std::to_string(c.pauseMs);
        SCOPED_TRACE(name);
        const WAVEFORMATEX pcm = MakePcmFormat(c.rate, 16, c.channels);
        // Pieces of a few hundred milliseconds, no two of a length, so
        // that no two meet the codec's frames alike.
        const int periods[] = {150, 97, 123};
        const auto lead = static_cast<int>(c.lead * c.rate);
        AudiobookChapter chapter{"One", {}};
        std::vector<std::int64_t> lengths, toneStarts;
        for (int i = 0; i < 3; ++i) {
            const std::string wav = (folder / (name + std::to_string(i) + ".wav")).string();
            const std::string piece = (folder / (name + std::to_string(i) + ".piece")).string();
            const std::int64_t sound = lead + periods[i] * kPeriod;
            lengths.push_back(std::max(WriteTonePiece(wav, pcm, lead, periods[i], c.trail),
                                       sound + std::int64_t{c.pauseMs} * c.rate / 1000));
            toneStarts.push_back(lead);
            ASSERT_EQ(EncodePiece(wav, {c.format, 0, c.pauseMs}, piece), "");
            chapter.piecePaths.push_back(piece);
        }
        const auto book = folder / ("book" + name + ExtensionOf(c.format));
        const AssemblyResult result = AssembleAudiobook({chapter}, {}, {c.format, 0}, book);
        ASSERT_EQ(result.error, "");
        ASSERT_EQ(result.pieceStarts.size(), 3u);

        const DecodedAudio probe = DecodeAudioFile(book);
        const std::vector<double> samples = DecodeMono(book);
        ASSERT_GT(probe.sampleRate, 0);
        const double scale = static_cast<double>(probe.sampleRate) / c.rate;
        std::int64_t previous = -1;
        for (int i = 0; i < 3; ++i) {
            SCOPED_TRACE("piece " + std::to_string(i));
            const double expected =
                result.pieceStarts[i] * probe.sampleRate + toneStarts[i] * scale + 4 * scale;
            const std::int64_t onset =
                Onset(samples, static_cast<std::int64_t>(expected - 0.02 * probe.sampleRate));
            ASSERT_GE(onset, 0);
            EXPECT_NEAR(onset, expected, 0.003 * probe.sampleRate);
            if (previous >= 0) {
                // Gapless, the tone would start a piece's length after the last.
                const double gap = static_cast<double>(onset - previous) -
                                   (lengths[i - 1] - toneStarts[i - 1] + toneStarts[i]) * scale;
                // Whole frames as near the WAV's length as they come.
                EXPECT_LE(std::abs(gap), c.frame / 2 + 0.001 * probe.sampleRate);
            }
            previous = onset;
        }
        // The tone's largest step, with room for the codec's noise.
        const double toneStep = kAmplitude * 2 * kPi / kPeriod / scale * 1.25 + 0.01;
        double step = 0;
        for (std::size_t i = 1; i < samples.size(); ++i)
            step = std::max(step, std::abs(samples[i] - samples[i - 1]));
        EXPECT_LE(step, toneStep);
    }
}

} // namespace
