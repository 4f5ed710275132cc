// A finished piece cut short from outside (a disk error, a tool) reads as
// damaged in every format, naming the piece; a whole one reads clean.

#include "platform/audio/mmreg.h"
#include "src/audiobook/Assembler.h"
#include "src/audiobook/PieceEncoder.h"
#include "tests/support/DecodedAudio.h"
#include "tests/support/FileBytes.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(PieceDamageTest, EachFormatsPieceCutShortReadsAsDamaged) {
    ScratchFolder folder;
    const struct {
        AudiobookFormat format;
        int rate, channels;
    } cases[] = {
        {AudiobookFormat::M4b, 22050, 1},  {AudiobookFormat::Mp3, 8000, 1},
        {AudiobookFormat::Mp3, 44100, 2},  {AudiobookFormat::Opus, 22050, 1},
        {AudiobookFormat::Flac, 22050, 1}, {AudiobookFormat::Wav, 16000, 2},
    };
    for (const auto& c : cases) {
        const std::string name = ExtensionOf(c.format) + std::to_string(c.rate);
        SCOPED_TRACE(name);
        const WAVEFORMATEX pcm = MakePcmFormat(c.rate, 16, c.channels);
        const std::string wav = (folder / (name + ".wav")).string();
        // Sound up to its end: the lossy pieces give up some of the leading
        // silence, and say so in their tags.
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(0.1 * c.rate) * pcm.nBlockAlign);
        const std::vector<std::uint8_t> sound = MakeTestSignal(pcm, 1.5);
        bytes.insert(bytes.end(), sound.begin(), sound.end());
        WriteWavFile(wav, pcm, bytes);
        const std::string piece = (folder / (name + ".piece")).string();
        ASSERT_EQ(EncodePiece(wav, {c.format, 0}, piece), "");
        EXPECT_EQ(DamageOfPiece(piece, c.format), "");

        const std::string whole = ReadAll(piece);
        std::vector<std::size_t> cuts = {whole.size() / 5, whole.size() / 2, whole.size() * 9 / 10,
                                         whole.size() - 1};
        // An Ogg stream cut at a page's start still reads page by page.
        if (c.format == AudiobookFormat::Opus)
            cuts.push_back(whole.rfind("OggS"));
        for (std::size_t cut : cuts) {
            SCOPED_TRACE("cut at " + std::to_string(cut) + " of " + std::to_string(whole.size()));
            const std::string cutPiece = (folder / (name + "-cut.piece")).string();
            WriteAll(cutPiece, whole.substr(0, cut));
            const std::string damage = DamageOfPiece(cutPiece, c.format);
            EXPECT_NE(damage.find("the piece " + cutPiece + " is damaged"), std::string::npos)
                << damage;
        }
    }
}

} // namespace
