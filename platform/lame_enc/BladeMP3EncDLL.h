#pragma once
// The BladeEnc encoder interface of the LAME encoder library: the records and
// entry points a program finds in liblame_enc.so at run time. Records are
// byte-packed with the published layouts.

#include "platform/com/types.h"

#include <cstddef>

using BE_ERR = unsigned long;
using HBE_STREAM = unsigned long; // wide enough for a pointer on Linux
using PHBE_STREAM = HBE_STREAM*;

inline constexpr BE_ERR BE_ERR_SUCCESSFUL = 0x00000000;
inline constexpr BE_ERR BE_ERR_INVALID_FORMAT = 0x00000001;
inline constexpr BE_ERR BE_ERR_INVALID_FORMAT_PARAMETERS = 0x00000002;
inline constexpr BE_ERR BE_ERR_NO_MORE_HANDLES = 0x00000003;
inline constexpr BE_ERR BE_ERR_INVALID_HANDLE = 0x00000004;
inline constexpr BE_ERR BE_ERR_BUFFER_TOO_SMALL = 0x00000005;

inline constexpr DWORD BE_CONFIG_MP3 = 0;
inline constexpr DWORD BE_CONFIG_LAME = 256;

inline constexpr LONG BE_MP3_MODE_STEREO = 0;
inline constexpr LONG BE_MP3_MODE_JSTEREO = 1;
inline constexpr LONG BE_MP3_MODE_DUALCHANNEL = 2;
inline constexpr LONG BE_MP3_MODE_MONO = 3;

inline constexpr DWORD MPEG1 = 1;
inline constexpr DWORD MPEG2 = 0;

// The MPEG version whose layer III carries a sample rate as it is: MPEG1 for
// 32, 44.1 and 48 kHz, MPEG2 (with its 2.5 extension) for 8 to 24 kHz; -1
// for a rate MP3 cannot carry.
inline constexpr int MpegVersionOfRate(DWORD sampleRate) {
    switch (sampleRate) {
    case 8000:
    case 11025:
    case 12000:
    case 16000:
    case 22050:
    case 24000:
        return static_cast<int>(MPEG2);
    case 32000:
    case 44100:
    case 48000:
        return static_cast<int>(MPEG1);
    default:
        return -1;
    }
}

inline constexpr DWORD CURRENT_STRUCT_VERSION = 1;

inline constexpr int BE_MAX_HOMEPAGE = 128;

enum VBRMETHOD : INT {
    VBR_METHOD_NONE = -1,
    VBR_METHOD_DEFAULT = 0,
    VBR_METHOD_OLD = 1,
    VBR_METHOD_NEW = 2,
    VBR_METHOD_MTRH = 3,
    VBR_METHOD_ABR = 4
};

#pragma pack(push, 1)

// The LHV1 form of the configuration, for BE_CONFIG_LAME.
struct BE_CONFIG_LHV1 {
    DWORD dwStructVersion;
    DWORD dwStructSize;

    DWORD dwSampleRate;   // of the input
    DWORD dwReSampleRate; // of the output; 0 lets the encoder choose
    LONG nMode;           // BE_MP3_MODE_...
    DWORD dwBitrate;      // CBR bit rate, or the VBR minimum, in kbps
    DWORD dwMaxBitrate;   // VBR maximum in kbps; 0 for the encoder's
    LONG nPreset;
    DWORD dwMpegVersion; // MPEG1 or MPEG2
    DWORD dwPsyModel;
    DWORD dwEmphasis;

    BOOL bPrivate;
    BOOL bCRC;
    BOOL bCopyright;
    BOOL bOriginal;

    BOOL bWriteVBRHeader; // reserve the first frame for a Xing/LAME tag
    BOOL bEnableVBR;
    INT nVBRQuality; // 0 (best) to 9
    DWORD dwVbrAbr_bps;
    VBRMETHOD nVbrMethod;
    BOOL bNoRes;

    BOOL bStrictIso;
    // Low byte the quality 0 (best) to 9; taken only when the high byte
    // is its bitwise complement.
    WORD nQuality;

    BYTE btReserved[255 - 4 * sizeof(DWORD) - sizeof(WORD)];
};

struct BE_CONFIG {
    DWORD dwConfig; // BE_CONFIG_LAME: the LHV1 form below
    union {
        BE_CONFIG_LHV1 LHV1;
    } format;
};

struct BE_VERSION {
    BYTE byDLLMajorVersion;
    BYTE byDLLMinorVersion;
    BYTE byMajorVersion; // of the encoder engine
    BYTE byMinorVersion;
    BYTE byDay; // of the library's release
    BYTE byMonth;
    WORD wYear;
    char zHomepage[BE_MAX_HOMEPAGE + 1];
    BYTE byAlphaLevel;
    BYTE byBetaLevel;
    BYTE byMMXEnabled;
    BYTE btReserved[125];
};

#pragma pack(pop)

static_assert(sizeof(BE_CONFIG) == 331);
static_assert(sizeof(BE_VERSION) == 265);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwSampleRate) == 12);
static_assert(offsetof(BE_CONFIG, format.LHV1.dwMpegVersion) == 36);
static_assert(offsetof(BE_CONFIG, format.LHV1.bOriginal) == 60);
static_assert(offsetof(BE_CONFIG, format.LHV1.nVbrMethod) == 80);
static_assert(offsetof(BE_CONFIG, format.LHV1.nQuality) == 92);
static_assert(offsetof(BE_CONFIG, format.LHV1.btReserved) == 94);

// dwSamples: 16-bit samples per beEncodeChunk call, counted over all channels.
// dwBufferSize: bytes the caller's output buffer must hold.
typedef BE_ERR (*BEINITSTREAM)(BE_CONFIG* config, DWORD* dwSamples, DWORD* dwBufferSize,
                               PHBE_STREAM stream);
typedef BE_ERR (*BEENCODECHUNK)(HBE_STREAM stream, DWORD nSamples, short* samples, BYTE* output,
                                DWORD* outputBytes);
typedef BE_ERR (*BEDEINITSTREAM)(HBE_STREAM stream, BYTE* output, DWORD* outputBytes);
typedef BE_ERR (*BECLOSESTREAM)(HBE_STREAM stream);
typedef void (*BEVERSION)(BE_VERSION* version);
typedef BE_ERR (*BEWRITEVBRHEADER)(const char* mp3Path);
typedef BE_ERR (*BEWRITEINFOTAG)(HBE_STREAM stream, const char* mp3Path);

#define TEXT_BEINITSTREAM "beInitStream"
#define TEXT_BEENCODECHUNK "beEncodeChunk"
#define TEXT_BEDEINITSTREAM "beDeinitStream"
#define TEXT_BECLOSESTREAM "beCloseStream"
#define TEXT_BEVERSION "beVersion"
#define TEXT_BEWRITEVBRHEADER "beWriteVBRHeader"
#define TEXT_BEWRITEINFOTAG "beWriteInfoTag"

// What liblame_enc.so exports, with the types above.
extern "C" {
BE_ERR beInitStream(BE_CONFIG* config, DWORD* dwSamples, DWORD* dwBufferSize, PHBE_STREAM stream);
BE_ERR beEncodeChunk(HBE_STREAM stream, DWORD nSamples, short* samples, BYTE* output,
                     DWORD* outputBytes);
BE_ERR beDeinitStream(HBE_STREAM stream, BYTE* output, DWORD* outputBytes);
BE_ERR beCloseStream(HBE_STREAM stream);
void beVersion(BE_VERSION* version);
// The tag of the last stream closed with bWriteVBRHeader set, written into
// the first frame of its file; that stream's encoder is then freed.
BE_ERR beWriteVBRHeader(const char* mp3Path);
// The tag of an open stream written into its file; the stream is then
// closed, as by beCloseStream.
BE_ERR beWriteInfoTag(HBE_STREAM stream, const char* mp3Path);
}
