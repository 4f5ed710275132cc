#include "platform/sapi5/SpVoice.h"

#include "platform/audio/DeviceSink.h"
#include "platform/com/com.h"
#include "platform/sapi5/EspeakRuntime.h"
#include "platform/sapi5/SapiXmlReader.h"
#include "platform/sapi5/SpObjectToken.h"
#include "platform/sapi5/SpeechChannel.h"
#include "platform/sapi5/StreamSink.h"

namespace {

constexpr DWORD kKnownFlags = SPF_ASYNC | SPF_PURGEBEFORESPEAK | SPF_IS_XML | SPF_IS_NOT_XML;

// Without either flag, text that starts with markup is read as XML.
bool LooksLikeXml(std::u16string_view text) {
    std::size_t first = text.find_first_not_of(u" \t\r\n");
    return first != std::u16string_view::npos && text[first] == u'<';
}

} // namespace

SpVoice::SpVoice() : m_channel(std::make_shared<SpeechChannel>()) {}

SpVoice::~SpVoice() {
    EspeakRuntime::Instance().Purge(m_channel.get());
}

HRESULT SpVoice::SetOutput(IUnknown* output, BOOL /*allowFormatChanges*/) {
    std::lock_guard lock(m_mutex);
    if (!output) {
        m_output.Reset();
        return S_OK;
    }
    ComPtr<ISpStream> stream;
    if (FAILED(output->QueryInterface(IID_ISpStream, stream.PutVoid())))
        return E_INVALIDARG;
    // A stream that is not bound yet has no format to speak in.
    GUID formatId{};
    WAVEFORMATEX* format = nullptr;
    HRESULT hr = stream->GetFormat(&formatId, &format);
    CoTaskMemFree(format);
    if (FAILED(hr))
        return hr;
    m_output = std::move(stream);
    return S_OK;
}

HRESULT SpVoice::SetVoice(ISpObjectToken* token) {
    std::string identifier;
    if (token) {
        LPWSTR id = nullptr;
        HRESULT hr = token->GetId(&id);
        if (FAILED(hr))
            return hr;
        auto known = SpObjectToken::IdentifierOf(id ? id : u"");
        CoTaskMemFree(id);
        if (!known || !EspeakRuntime::Instance().FindVoice(*known))
            return SPERR_NOT_FOUND;
        identifier = *known;
    }
    std::lock_guard lock(m_mutex);
    m_voice = identifier;
    return S_OK;
}

HRESULT SpVoice::GetVoice(ISpObjectToken** token) {
    if (!token)
        return E_POINTER;
    *token = nullptr;
    const EspeakVoice* voice = EspeakRuntime::Instance().FindVoice(VoiceIdentifier());
    if (!voice)
        voice = EspeakRuntime::Instance().DefaultVoice();
    if (!voice)
        return SPERR_NOT_FOUND;
    return CreateComInstance<SpObjectToken>(IID_ISpObjectToken, reinterpret_cast<void**>(token),
                                            *voice);
}

std::string SpVoice::VoiceIdentifier() const {
    std::lock_guard lock(m_mutex);
    return m_voice;
}

HRESULT SpVoice::MakeSink(std::shared_ptr<PcmSink>& sink, WAVEFORMATEX& output) {
    const WAVEFORMATEX& format = EspeakRuntime::Instance().Format();
    output = format;
    if (m_output) {
        auto stream = std::make_shared<StreamSink>(m_output.Get());
        HRESULT hr = stream->Open(format);
        if (FAILED(hr))
            return hr;
        GUID formatId{};
        WAVEFORMATEX* streamFormat = nullptr;
        if (SUCCEEDED(m_output->GetFormat(&formatId, &streamFormat)) && streamFormat)
            output = *streamFormat;
        CoTaskMemFree(streamFormat);
        sink = stream;
        return S_OK;
    }
    // One device per voice, opened anew after a purge has silenced it. No
    // speech of this voice is running when it is replaced: a purge waits for
    // that.
    if (!m_device || m_device->WasAborted()) {
        auto device = std::make_shared<DeviceSink>();
        HRESULT hr = device->Open(format);
        if (FAILED(hr))
            return hr;
        m_device = device;
    }
    sink = m_device;
    return S_OK;
}

HRESULT SpVoice::Speak(LPCWSTR text, DWORD flags, ULONG* streamNumber) {
    if (streamNumber)
        *streamNumber = 0;
    if ((flags & ~kKnownFlags) || ((flags & SPF_IS_XML) && (flags & SPF_IS_NOT_XML)))
        return E_INVALIDARG;
    EspeakRuntime& runtime = EspeakRuntime::Instance();
    if (flags & SPF_PURGEBEFORESPEAK)
        runtime.Purge(m_channel.get());
    if (!text)
        return (flags & SPF_PURGEBEFORESPEAK) ? S_OK : E_POINTER;
    if (FAILED(runtime.Status()))
        return runtime.Status();

    auto request = std::make_shared<SpeechRequest>();
    std::u16string_view view(text);
    bool xml = (flags & SPF_IS_XML) || (!(flags & SPF_IS_NOT_XML) && LooksLikeXml(view));
    request->segments = xml ? SapiXmlReader::Read(view) : SapiXmlReader::ReadPlain(view);
    request->channel = m_channel;
    {
        std::lock_guard lock(m_mutex);
        const EspeakVoice* voice =
            m_voice.empty() ? runtime.DefaultVoice() : runtime.FindVoice(m_voice);
        if (!voice)
            return SPERR_NOT_FOUND;
        request->voice = voice->identifier;
        HRESULT hr = MakeSink(request->sink, request->output);
        if (FAILED(hr))
            return hr;
        request->toFile = m_output.Get() != nullptr;
        request->streamNumber = ++m_lastStream;
    }

    m_channel->Queued(request->streamNumber);
    HRESULT hr = runtime.Queue(request);
    if (FAILED(hr)) {
        m_channel->Ended(hr);
        return hr;
    }
    if (streamNumber)
        *streamNumber = request->streamNumber;
    if (flags & SPF_ASYNC)
        return S_OK;
    m_channel->CompleteEvent()->Wait(INFINITE);
    return m_channel->Status().hrLastResult;
}

HRESULT SpVoice::GetStatus(SPVOICESTATUS* status, LPWSTR* lastBookmark) {
    if (lastBookmark)
        *lastBookmark = nullptr;
    if (!status)
        return E_POINTER;
    *status = m_channel->Status();
    return S_OK;
}

HRESULT SpVoice::WaitUntilDone(ULONG milliseconds) {
    return m_channel->CompleteEvent()->Wait(milliseconds) == WAIT_OBJECT_0 ? S_OK : S_FALSE;
}

Event* SpVoice::SpeakCompleteEvent() {
    return m_channel->CompleteEvent();
}

HRESULT SpVoice::SetInterest(ULONGLONG eventInterest, ULONGLONG queuedInterest) {
    // Both carry the check bits, unless empty; what is queued is of interest.
    auto valid = [](ULONGLONG bits) {
        return bits == 0 || (bits & SPFEI_FLAGCHECK) == SPFEI_FLAGCHECK;
    };
    if (!valid(eventInterest) || !valid(queuedInterest) ||
        (queuedInterest & ~eventInterest & ~SPFEI_FLAGCHECK))
        return E_INVALIDARG;
    m_channel->SetInterest(queuedInterest & ~SPFEI_FLAGCHECK);
    return S_OK;
}

HRESULT SpVoice::GetEvents(ULONG count, SPEVENT* events, ULONG* fetched) {
    return m_channel->GetEvents(count, events, fetched);
}

HRESULT SpVoice::WaitForNotifyEvent(DWORD milliseconds) {
    return m_channel->EventsQueued()->Wait(milliseconds) == WAIT_OBJECT_0 ? S_OK : S_FALSE;
}
