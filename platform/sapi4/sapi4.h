#pragma once
// SAPI 4 text-to-speech: the mode description, the engine, enumerator and
// finder interfaces, the audio destinations and the notification sink, with
// their published layouts and values. The runtime behind them speaks with
// flite; RegisterSapi4Runtime installs its classes.

#include "platform/com/types.h"
#include "platform/com/unknown.h"

inline constexpr int TTSI_NAMELEN = 262;
inline constexpr int LANG_LEN = 64;

struct LANGUAGEW {
    LANGID LanguageID;
    WCHAR szDialect[LANG_LEN];
};

struct TTSMODEINFOW {
    GUID gEngineID;
    WCHAR szMfgName[TTSI_NAMELEN];
    WCHAR szProductName[TTSI_NAMELEN];
    GUID gModeID;
    WCHAR szModeName[TTSI_NAMELEN];
    LANGUAGEW language;
    WCHAR szSpeaker[TTSI_NAMELEN];
    WCHAR szStyle[TTSI_NAMELEN];
    WORD wGender;
    WORD wAge;
    DWORD dwFeatures;
    DWORD dwInterfaces;
    DWORD dwEngineFeatures;
};
using PTTSMODEINFOW = TTSMODEINFOW*;

// Weights of a ranked search; Find takes none from this program.
struct TTSMODEINFORANK {
    DWORD dwEngineID;
    DWORD dwMfgName;
    DWORD dwProductName;
    DWORD dwModeID;
    DWORD dwModeName;
    DWORD dwLanguage;
    DWORD dwDialect;
    DWORD dwSpeaker;
    DWORD dwStyle;
    DWORD dwGender;
    DWORD dwAge;
    DWORD dwFeatures;
    DWORD dwInterfaces;
    DWORD dwEngineFeatures;
};
using PTTSMODEINFORANK = TTSMODEINFORANK*;

inline constexpr DWORD TTSFEATURE_VOLUME = 0x2;
inline constexpr DWORD TTSFEATURE_SPEED = 0x4;
inline constexpr DWORD TTSFEATURE_PITCH = 0x8;
inline constexpr DWORD TTSFEATURE_TAGGED = 0x10;
inline constexpr DWORD TTSFEATURE_PCOPTIMIZED = 0x100;

inline constexpr DWORD TTSI_ITTSATTRIBUTES = 0x2;
inline constexpr DWORD TTSI_ITTSCENTRAL = 0x4;

inline constexpr WORD GENDER_FEMALE = 1;
inline constexpr WORD GENDER_MALE = 2;
inline constexpr WORD TTSAGE_ADULT = 30;

using VOICECHARSET = DWORD;
inline constexpr VOICECHARSET CHARSET_TEXT = 0;
inline constexpr VOICECHARSET CHARSET_IPAPHONETIC = 1;

inline constexpr DWORD TTSDATAFLAG_TAGGED = 1;

// The wave mapper: the system's default output device.
inline constexpr DWORD WAVE_MAPPER = 0xFFFFFFFF;

struct SDATA {
    void* pData;
    DWORD dwSize;
};
using PSDATA = SDATA*;

struct TTSMOUTH {
    BYTE bMouthHeight;
    BYTE bMouthWidth;
    BYTE bMouthUpturn;
    BYTE bJawOpen;
    BYTE bTeethUpperVisible;
    BYTE bTeethLowerVisible;
    BYTE bTonguePosn;
    BYTE bLipTension;
};

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

inline constexpr CLSID CLSID_TTSEnumerator = {
    0xD67C0280, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
inline constexpr CLSID CLSID_MMAudioDest = {
    0xCB96B400, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
inline constexpr CLSID CLSID_AudioDestFile = {
    0xD4623720, 0xE4B9, 0x11CF, {0x8D, 0x56, 0x00, 0xA0, 0xC9, 0x03, 0x4A, 0x7E}};

inline constexpr IID IID_ITTSCentralW = {
    0x28016060, 0x4A47, 0x101B, {0x93, 0x1A, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
inline constexpr IID IID_ITTSAttributesW = {
    0x1287A280, 0x4A47, 0x101B, {0x93, 0x1A, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
inline constexpr IID IID_ITTSNotifySinkW = {
    0xC0FA8F40, 0x4A46, 0x101B, {0x93, 0x1A, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
inline constexpr IID IID_ITTSBufNotifySink = {
    0xE4963D40, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};
inline constexpr IID IID_ITTSEnumW = {
    0x6B837B20, 0x4A47, 0x101B, {0x93, 0x1A, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
inline constexpr IID IID_ITTSFindW = {
    0x7AA42960, 0x4A47, 0x101B, {0x93, 0x1A, 0x00, 0xAA, 0x00, 0x47, 0xBA, 0x4F}};
inline constexpr IID IID_IAudioFile = {
    0xFD7C2320, 0x3D6D, 0x11B9, {0xC0, 0x00, 0xFE, 0xD6, 0xCB, 0xA3, 0xB1, 0xA9}};
inline constexpr IID IID_IAudioMultiMediaDevice = {
    0xB68AD320, 0xC743, 0x11CD, {0x80, 0xE5, 0x00, 0xAA, 0x00, 0x3E, 0x4B, 0x50}};

struct ITTSNotifySinkW : IUnknown {
    static constexpr const IID& iid = IID_ITTSNotifySinkW;
    virtual HRESULT AttribChanged(DWORD attribute) = 0;
    virtual HRESULT AudioStart(QWORD timeStamp) = 0;
    virtual HRESULT AudioStop(QWORD timeStamp) = 0;
    virtual HRESULT Visual(QWORD timeStamp, WCHAR ipaPhoneme, WCHAR enginePhoneme, DWORD hints,
                           const TTSMOUTH* mouth) = 0;

protected:
    ~ITTSNotifySinkW() = default;
};

// ITTSBufNotifySink::TextDataDone: the text was dropped by AudioReset.
inline constexpr DWORD TTSBNS_ABORTED = 1;

// Told how one text given to TextData goes, as the engine's other
// notifications are: on the thread that gave the text, while it dispatches
// its messages. WordPosition gives the byte offset in that text (characters
// times sizeof(WCHAR)) of the word whose audio has reached the destination;
// this runtime tells the first word of each piece it synthesises on its own
// (a sentence, a line, or a stretch of an over-long one), in text order.
// Every time stamp is the engine's position (PosnGet) at the event: the bytes
// of audio, in the engine's format, it has delivered to its destination; a
// word's is the position before its first sample, TextDataStarted's before
// the text's.
struct ITTSBufNotifySink : IUnknown {
    static constexpr const IID& iid = IID_ITTSBufNotifySink;
    virtual HRESULT TextDataDone(QWORD timeStamp, DWORD flags) = 0;
    virtual HRESULT TextDataStarted(QWORD timeStamp) = 0;
    virtual HRESULT BookMark(QWORD timeStamp, DWORD markNum) = 0;
    virtual HRESULT WordPosition(QWORD timeStamp, DWORD byteOffset) = 0;

protected:
    ~ITTSBufNotifySink() = default;
};

struct ITTSCentralW : IUnknown {
    static constexpr const IID& iid = IID_ITTSCentralW;
    virtual HRESULT Inject(LPCWSTR tag) = 0;
    virtual HRESULT ModeGet(PTTSMODEINFOW mode) = 0;
    virtual HRESULT Phoneme(VOICECHARSET charset, DWORD flags, SDATA text, PSDATA phonemes) = 0;
    // The position, in bytes of audio, the engine has delivered to its destination.
    virtual HRESULT PosnGet(QWORD* position) = 0;
    // `bufNotify`, if given, is an object answering `bufNotifyIid`
    // (IID_ITTSBufNotifySink) that hears how this text goes.
    virtual HRESULT TextData(VOICECHARSET charset, DWORD flags, SDATA text, void* bufNotify,
                             IID bufNotifyIid) = 0;
    virtual HRESULT ToFileTime(QWORD* position, FILETIME* fileTime) = 0;
    virtual HRESULT AudioPause() = 0;
    virtual HRESULT AudioResume() = 0;
    virtual HRESULT AudioReset() = 0;
    virtual HRESULT Register(void* notifyInterface, IID notifyIid, DWORD* key) = 0;
    virtual HRESULT UnRegister(DWORD key) = 0;

protected:
    ~ITTSCentralW() = default;
};

struct ITTSAttributesW : IUnknown {
    static constexpr const IID& iid = IID_ITTSAttributesW;
    virtual HRESULT PitchGet(WORD* pitch) = 0;
    virtual HRESULT PitchSet(WORD pitch) = 0;
    virtual HRESULT RealTimeGet(DWORD* realTime) = 0;
    virtual HRESULT RealTimeSet(DWORD realTime) = 0;
    virtual HRESULT SpeedGet(DWORD* speed) = 0;
    virtual HRESULT SpeedSet(DWORD speed) = 0;
    virtual HRESULT VolumeGet(DWORD* volume) = 0;
    virtual HRESULT VolumeSet(DWORD volume) = 0;

protected:
    ~ITTSAttributesW() = default;
};

struct ITTSEnumW : IUnknown {
    static constexpr const IID& iid = IID_ITTSEnumW;
    // S_OK when `count` modes were returned, S_FALSE when fewer were left.
    virtual HRESULT Next(ULONG count, PTTSMODEINFOW modes, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(ITTSEnumW** copy) = 0;
    virtual HRESULT Select(GUID modeId, ITTSCentralW** central, IUnknown* audioDest) = 0;

protected:
    ~ITTSEnumW() = default;
};

struct ITTSFindW : IUnknown {
    static constexpr const IID& iid = IID_ITTSFindW;
    virtual HRESULT Find(PTTSMODEINFOW pattern, PTTSMODEINFORANK ranking, PTTSMODEINFOW found) = 0;
    virtual HRESULT Select(GUID modeId, ITTSCentralW** central, IUnknown* audioDest) = 0;

protected:
    ~ITTSFindW() = default;
};

struct IAudioFile : IUnknown {
    static constexpr const IID& iid = IID_IAudioFile;
    virtual HRESULT Register(void* notifySink) = 0;
    // Flags 1: create the file (replacing one that exists).
    virtual HRESULT Set(LPCWSTR path, DWORD flags) = 0;
    virtual HRESULT Add(LPCWSTR path, DWORD flags) = 0;
    // Completes the file with what has been written so far.
    virtual HRESULT Flush() = 0;
    virtual HRESULT RealTimeGet(WORD* realTime) = 0;
    virtual HRESULT RealTimeSet(WORD realTime) = 0;

protected:
    ~IAudioFile() = default;
};

struct IAudioMultiMediaDevice : IUnknown {
    static constexpr const IID& iid = IID_IAudioMultiMediaDevice;
    virtual HRESULT CustomMessage(UINT message, SDATA data) = 0;
    virtual HRESULT DeviceNumGet(DWORD* deviceId) = 0;
    virtual HRESULT DeviceNumSet(DWORD deviceId) = 0;

protected:
    ~IAudioMultiMediaDevice() = default;
};

// Registers CLSID_TTSEnumerator, CLSID_MMAudioDest and CLSID_AudioDestFile of
// the runtime over flite. The program calls it once at start-up.
void RegisterSapi4Runtime();
