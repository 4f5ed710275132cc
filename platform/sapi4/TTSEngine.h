#pragma once
// One engine instance: a flite voice bound to an audio destination. Texts
// are spoken on the runtime's synthesis thread; the engine answers at once.

#include "platform/com/unknown.h"
#include "platform/sapi4/AudioDestination.h"
#include "platform/sapi4/FliteVoices.h"
#include "platform/sapi4/NotifySinkList.h"
#include "platform/sapi4/sapi4.h"

#include <atomic>
#include <memory>
#include <mutex>

class TTSEngine : public ComObject<TTSEngine, ITTSCentralW, ITTSAttributesW> {
public:
    TTSEngine(const FliteVoice& voice, IAudioDestination* destination);
    ~TTSEngine() override;

    HRESULT Inject(LPCWSTR tag) override;
    HRESULT ModeGet(PTTSMODEINFOW mode) override;
    HRESULT Phoneme(VOICECHARSET charset, DWORD flags, SDATA text, PSDATA phonemes) override;
    HRESULT PosnGet(QWORD* position) override;
    HRESULT TextData(VOICECHARSET charset, DWORD flags, SDATA text, void* bufNotify,
                     IID bufNotifyIid) override;
    HRESULT ToFileTime(QWORD* position, FILETIME* fileTime) override;
    HRESULT AudioPause() override;
    HRESULT AudioResume() override;
    HRESULT AudioReset() override;
    HRESULT Register(void* notifyInterface, IID notifyIid, DWORD* key) override;
    HRESULT UnRegister(DWORD key) override;

    HRESULT PitchGet(WORD* pitch) override;
    HRESULT PitchSet(WORD pitch) override;
    HRESULT RealTimeGet(DWORD* realTime) override;
    HRESULT RealTimeSet(DWORD realTime) override;
    HRESULT SpeedGet(DWORD* speed) override;
    HRESULT SpeedSet(DWORD speed) override;
    HRESULT VolumeGet(DWORD* volume) override;
    HRESULT VolumeSet(DWORD volume) override;

private:
    // Drops every text accepted so far; later texts get a fresh flag.
    void CancelTexts();

    const FliteVoice& m_voice;
    IAudioDestination* m_destination;
    std::mutex m_mutex; // the settings and the cancel flag
    VoiceSettings m_settings;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    std::shared_ptr<NotifySinkList> m_sinks;
    std::shared_ptr<std::atomic<QWORD>> m_position;
};
