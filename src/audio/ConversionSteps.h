#pragma once
// What the MP3 and WMA conversions share: feeding the WAV's sample data to
// the encoder chunk by chunk, and the boundary at which anything a conversion
// throws becomes the message it shows.

#include "src/audio/AudioError.h"
#include "src/audio/AudioFileException.h"
#include "src/audio/WavFileReader.h"
#include "src/resources/resource.h"

#include <atomic>
#include <cstdint>
#include <new>

// Hands every chunk of up to `chunk` bytes to `encode(buffer, bytes)` until
// the data ends. A read error cuts the audio short: the file would be missing
// its end, so it is no success. A given-up worker ends the loop at the next
// chunk, with a message that shows no box.
template <class Encode>
Result<> PumpWavChunks(WavFileReader& reader, BYTE* buffer, std::uint32_t chunk,
                       const std::atomic<bool>* abandon, Encode&& encode) {
    for (;;) {
        Result<std::uint32_t> bytes = reader.read(buffer, chunk);
        if (!bytes)
            return bytes.Message();
        if (*bytes == 0)
            return {};
        if (abandon && abandon->load())
            return UserMessage{};
        if (Result<> encoded = encode(buffer, *bytes); !encoded)
            return encoded;
    }
}

// Runs `convert`; what it throws becomes its message.
template <class Convert> Result<> CatchConversionFailure(Convert&& convert) {
    try {
        return convert();
    } catch (const std::bad_alloc&) {
        return AudioError(IDS_OUT_OF_MEMORY);
    } catch (const AudioFileException&) {
        return AudioError(IDS_WAV_READ);
    } catch (...) {
        return AudioError(IDS_UNKNOWN_EXCEPTION);
    }
}
