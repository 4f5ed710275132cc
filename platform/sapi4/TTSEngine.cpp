#include "platform/sapi4/TTSEngine.h"

#include "platform/sapi4/SynthesisThread.h"
#include "platform/sync/sync.h"

#include <string_view>

TTSEngine::TTSEngine(const FliteVoice& voice, IAudioDestination* destination)
    : m_voice(voice), m_destination(destination), m_settings(voice.defaults),
      m_cancelled(std::make_shared<std::atomic<bool>>(false)),
      m_sinks(std::make_shared<NotifySinkList>()),
      m_position(std::make_shared<std::atomic<QWORD>>(0)) {
    m_destination->AddRef();
    m_destination->Bind(voice.format);
}

TTSEngine::~TTSEngine() {
    // An engine that goes away stops speaking, as after AudioReset.
    CancelTexts();
    m_destination->Reset();
    m_destination->Release();
}

void TTSEngine::CancelTexts() {
    std::lock_guard lock(m_mutex);
    m_cancelled->store(true);
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
}

HRESULT TTSEngine::Inject(LPCWSTR) {
    return E_NOTIMPL;
}

HRESULT TTSEngine::ModeGet(PTTSMODEINFOW mode) {
    if (!mode)
        return E_POINTER;
    *mode = m_voice.mode;
    return S_OK;
}

HRESULT TTSEngine::Phoneme(VOICECHARSET, DWORD, SDATA, PSDATA) {
    return E_NOTIMPL;
}

HRESULT TTSEngine::PosnGet(QWORD* position) {
    if (!position)
        return E_POINTER;
    *position = m_position->load();
    return S_OK;
}

HRESULT TTSEngine::TextData(VOICECHARSET charset, DWORD flags, SDATA text, void* bufNotify,
                            IID bufNotifyIid) {
    if (charset != CHARSET_TEXT || (flags & ~TTSDATAFLAG_TAGGED) || !text.pData ||
        text.dwSize < sizeof(WCHAR))
        return E_INVALIDARG;
    ComPtr<ITTSBufNotifySink> bufSink;
    if (bufNotify && (!(bufNotifyIid == IID_ITTSBufNotifySink) ||
                      FAILED(static_cast<IUnknown*>(bufNotify)->QueryInterface(bufNotifyIid,
                                                                               bufSink.PutVoid()))))
        return E_NOINTERFACE;
    std::u16string_view view(static_cast<const WCHAR*>(text.pData), text.dwSize / sizeof(WCHAR));
    view = view.substr(0, view.find(u'\0'));

    auto request = std::make_unique<SpeechRequest>(m_voice, m_destination);
    request->pieces = ParseTaggedText(view, flags & TTSDATAFLAG_TAGGED);
    HRESULT hr = m_destination->Prepare(&request->epoch);
    if (FAILED(hr))
        return hr;
    // The notifications of this text come back through this thread's queue.
    EnsureMessageQueue();
    request->notifyThread = GetCurrentThreadId();
    request->sinks = m_sinks;
    request->bufSink = std::move(bufSink);
    request->position = m_position;
    {
        std::lock_guard lock(m_mutex);
        request->settings = m_settings;
        request->cancelled = m_cancelled;
    }
    SynthesisThread::Submit(std::move(request));
    return S_OK;
}

HRESULT TTSEngine::ToFileTime(QWORD*, FILETIME*) {
    return E_NOTIMPL;
}

HRESULT TTSEngine::AudioPause() {
    return E_NOTIMPL;
}

HRESULT TTSEngine::AudioResume() {
    return E_NOTIMPL;
}

HRESULT TTSEngine::AudioReset() {
    CancelTexts();
    m_destination->Reset();
    return S_OK;
}

HRESULT TTSEngine::Register(void* notifyInterface, IID notifyIid, DWORD* key) {
    if (!key)
        return E_POINTER;
    *key = 0;
    if (!notifyInterface)
        return E_INVALIDARG;
    if (!(notifyIid == IID_ITTSNotifySinkW))
        return E_NOINTERFACE;
    *key = m_sinks->Add(static_cast<ITTSNotifySinkW*>(notifyInterface));
    return S_OK;
}

HRESULT TTSEngine::UnRegister(DWORD key) {
    return m_sinks->Remove(key) ? S_OK : E_INVALIDARG;
}

HRESULT TTSEngine::PitchGet(WORD* pitch) {
    if (!pitch)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    *pitch = m_settings.pitch;
    return S_OK;
}

HRESULT TTSEngine::PitchSet(WORD pitch) {
    if (!m_voice.canSetPitch)
        return E_NOTIMPL;
    std::lock_guard lock(m_mutex);
    m_settings.pitch = m_voice.ClampPitch(pitch);
    return S_OK;
}

HRESULT TTSEngine::RealTimeGet(DWORD*) {
    return E_NOTIMPL;
}

HRESULT TTSEngine::RealTimeSet(DWORD) {
    return E_NOTIMPL;
}

HRESULT TTSEngine::SpeedGet(DWORD* speed) {
    if (!speed)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    *speed = m_settings.speed;
    return S_OK;
}

HRESULT TTSEngine::SpeedSet(DWORD speed) {
    std::lock_guard lock(m_mutex);
    m_settings.speed = m_voice.ClampSpeed(speed);
    return S_OK;
}

HRESULT TTSEngine::VolumeGet(DWORD* volume) {
    if (!volume)
        return E_POINTER;
    std::lock_guard lock(m_mutex);
    *volume = m_settings.volume;
    return S_OK;
}

HRESULT TTSEngine::VolumeSet(DWORD volume) {
    // Every value is valid: two channel levels of 0 to 0xFFFF each.
    std::lock_guard lock(m_mutex);
    m_settings.volume = volume;
    return S_OK;
}
