#include "src/audio/AudioFileException.h"
#include "src/audio/Conversion.h"
#include "src/audio/Mp3Encoder.h"
#include "src/audio/WavFileReader.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"

#include <memory>
#include <new>

namespace {

int Convert(WavFileReader& reader, Mp3Encoder& encoder, const std::u16string& wavPath,
            const std::u16string& mp3Path, int bitrateKbps, int quality, bool vbr,
            const std::atomic<bool>* abandon) {
    if (!reader.open(wavPath))
        return 0;
    if (!encoder.loadLibrary()) {
        AfxMessageBox(IDS_MP3_INIT, MB_ICONERROR);
        return 0;
    }
    if (!encoder.openStream(&reader.format, bitrateKbps, quality, vbr, mp3Path))
        return 0;

    // Reads of exactly what the library takes per call keep every encode
    // call but the last one full.
    const std::uint32_t chunk = encoder.chunkBytes();
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[chunk + 1]);
    if (!buffer) {
        AfxMessageBox(IDS_OUT_OF_MEMORY, MB_ICONERROR);
        return 0;
    }
    while (std::uint32_t bytes = reader.read(buffer.get(), chunk)) {
        if (abandon && abandon->load())
            return 0;
        if (!encoder.encodeChunk(buffer.get(), bytes))
            return 0;
    }
    // A read error (already shown) cut the audio short: the file would be
    // missing its end, so it is not a success.
    if (reader.failed())
        return 0;
    if (!encoder.closeStream())
        return 0;
    encoder.unloadLibrary();
    return 1;
}

} // namespace

int convertWavToMp3(const std::u16string& wavPath, const std::u16string& mp3Path, int bitrateKbps,
                    int quality, bool vbr, ConversionControl* control) {
    WavFileReader reader;
    Mp3Encoder encoder;
    int result = 0;
    try {
        result = Convert(reader, encoder, wavPath, mp3Path, bitrateKbps, quality, vbr,
                         control ? control->abandon : nullptr);
    } catch (const std::bad_alloc&) {
        AfxMessageBox(IDS_OUT_OF_MEMORY, MB_ICONERROR);
    } catch (const AudioFileException&) {
        AfxMessageBox(IDS_WAV_READ, MB_ICONERROR);
    } catch (...) {
        AfxMessageBox(IDS_UNKNOWN_EXCEPTION, MB_ICONERROR);
    }
    if (control)
        control->outputTouched = encoder.outputCreated();
    return result;
}
