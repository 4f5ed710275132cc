#include "platform/com/com.h"
#include "platform/sapi5/sapi5.h"

namespace {
constexpr DWORD kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
}

HRESULT SpConvertStreamFormatEnum(SPSTREAMFORMAT format, GUID* formatId,
                                  WAVEFORMATEX** coMemWaveFormat) {
    if (!formatId || !coMemWaveFormat)
        return E_POINTER;
    *coMemWaveFormat = nullptr;
    *formatId = GUID_NULL;
    if (format < SPSF_8kHz8BitMono || format > SPSF_48kHz16BitStereo)
        return E_INVALIDARG;

    // The PCM values run through the rates in steps of four: mono and stereo
    // at 8 bits, then mono and stereo at 16 bits.
    int i = format - SPSF_8kHz8BitMono;
    WORD channels = static_cast<WORD>(1 + (i & 1));
    WORD bits = (i & 2) ? 16 : 8;
    DWORD rate = kRates[i >> 2];

    auto* wfx = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    if (!wfx)
        return E_OUTOFMEMORY;
    *wfx = MakePcmFormat(rate, bits, channels);
    *formatId = SPDFID_WaveFormatEx;
    *coMemWaveFormat = wfx;
    return S_OK;
}
