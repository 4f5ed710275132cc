#pragma once
// A voice: speaks text, plain or SAPI XML, with one espeak-ng voice into a
// bound stream or to the default audio output. Its speech runs on the
// runtime's synthesis thread, which holds what it touches (the channel, the
// stream, the device), so the voice may be released at any time; releasing
// it purges what it still had to say. It raises the events its client asks
// for.

#include "platform/com/ComPtr.h"
#include "platform/com/unknown.h"
#include "platform/sapi5/sapi5.h"

#include <memory>
#include <mutex>
#include <string>

class DeviceSink;
class SpeechChannel;
class PcmSink;

class SpVoice : public ComObject<SpVoice, ISpVoice, ISpEventSource> {
public:
    SpVoice();
    ~SpVoice() override;

    HRESULT SetOutput(IUnknown* output, BOOL allowFormatChanges) override;
    HRESULT SetVoice(ISpObjectToken* token) override;
    HRESULT GetVoice(ISpObjectToken** token) override;
    HRESULT Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber) override;
    HRESULT GetStatus(SPVOICESTATUS* status, LPWSTR* lastBookmark) override;
    HRESULT WaitUntilDone(ULONG milliseconds) override;
    Event* SpeakCompleteEvent() override;

    HRESULT SetInterest(ULONGLONG eventInterest, ULONGLONG queuedInterest) override;
    HRESULT GetEvents(ULONG count, SPEVENT* events, ULONG* fetched) override;
    HRESULT WaitForNotifyEvent(DWORD milliseconds) override;

private:
    HRESULT MakeSink(std::shared_ptr<PcmSink>& sink, WAVEFORMATEX& output);
    std::string VoiceIdentifier() const;

    mutable std::mutex m_mutex;
    std::shared_ptr<SpeechChannel> m_channel;
    ComPtr<ISpStream> m_output;
    std::shared_ptr<DeviceSink> m_device;
    std::string m_voice; // espeak identifier; empty for the user's default
    ULONG m_lastStream = 0;
};
