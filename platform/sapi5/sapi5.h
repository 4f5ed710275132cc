#pragma once
// The SAPI 5 interfaces the program uses: the voice token category and its
// tokens, the voice, the file stream, and the SDK's stream-format conversion.
// Published GUIDs and numeric values; the runtime behind them speaks with
// espeak-ng (RegisterSapi5Runtime installs its classes).

#include "platform/audio/mmreg.h"
#include "platform/com/types.h"
#include "platform/com/unknown.h"

#include <cstdint>

class Event;

// Result codes of the speech runtime.
inline constexpr HRESULT SPERR_UNINITIALIZED = MakeHresult(0x80045001);
inline constexpr HRESULT SPERR_ALREADY_INITIALIZED = MakeHresult(0x80045002);
inline constexpr HRESULT SPERR_UNSUPPORTED_FORMAT = MakeHresult(0x80045003);
inline constexpr HRESULT SPERR_NO_DRIVER = MakeHresult(0x80045009);
inline constexpr HRESULT SPERR_STREAM_CLOSED = MakeHresult(0x80045034);
inline constexpr HRESULT SPERR_NOT_FOUND = MakeHresult(0x8004503A);

inline constexpr IID IID_ISpObjectTokenCategory = {
    0x2D3D3845, 0x39AF, 0x4850, {0xBB, 0xF9, 0x40, 0xB4, 0x97, 0x80, 0x01, 0x1D}};
inline constexpr IID IID_IEnumSpObjectTokens = {
    0x06B64F9E, 0x7FDA, 0x11D2, {0xB4, 0xF2, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
inline constexpr IID IID_ISpObjectToken = {
    0x14056589, 0xE16C, 0x11D2, {0xBB, 0x90, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0xC0}};
inline constexpr IID IID_ISpVoice = {
    0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};
inline constexpr IID IID_ISpEventSource = {
    0xBE7A9CCE, 0x5F9E, 0x11D2, {0x96, 0x0F, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0x28}};
inline constexpr IID IID_ISpStream = {
    0x12E3CCA9, 0x7518, 0x44C5, {0xA5, 0xE7, 0xBA, 0x5A, 0x79, 0xCB, 0x92, 0x9E}};

inline constexpr CLSID CLSID_SpObjectTokenCategory = {
    0xA910187F, 0x0C7A, 0x45AC, {0x92, 0xCC, 0x59, 0xED, 0xAF, 0xB7, 0x7B, 0x53}};
inline constexpr CLSID CLSID_SpVoice = {
    0x96749377, 0x3391, 0x11D2, {0x9E, 0xE3, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
inline constexpr CLSID CLSID_SpStream = {
    0x715D9C59, 0x4442, 0x11D2, {0x96, 0x05, 0x00, 0xC0, 0x4F, 0x8E, 0xE6, 0x28}};

// The format identifier of a stream described by a WAVEFORMATEX.
inline constexpr GUID SPDFID_WaveFormatEx = {
    0xC31ADBAE, 0x527F, 0x4FF5, {0xA2, 0x30, 0xF6, 0x2B, 0xB6, 0x1F, 0xF7, 0x0C}};

inline constexpr const WCHAR* SPCAT_VOICES =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices";

// ISpVoice::Speak flags.
inline constexpr DWORD SPF_DEFAULT = 0;
inline constexpr DWORD SPF_ASYNC = 1;
inline constexpr DWORD SPF_PURGEBEFORESPEAK = 2;
inline constexpr DWORD SPF_IS_XML = 8;
inline constexpr DWORD SPF_IS_NOT_XML = 16;

enum SPFILEMODE {
    SPFM_OPEN_READONLY = 0,
    SPFM_OPEN_READWRITE = 1,
    SPFM_CREATE = 2,
    SPFM_CREATE_ALWAYS = 3,
};

enum SPSTREAMFORMAT : int {
    SPSF_Default = -1,
    SPSF_NoAssignedFormat = 0,
    SPSF_Text = 1,
    SPSF_NonStandardFormat = 2,
    SPSF_ExtendedAudioFormat = 3,
    SPSF_8kHz8BitMono = 4,
    SPSF_8kHz8BitStereo,
    SPSF_8kHz16BitMono,
    SPSF_8kHz16BitStereo,
    SPSF_11kHz8BitMono,
    SPSF_11kHz8BitStereo,
    SPSF_11kHz16BitMono,
    SPSF_11kHz16BitStereo,
    SPSF_12kHz8BitMono,
    SPSF_12kHz8BitStereo,
    SPSF_12kHz16BitMono,
    SPSF_12kHz16BitStereo,
    SPSF_16kHz8BitMono,
    SPSF_16kHz8BitStereo,
    SPSF_16kHz16BitMono,
    SPSF_16kHz16BitStereo,
    SPSF_22kHz8BitMono,
    SPSF_22kHz8BitStereo,
    SPSF_22kHz16BitMono,
    SPSF_22kHz16BitStereo,
    SPSF_24kHz8BitMono,
    SPSF_24kHz8BitStereo,
    SPSF_24kHz16BitMono,
    SPSF_24kHz16BitStereo,
    SPSF_32kHz8BitMono,
    SPSF_32kHz8BitStereo,
    SPSF_32kHz16BitMono,
    SPSF_32kHz16BitStereo,
    SPSF_44kHz8BitMono,
    SPSF_44kHz8BitStereo,
    SPSF_44kHz16BitMono,
    SPSF_44kHz16BitStereo,
    SPSF_48kHz8BitMono,
    SPSF_48kHz8BitStereo,
    SPSF_48kHz16BitMono,
    SPSF_48kHz16BitStereo = 39,
};

// ISpVoice::GetStatus: what the voice is doing and how its last speech ended.
inline constexpr DWORD SPRS_DONE = 1;
inline constexpr DWORD SPRS_IS_SPEAKING = 2;

using SPPHONEID = WCHAR;
enum SPVISEMES : int { SP_VISEME_0 = 0 }; // silence

// The input positions count characters of the text given to Speak, markup
// included. This runtime reports the word whose audio has last reached the
// output; the sentence, bookmark, phoneme and viseme fields stay 0.
struct SPVOICESTATUS {
    ULONG ulCurrentStream;
    ULONG ulLastStreamQueued;
    HRESULT hrLastResult;
    DWORD dwRunningState;
    ULONG ulInputWordPos;
    ULONG ulInputWordLen;
    ULONG ulInputSentPos;
    ULONG ulInputSentLen;
    LONG lBookmarkId;
    SPPHONEID PhonemeId;
    SPVISEMES VisemeId;
    DWORD dwReserved1;
    DWORD dwReserved2;
};

// Events a voice raises while it speaks.
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

enum SPEVENTENUM : WORD {
    SPEI_START_INPUT_STREAM = 1,
    SPEI_END_INPUT_STREAM = 2,
    SPEI_TTS_BOOKMARK = 4,
    SPEI_WORD_BOUNDARY = 5,
    SPEI_SENTENCE_BOUNDARY = 7,
};
enum SPEVENTLPARAMTYPE : WORD {
    SPET_LPARAM_IS_UNDEFINED = 0,
    SPET_LPARAM_IS_STRING = 4,
};

// The interest in an event: its bit and two reserved bits as a check.
inline constexpr ULONGLONG SPFEI_FLAGCHECK = (1ULL << 30) | (1ULL << 33);
constexpr ULONGLONG SPFEI(SPEVENTENUM event) {
    return (1ULL << event) | SPFEI_FLAGCHECK;
}

struct SPEVENT {
    SPEVENTENUM eEventId;
    SPEVENTLPARAMTYPE elParamType;
    ULONG ulStreamNum;
    ULONGLONG ullAudioStreamOffset; // bytes of the output's audio before the event
    WPARAM wParam;
    LPARAM lParam; // a CoTaskMemAlloc'd string when elParamType says so
};

// Frees what an event holds (its string) and clears it.
void SpClearEvent(SPEVENT* event);

struct ISpObjectToken : IUnknown {
    static constexpr const IID& iid = IID_ISpObjectToken;
    // The token's id (CoTaskMemAlloc'd).
    virtual HRESULT GetId(LPWSTR* coMemTokenId) = 0;
    // A named string value, or the default value when valueName is null
    // (CoTaskMemAlloc'd). SPERR_NOT_FOUND when the token has no such value.
    virtual HRESULT GetStringValue(LPCWSTR valueName, LPWSTR* coMemData) = 0;

protected:
    ~ISpObjectToken() = default;
};

struct IEnumSpObjectTokens : IUnknown {
    static constexpr const IID& iid = IID_IEnumSpObjectTokens;
    // S_OK when all `count` tokens were fetched, S_FALSE when fewer were left.
    virtual HRESULT Next(ULONG count, ISpObjectToken** tokens, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumSpObjectTokens** clone) = 0;
    virtual HRESULT Item(ULONG index, ISpObjectToken** token) = 0;
    virtual HRESULT GetCount(ULONG* count) = 0;

protected:
    ~IEnumSpObjectTokens() = default;
};

struct ISpObjectTokenCategory : IUnknown {
    static constexpr const IID& iid = IID_ISpObjectTokenCategory;
    virtual HRESULT SetId(LPCWSTR categoryId, BOOL createIfNotExist) = 0;
    virtual HRESULT GetId(LPWSTR* coMemCategoryId) = 0;
    // Required and optional attributes ("Language=409;Gender=Female") may be null.
    virtual HRESULT EnumTokens(LPCWSTR requiredAttributes, LPCWSTR optionalAttributes,
                               IEnumSpObjectTokens** enumTokens) = 0;
    virtual HRESULT GetDefaultTokenId(LPWSTR* coMemTokenId) = 0;

protected:
    ~ISpObjectTokenCategory() = default;
};

struct ISpStream : IUnknown {
    static constexpr const IID& iid = IID_ISpStream;
    // Creates (SPFM_CREATE_ALWAYS) the file that receives the audio, in the
    // given format; the file is completed when the stream is closed or released.
    virtual HRESULT BindToFile(LPCWSTR fileName, SPFILEMODE mode, const GUID* formatId,
                               const WAVEFORMATEX* waveFormat, ULONGLONG eventInterest) = 0;
    // The format the stream was bound with (the WAVEFORMATEX CoTaskMemAlloc'd).
    virtual HRESULT GetFormat(GUID* formatId, WAVEFORMATEX** coMemWaveFormat) = 0;
    // Appends audio in the stream's format (ISequentialStream::Write).
    virtual HRESULT Write(const void* data, ULONG bytes, ULONG* written) = 0;
    virtual HRESULT Close() = 0;

protected:
    ~ISpStream() = default;
};

struct ISpVoice : IUnknown {
    static constexpr const IID& iid = IID_ISpVoice;
    // An ISpStream to write to; null returns the voice to the default audio output.
    virtual HRESULT SetOutput(IUnknown* output, BOOL allowFormatChanges) = 0;
    virtual HRESULT SetVoice(ISpObjectToken* token) = 0;
    virtual HRESULT GetVoice(ISpObjectToken** token) = 0;
    // Text is null only with SPF_PURGEBEFORESPEAK, which stops the speech at
    // once and discards what is queued.
    virtual HRESULT Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber) = 0;
    virtual HRESULT GetStatus(SPVOICESTATUS* status, LPWSTR* lastBookmark) = 0;
    // S_OK when the speech has completed, S_FALSE when the time ran out.
    virtual HRESULT WaitUntilDone(ULONG milliseconds) = 0;
    // Set while the voice has nothing left to speak; owned by the voice.
    virtual Event* SpeakCompleteEvent() = 0;

protected:
    ~ISpVoice() = default;
};

// What a voice raises, for those events a caller asked for:
// - SPEI_TTS_BOOKMARK for each bookmark it passes: wParam the mark's leading
//   number, lParam the mark (a string);
// - SPEI_WORD_BOUNDARY as each word starts and SPEI_SENTENCE_BOUNDARY as each
//   sentence starts: lParam its position and wParam its length, in
//   characters of the text given to Speak (markup included). A sentence is
//   one espeak-ng starts after a pause: the stop of an abbreviation it reads
//   on through ("Mr. Smith") starts none. A sentence's length, told before
//   its end is heard, runs to its first stop (., ! or ?, with the quotes and
//   brackets closing it) followed by a space, an abbreviation's included, or
//   to the end of its run of text (an element that changes the voice or the
//   prosody ends a run). A sentence's boundary comes at
//   its first sound: after the silence of a stop it starts with ("Prices"),
//   and so after its first word's;
// - SPEI_START_INPUT_STREAM and SPEI_END_INPUT_STREAM around each Speak.
// Every event's ullAudioStreamOffset is where it falls in the output: the
// bytes of audio, in the output's format, written before it.
struct ISpEventSource : IUnknown {
    static constexpr const IID& iid = IID_ISpEventSource;
    // Both interests are SPFEI bits; the queued one must lie within the
    // other. Events outside the queued interest are dropped.
    virtual HRESULT SetInterest(ULONGLONG eventInterest, ULONGLONG queuedInterest) = 0;
    // The oldest queued events, up to `count`; S_FALSE when fewer were there.
    virtual HRESULT GetEvents(ULONG count, SPEVENT* events, ULONG* fetched) = 0;
    // S_OK once events are queued, S_FALSE when the time ran out.
    virtual HRESULT WaitForNotifyEvent(DWORD milliseconds) = 0;

protected:
    ~ISpEventSource() = default;
};

// The SDK routine: the format identifier and a CoTaskMemAlloc'd WAVEFORMATEX
// of a stream format. Knows the PCM formats; E_INVALIDARG for others,
// E_OUTOFMEMORY when the allocation fails.
HRESULT SpConvertStreamFormatEnum(SPSTREAMFORMAT format, GUID* formatId,
                                  WAVEFORMATEX** coMemWaveFormat);

// Installs the runtime's classes in the class registry.
void RegisterSapi5Runtime();
