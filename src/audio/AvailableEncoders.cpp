#include "src/audio/AvailableEncoders.h"

#include "src/audio/Mp3Encoder.h"
#include "src/audio/WmaCodecCatalogue.h"

AvailableEncoders AvailableEncoders::Of(const Mp3Encoder& mp3, const WmaCodecCatalogue& wma) {
    AvailableEncoders available;
    available.mp3 = mp3.isLoaded();
    // A catalogue that is not enumerated is not read at all, whatever it holds.
    available.wma = wma.enumerated();
    if (available.wma)
        available.wmaCodecs = wma.codecs();
    return available;
}
