#include "src/audio/AudioError.h"
#include "src/audio/Conversion.h"
#include "src/audio/ConversionSteps.h"
#include "src/audio/Mp3Encoder.h"
#include "src/audio/WavFileReader.h"
#include "src/resources/resource.h"

#include <memory>
#include <new>

namespace {

Result<> Convert(WavFileReader& reader, Mp3Encoder& encoder, const std::u16string& wavPath,
                 const std::u16string& mp3Path, int bitrateKbps, int quality, bool vbr,
                 const std::atomic<bool>* abandon) {
    if (Result<> opened = reader.open(wavPath); !opened)
        return opened;
    if (!encoder.loadLibrary())
        return AudioError(IDS_MP3_INIT);
    if (Result<> opened = encoder.openStream(&reader.format, bitrateKbps, quality, vbr, mp3Path);
        !opened)
        return opened;

    // Reads of exactly what the library takes per call keep every encode
    // call but the last one full.
    const std::uint32_t chunk = encoder.chunkBytes();
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[chunk + 1]);
    if (!buffer)
        return AudioError(IDS_OUT_OF_MEMORY);
    const Result<> pumped = PumpWavChunks(reader, buffer.get(), chunk, abandon,
                                          [&encoder](const BYTE* data, std::uint32_t bytes) {
                                              return encoder.encodeChunk(data, bytes);
                                          });
    if (!pumped)
        return pumped;
    if (Result<> closed = encoder.closeStream(); !closed)
        return closed;
    encoder.unloadLibrary();
    return {};
}

} // namespace

Result<> convertWavToMp3(const std::u16string& wavPath, const std::u16string& mp3Path,
                         int bitrateKbps, int quality, bool vbr, ConversionControl* control) {
    WavFileReader reader;
    Mp3Encoder encoder;
    const Result<> result = CatchConversionFailure([&] {
        return Convert(reader, encoder, wavPath, mp3Path, bitrateKbps, quality, vbr,
                       control ? control->abandon : nullptr);
    });
    if (control)
        control->outputTouched = encoder.OutputCreated();
    return result;
}
