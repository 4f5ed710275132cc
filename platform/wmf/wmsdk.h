#pragma once
// The Windows Media Format interfaces the program writes WMA files through:
// the profile manager with its codec information, profiles and stream
// configurations, the writer with its inputs, preprocessing and sample buffers.
// The runtime behind them encodes with FFmpeg and writes ASF files.

#include "platform/com/types.h"
#include "platform/com/unknown.h"

// Interface ids, as published.
inline constexpr IID IID_IWMProfileManager = {
    0xd16679f2, 0x6ca0, 0x472d, {0x8d, 0x31, 0x2f, 0x5d, 0x55, 0xae, 0xe1, 0x55}};
inline constexpr IID IID_IWMProfileManager2 = {
    0x7a924e51, 0x73c1, 0x494d, {0x80, 0x19, 0x23, 0xd3, 0x7e, 0xd9, 0xb8, 0x9a}};
inline constexpr IID IID_IWMCodecInfo = {
    0xa970f41e, 0x34de, 0x4a98, {0xb3, 0xba, 0xe4, 0xb3, 0xca, 0x75, 0x28, 0xf0}};
inline constexpr IID IID_IWMCodecInfo2 = {
    0xaa65e273, 0xb686, 0x4056, {0x91, 0xec, 0xdd, 0x76, 0x8d, 0x4d, 0xf7, 0x10}};
inline constexpr IID IID_IWMCodecInfo3 = {
    0x7e51f487, 0x4d93, 0x4f98, {0x8a, 0xb4, 0x27, 0xd0, 0x56, 0x5a, 0xdc, 0x51}};
inline constexpr IID IID_IWMProfile = {
    0x96406bdb, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline constexpr IID IID_IWMStreamConfig = {
    0x96406bdc, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline constexpr IID IID_IWMMediaProps = {
    0x96406bce, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline constexpr IID IID_IWMInputMediaProps = {
    0x96406bd5, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline constexpr IID IID_IWMWriter = {
    0x96406bd4, 0x2b2b, 0x11d3, {0xb3, 0x6b, 0x00, 0xc0, 0x4f, 0x61, 0x08, 0xff}};
inline constexpr IID IID_IWMWriterPreprocess = {
    0xfc54a285, 0x38c4, 0x45b5, {0xaa, 0x23, 0x85, 0xb9, 0xf7, 0xcb, 0x42, 0x4b}};
inline constexpr IID IID_INSSBuffer = {
    0xe1cd3524, 0x03d7, 0x11d2, {0x9e, 0xed, 0x00, 0x60, 0x97, 0xd2, 0xd7, 0xcf}};

// The runtime's classes behind the two entry points; tests replace them.
inline constexpr CLSID CLSID_WMProfileManager = {
    0x5a1c3e40, 0x8b1e, 0x4d6b, {0x9a, 0x51, 0x0c, 0x3e, 0x61, 0x7a, 0x20, 0x01}};
inline constexpr CLSID CLSID_WMWriter = {
    0x5a1c3e40, 0x8b1e, 0x4d6b, {0x9a, 0x51, 0x0c, 0x3e, 0x61, 0x7a, 0x20, 0x02}};

// Media types and format blocks.
inline constexpr GUID WMMEDIATYPE_Audio = {
    0x73647561, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr GUID WMMEDIASUBTYPE_PCM = {
    0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
inline constexpr GUID WMFORMAT_WaveFormatEx = {
    0x05589f81, 0xc356, 0x11ce, {0xbf, 0x01, 0x00, 0xaa, 0x00, 0x55, 0x59, 0x5a}};

// Audio subtypes are the wave format tag in the first field of this base.
constexpr GUID WaveFormatSubtype(WORD formatTag) {
    GUID subtype = WMMEDIASUBTYPE_PCM;
    subtype.Data1 = formatTag;
    return subtype;
}

inline constexpr WORD WAVE_FORMAT_WMAUDIO1 = 0x0160;
inline constexpr WORD WAVE_FORMAT_WMAUDIO2 = 0x0161;

using WMT_VERSION = DWORD;
inline constexpr WMT_VERSION WMT_VER_4_0 = 0x00040000;
inline constexpr WMT_VERSION WMT_VER_7_0 = 0x00070000;
inline constexpr WMT_VERSION WMT_VER_8_0 = 0x00080000;
inline constexpr WMT_VERSION WMT_VER_9_0 = 0x00090000;

enum WMT_ATTR_DATATYPE : DWORD {
    WMT_TYPE_DWORD = 0,
    WMT_TYPE_STRING = 1,
    WMT_TYPE_BINARY = 2,
    WMT_TYPE_BOOL = 3,
    WMT_TYPE_QWORD = 4,
    WMT_TYPE_WORD = 5,
    WMT_TYPE_GUID = 6,
};

// Codec enumeration settings of IWMCodecInfo3.
inline constexpr WCHAR g_wszVBREnabled[] = u"_VBRENABLED";
inline constexpr WCHAR g_wszNumPasses[] = u"_PASSESUSED";

// Result codes of the runtime.
inline constexpr HRESULT NS_E_INVALID_REQUEST = MakeHresult(0xC00D002B);
inline constexpr HRESULT NS_E_INVALID_INPUT_FORMAT = MakeHresult(0xC00D0BB8);
inline constexpr HRESULT NS_E_INVALID_OUTPUT_FORMAT = MakeHresult(0xC00D0BB9);
inline constexpr HRESULT NS_E_INVALID_STREAM = MakeHresult(0xC00D0BC0);
inline constexpr HRESULT NS_E_UNSUPPORTED_PROPERTY = MakeHresult(0xC00D0BCD);
inline constexpr HRESULT NS_E_INVALID_NUM_PASSES = MakeHresult(0xC00D0BD6);
inline constexpr HRESULT NS_E_FILE_OPEN_FAILED = MakeHresult(0xC00D001A);
inline constexpr HRESULT NS_E_FILE_WRITE = MakeHresult(0xC00D001B);
inline constexpr HRESULT NS_E_AUDIO_CODEC_ERROR = MakeHresult(0xC00D0BDD);
inline constexpr HRESULT ASF_E_BUFFERTOOSMALL = MakeHresult(0xC00D07F0);
// A full disk, as the file system reports it (ERROR_DISK_FULL).
inline constexpr HRESULT HRESULT_DISK_FULL = MakeHresult(0x80070070);

struct WM_MEDIA_TYPE {
    GUID majortype;
    GUID subtype;
    BOOL bFixedSizeSamples;
    BOOL bTemporalCompression;
    ULONG lSampleSize;
    GUID formattype;
    IUnknown* pUnk;
    ULONG cbFormat;
    BYTE* pbFormat;
};

struct INSSBuffer : IUnknown {
    static constexpr const IID& iid = IID_INSSBuffer;
    virtual HRESULT GetLength(DWORD* length) = 0;
    virtual HRESULT SetLength(DWORD length) = 0;
    virtual HRESULT GetMaxLength(DWORD* length) = 0;
    virtual HRESULT GetBuffer(BYTE** buffer) = 0;
    virtual HRESULT GetBufferAndLength(BYTE** buffer, DWORD* length) = 0;
};

// The media type of a stream or an input. GetMediaType without a buffer gives
// the size it needs: the record followed by its format block.
struct IWMMediaProps : IUnknown {
    static constexpr const IID& iid = IID_IWMMediaProps;
    virtual HRESULT GetType(GUID* type) = 0;
    virtual HRESULT GetMediaType(WM_MEDIA_TYPE* type, DWORD* typeSize) = 0;
    virtual HRESULT SetMediaType(WM_MEDIA_TYPE* type) = 0;
};

struct IWMInputMediaProps : IWMMediaProps {
    static constexpr const IID& iid = IID_IWMInputMediaProps;
};

struct IWMStreamConfig : IUnknown {
    static constexpr const IID& iid = IID_IWMStreamConfig;
    virtual HRESULT GetStreamType(GUID* type) = 0;
    virtual HRESULT GetStreamNumber(WORD* number) = 0;
    virtual HRESULT SetStreamNumber(WORD number) = 0;
    virtual HRESULT GetBitrate(DWORD* bitsPerSecond) = 0;
};

struct IWMProfile : IUnknown {
    static constexpr const IID& iid = IID_IWMProfile;
    virtual HRESULT GetVersion(WMT_VERSION* version) = 0;
    virtual HRESULT GetStreamCount(DWORD* count) = 0;
    virtual HRESULT GetStream(DWORD index, IWMStreamConfig** config) = 0;
    virtual HRESULT AddStream(IWMStreamConfig* config) = 0;
};

struct IWMProfileManager : IUnknown {
    static constexpr const IID& iid = IID_IWMProfileManager;
    virtual HRESULT CreateEmptyProfile(WMT_VERSION version, IWMProfile** profile) = 0;
};

struct IWMProfileManager2 : IWMProfileManager {
    static constexpr const IID& iid = IID_IWMProfileManager2;
    virtual HRESULT GetSystemProfileVersion(WMT_VERSION* version) = 0;
    virtual HRESULT SetSystemProfileVersion(WMT_VERSION version) = 0;
};

struct IWMCodecInfo : IUnknown {
    static constexpr const IID& iid = IID_IWMCodecInfo;
    virtual HRESULT GetCodecInfoCount(REFGUID mediaType, DWORD* codecs) = 0;
    virtual HRESULT GetCodecFormatCount(REFGUID mediaType, DWORD codecIndex, DWORD* formats) = 0;
    virtual HRESULT GetCodecFormat(REFGUID mediaType, DWORD codecIndex, DWORD formatIndex,
                                   IWMStreamConfig** config) = 0;
};

// Names and descriptions: without a buffer, *length receives the characters
// needed including the terminating zero.
struct IWMCodecInfo2 : IWMCodecInfo {
    static constexpr const IID& iid = IID_IWMCodecInfo2;
    virtual HRESULT GetCodecName(REFGUID mediaType, DWORD codecIndex, WCHAR* name,
                                 DWORD* length) = 0;
    virtual HRESULT GetCodecFormatDesc(REFGUID mediaType, DWORD codecIndex, DWORD formatIndex,
                                       IWMStreamConfig** config, WCHAR* description,
                                       DWORD* length) = 0;
};

// The enumeration settings select which of a codec's formats the other calls
// list (CBR, or VBR with a number of passes).
struct IWMCodecInfo3 : IWMCodecInfo2 {
    static constexpr const IID& iid = IID_IWMCodecInfo3;
    virtual HRESULT SetCodecEnumerationSetting(REFGUID mediaType, DWORD codecIndex, LPCWSTR name,
                                               WMT_ATTR_DATATYPE type, const BYTE* value,
                                               DWORD size) = 0;
};

struct IWMWriter : IUnknown {
    static constexpr const IID& iid = IID_IWMWriter;
    virtual HRESULT SetProfile(IWMProfile* profile) = 0;
    virtual HRESULT SetOutputFilename(LPCWSTR fileName) = 0;
    virtual HRESULT GetInputCount(DWORD* inputs) = 0;
    virtual HRESULT GetInputProps(DWORD inputNumber, IWMInputMediaProps** props) = 0;
    virtual HRESULT SetInputProps(DWORD inputNumber, IWMInputMediaProps* props) = 0;
    virtual HRESULT BeginWriting() = 0;
    virtual HRESULT EndWriting() = 0;
    virtual HRESULT AllocateSample(DWORD size, INSSBuffer** sample) = 0;
    // sampleTime in units of 100 ns; flags are the published WM_SF_ values.
    virtual HRESULT WriteSample(DWORD inputNumber, QWORD sampleTime, DWORD flags,
                                INSSBuffer* sample) = 0;
};

struct IWMWriterPreprocess : IUnknown {
    static constexpr const IID& iid = IID_IWMWriterPreprocess;
    virtual HRESULT GetMaxPreprocessingPasses(DWORD inputNumber, DWORD flags, DWORD* passes) = 0;
    virtual HRESULT SetNumPreprocessingPasses(DWORD inputNumber, DWORD flags, DWORD passes) = 0;
    virtual HRESULT BeginPreprocessingPass(DWORD inputNumber, DWORD flags) = 0;
    virtual HRESULT PreprocessSample(DWORD inputNumber, QWORD sampleTime, DWORD flags,
                                     INSSBuffer* sample) = 0;
    virtual HRESULT EndPreprocessingPass(DWORD inputNumber, DWORD flags) = 0;
};

// The runtime's entry points. Both create their object through the class
// registry, so COM must be initialised on the calling thread.
HRESULT WMCreateProfileManager(IWMProfileManager** manager);
HRESULT WMCreateWriter(IUnknown* certificate, IWMWriter** writer);

// Registers the runtime's classes (profile manager, writer) over FFmpeg, in
// this program's image (vl_wmf_runtime).
void RegisterWmfRuntime();
// Registers the same classes as served by the runtime's own module, which is
// loaded, with FFmpeg, when a profile manager or writer is first created.
void RegisterWmfRuntimeModule();
