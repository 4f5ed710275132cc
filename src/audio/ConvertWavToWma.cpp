#include "src/audio/AudioError.h"
#include "src/audio/Conversion.h"
#include "src/audio/ConversionSteps.h"
#include "src/audio/WavFileReader.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/audio/WmaWriter.h"
#include "src/resources/resource.h"

#include <memory>
#include <new>

namespace {

// Feeds the WAV's sample data to the writer in one-second chunks, for a
// preprocessing pass or the writing pass.
Result<> PumpChunks(WavFileReader& reader, WmaWriter& writer, BYTE* buffer, std::uint32_t chunk,
                    bool preprocess, const std::atomic<bool>* abandon) {
    return PumpWavChunks(reader, buffer, chunk, abandon,
                         [&writer, preprocess](const BYTE* data, std::uint32_t bytes) {
                             return writer.writeChunk(data, bytes, preprocess);
                         });
}

Result<> Convert(WavFileReader& reader, WmaCodecCatalogue& catalogue, WmaWriter& writer,
                 const std::u16string& wavPath, const std::u16string& wmaPath, int codecIndex,
                 int formatIndex, const std::atomic<bool>* abandon) {
    if (Result<> opened = reader.open(wavPath); !opened)
        return opened;
    // One second of audio. A header that gives no rate would make every read
    // empty and an empty file pass for the whole speech.
    const std::uint32_t chunk = reader.format.nAvgBytesPerSec;
    if (chunk == 0)
        return AudioError(IDS_WAV_READ);
    if (!catalogue.enumerate())
        return AudioError(IDS_WMA_INIT);
    if (Result<> opened = writer.openWriter(&reader.format, codecIndex, formatIndex, wmaPath);
        !opened)
        return opened;

    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[std::size_t{chunk} + 1]);
    if (!buffer)
        return AudioError(IDS_OUT_OF_MEMORY);

    const bool vbr = writer.selectedFormat().mode != WmaEncodingMode::Cbr;
    for (std::uint32_t pass = 0; pass < writer.passCount(); ++pass) {
        if (vbr && FAILED(writer.beginPreprocessingPass()))
            return AudioError(IDS_WMA_BEGIN_PASS);
        if (Result<> pumped = PumpChunks(reader, writer, buffer.get(), chunk, true, abandon);
            !pumped)
            return pumped;
        if (vbr && FAILED(writer.endPreprocessingPass()))
            return AudioError(IDS_WMA_END_PASS);
        writer.RestartPass();
        if (Result<> rewound = reader.rewindToData(); !rewound)
            return rewound;
    }
    if (Result<> pumped = PumpChunks(reader, writer, buffer.get(), chunk, false, abandon); !pumped)
        return pumped;
    // The writer holds the last samples until EndWriting; if they cannot be
    // written (a full disk), the file is not complete.
    if (FAILED(writer.EndWriting()))
        return AudioError(IDS_WMA_WRITE_SAMPLE);
    writer.resetWriter();
    catalogue.close();
    return {};
}

} // namespace

Result<> convertWavToWma(const std::u16string& wavPath, const std::u16string& wmaPath,
                         int codecIndex, int formatIndex, ConversionControl* control) {
    WavFileReader reader;
    WmaCodecCatalogue catalogue;
    WmaWriter writer(catalogue);
    const Result<> result = CatchConversionFailure([&] {
        return Convert(reader, catalogue, writer, wavPath, wmaPath, codecIndex, formatIndex,
                       control ? control->abandon : nullptr);
    });
    if (control)
        control->outputTouched = writer.OutputOpened();
    return result;
}
