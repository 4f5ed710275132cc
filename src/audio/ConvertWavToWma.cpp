#include "src/audio/AudioFileException.h"
#include "src/audio/Conversion.h"
#include "src/audio/WavFileReader.h"
#include "src/audio/WmaCodecCatalogue.h"
#include "src/audio/WmaWriter.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"

#include <memory>
#include <new>

namespace {

int Fail(UINT id) {
    AfxMessageBox(id, MB_ICONERROR);
    return 0;
}

// Feeds the WAV's sample data to the writer in one-second chunks. False when
// a sample was refused (its message is shown) or the WAV could not be read to
// its end: a file missing the rest of the speech is no success.
bool PumpChunks(WavFileReader& reader, WmaWriter& writer, BYTE* buffer, std::uint32_t chunk,
                bool preprocess, const std::atomic<bool>* abandon) {
    for (;;) {
        std::uint32_t got = reader.read(buffer, chunk);
        if (got == 0)
            break;
        if (abandon && abandon->load())
            return false;
        HRESULT hr = writer.writeChunk(buffer, got, preprocess);
        if (FAILED(hr))
            return false;
        if (hr != S_OK)
            break;
    }
    return !reader.failed();
}

int Convert(WavFileReader& reader, WmaCodecCatalogue& catalogue, WmaWriter& writer,
            const std::u16string& wavPath, const std::u16string& wmaPath, int codecIndex,
            int formatIndex, const std::atomic<bool>* abandon) {
    if (!reader.open(wavPath))
        return 0;
    // One second of audio. A header that gives no rate would make every read
    // empty and an empty file pass for the whole speech.
    const std::uint32_t chunk = reader.format.nAvgBytesPerSec;
    if (chunk == 0)
        return Fail(IDS_WAV_READ);
    if (!catalogue.enumerate())
        return Fail(IDS_WMA_INIT);
    if (!writer.openWriter(&reader.format, codecIndex, formatIndex, wmaPath))
        return 0;

    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[std::size_t{chunk} + 1]);
    if (!buffer)
        return Fail(IDS_OUT_OF_MEMORY);

    const bool vbr = writer.selectedFormat().mode != WmaEncodingMode::Cbr;
    for (std::uint32_t pass = 0; pass < writer.passCount(); ++pass) {
        if (vbr && FAILED(writer.beginPreprocessingPass()))
            return Fail(IDS_WMA_BEGIN_PASS);
        if (!PumpChunks(reader, writer, buffer.get(), chunk, true, abandon))
            return 0;
        if (vbr && FAILED(writer.endPreprocessingPass()))
            return Fail(IDS_WMA_END_PASS);
        writer.restartPass();
        reader.rewindToData();
        if (reader.failed())
            return 0;
    }
    if (!PumpChunks(reader, writer, buffer.get(), chunk, false, abandon))
        return 0;
    // The writer holds the last samples until EndWriting; if they cannot be
    // written (a full disk), the file is not complete.
    if (FAILED(writer.endWriting()))
        return Fail(IDS_WMA_WRITE_SAMPLE);
    writer.resetWriter();
    catalogue.close();
    return 1;
}

} // namespace

int convertWavToWma(const std::u16string& wavPath, const std::u16string& wmaPath, int codecIndex,
                    int formatIndex, ConversionControl* control) {
    WavFileReader reader;
    WmaCodecCatalogue catalogue;
    WmaWriter writer(catalogue);
    int result = 0;
    try {
        result = Convert(reader, catalogue, writer, wavPath, wmaPath, codecIndex, formatIndex,
                         control ? control->abandon : nullptr);
    } catch (const std::bad_alloc&) {
        Fail(IDS_OUT_OF_MEMORY);
    } catch (const AudioFileException&) {
        Fail(IDS_WAV_READ);
    } catch (...) {
        Fail(IDS_UNKNOWN_EXCEPTION);
    }
    if (control)
        control->outputTouched = writer.outputOpened();
    return result;
}
