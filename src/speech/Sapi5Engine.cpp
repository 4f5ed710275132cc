#include "src/speech/Sapi5Engine.h"

#include "platform/com/com.h"
#include "platform/com/langid.h"
#include "platform/com/strings.h"
#include "src/resources/resource.h"
#include "src/speech/RegularFile.h"

#include <cstdio>
#include <iterator>
#include <stdexcept>
#include <utility>

namespace {

// A string value of a token; false when the token has none.
bool ReadStringValue(ISpObjectToken* token, LPCWSTR valueName, std::u16string& value) {
    LPWSTR text = nullptr;
    if (FAILED(token->GetStringValue(valueName, &text)) || !text)
        return false;
    value = text;
    CoTaskMemFree(text);
    return true;
}

// The name of the token value that holds a voice's name in the user's
// language: the language id in lower-case hex, 0x0409 giving "409".
std::u16string UserLanguageValueName() {
    char name[8];
    std::snprintf(name, sizeof name, "%x", static_cast<unsigned>(GetUserDefaultLangID()));
    return FromUtf8(name);
}

} // namespace

void Sapi5Engine::TaskMemFree::operator()(void* p) const {
    CoTaskMemFree(p);
}

Sapi5Engine::Sapi5Engine() {
    EnumerateVoices();
}

Sapi5Engine::Sapi5Engine(NoEnumeration) {}

std::unique_ptr<Sapi5Engine> Sapi5Engine::WithVoicesOf(const Sapi5Engine& other) {
    std::unique_ptr<Sapi5Engine> engine(new Sapi5Engine(NoEnumeration{}));
    for (const auto& entry : other.m_voices)
        engine->m_voices.push_back(std::make_unique<CSpObjectToken>(*entry));
    return engine;
}

Sapi5Engine::~Sapi5Engine() {
    AbandonStart();
}

bool Sapi5Engine::EnumerateVoices() {
    ComPtr<ISpObjectTokenCategory> category;
    if (FAILED(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                                IID_ISpObjectTokenCategory, category.PutVoid())))
        return false;
    ComPtr<IEnumSpObjectTokens> tokens;
    if (FAILED(category->SetId(SPCAT_VOICES, FALSE)) ||
        FAILED(category->EnumTokens(nullptr, nullptr, tokens.Put())))
        return false;

    const std::u16string languageValue = UserLanguageValueName();
    ComPtr<ISpObjectToken> token;
    while (tokens->Next(1, token.Put(), nullptr) == S_OK) {
        std::u16string name;
        if (ReadStringValue(token.Get(), languageValue.c_str(), name) ||
            ReadStringValue(token.Get(), nullptr, name))
            m_voices.push_back(std::make_unique<CSpObjectToken>(token.Get(), std::move(name)));
    }
    return true;
}

void Sapi5Engine::AbandonStart() {
    if (!m_refusedFile)
        return;
    RemoveRegularFile(*m_refusedFile);
    m_refusedFile.reset();
}

void Sapi5Engine::ReleaseSpeech() {
    AbandonStart();
    m_events.Reset();
    m_stream.Reset();
    m_voice.Reset();
    m_waveFormat.reset();
    m_doneEvent = nullptr;
    m_aborted = false;
}

Result<> Sapi5Engine::SpeakToFile(const std::u16string& wavPath, const std::u16string& text,
                                  ISpObjectToken* token, int streamFormat, bool keepSentences) {
    ReleaseSpeech();
    m_sentences.clear();
    if (FAILED(
            CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, m_voice.PutVoid())))
        return UserMessage{IDS_SP_VOICE};
    if (FAILED(CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL, IID_ISpStream,
                                m_stream.PutVoid())))
        return UserMessage{IDS_SP_STREAM};
    GUID formatId{};
    WAVEFORMATEX* format = nullptr;
    const HRESULT converted =
        SpConvertStreamFormatEnum(static_cast<SPSTREAMFORMAT>(streamFormat), &formatId, &format);
    m_waveFormat.reset(format);
    if (FAILED(converted))
        return UserMessage{IDS_SP_FORMAT};
    if (FAILED(m_stream->BindToFile(wavPath.c_str(), SPFM_CREATE_ALWAYS, &formatId,
                                    m_waveFormat.get(), 0)))
        return UserMessage{IDS_SP_BIND};

    // From here on the file exists: a failure completes it, so that it is
    // never half a WAV file, and leaves it to AbandonStart to remove.
    auto fail = [&](UINT message) {
        m_stream->Close();
        m_stream.Reset();
        m_refusedFile = wavPath;
        return UserMessage{message};
    };
    if (FAILED(m_voice->SetOutput(m_stream.Get(), TRUE)))
        return fail(IDS_SP_SET_OUTPUT);
    if (FAILED(m_voice->SetVoice(token)))
        return fail(IDS_SP_SET_VOICE);
    if (keepSentences) {
        constexpr ULONGLONG interest = SPFEI(SPEI_SENTENCE_BOUNDARY);
        if (FAILED(m_voice->QueryInterface(IID_ISpEventSource, m_events.PutVoid())) ||
            FAILED(m_events->SetInterest(interest, interest)))
            return fail(IDS_SP_SPEAK);
    }
    if (FAILED(m_voice->Speak(text.c_str(), SPF_ASYNC | SPF_IS_XML, nullptr)))
        return fail(IDS_SP_SPEAK);
    m_doneEvent = m_voice->SpeakCompleteEvent();
    return {};
}

Result<> Sapi5Engine::SpeakToSpeakers(const std::u16string& text, ISpObjectToken* token) {
    ReleaseSpeech();
    if (FAILED(
            CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice, m_voice.PutVoid())))
        return UserMessage{IDS_SP_VOICE};
    if (FAILED(m_voice->SetVoice(token)))
        return UserMessage{IDS_SP_SET_VOICE};
    if (FAILED(m_voice->Speak(text.c_str(), SPF_ASYNC | SPF_IS_XML, nullptr)))
        return UserMessage{IDS_SP_SPEAK};
    m_doneEvent = m_voice->SpeakCompleteEvent();
    return {};
}

void Sapi5Engine::Abort() {
    m_aborted = true;
    if (m_voice)
        m_voice->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr);
}

bool Sapi5Engine::SpeechFailed() const {
    SPVOICESTATUS status{};
    return m_voice && SUCCEEDED(m_voice->GetStatus(&status, nullptr)) &&
           FAILED(status.hrLastResult);
}

Result<> Sapi5Engine::EndSpeech() {
    // The file is completed before the voice goes: its last samples and its
    // header may still fail to reach the disk, and the runtime can tell nobody.
    const bool failed = !m_aborted && (SpeechFailed() || (m_stream && FAILED(m_stream->Close())));
    CollectSentences();
    ReleaseSpeech();
    if (failed)
        return UserMessage{IDS_SP_SPEAK};
    return {};
}

const Event* Sapi5Engine::DoneEvent() const {
    return m_doneEvent;
}

std::optional<std::size_t> Sapi5Engine::SpokenPosition() const {
    SPVOICESTATUS status{};
    if (!m_voice || FAILED(m_voice->GetStatus(&status, nullptr)))
        return std::nullopt;
    return status.ulInputWordPos;
}

void Sapi5Engine::CollectSentences() {
    if (!m_events)
        return;
    SPEVENT events[32];
    ULONG fetched = 0;
    do {
        if (FAILED(m_events->GetEvents(std::size(events), events, &fetched)))
            return;
        for (ULONG i = 0; i < fetched; ++i) {
            if (events[i].eEventId == SPEI_SENTENCE_BOUNDARY)
                m_sentences.push_back(
                    {static_cast<std::size_t>(events[i].lParam), events[i].ullAudioStreamOffset});
            SpClearEvent(&events[i]);
        }
    } while (fetched == std::size(events));
}

EngineSentences Sapi5Engine::TakeSentences() {
    return std::exchange(m_sentences, {});
}

std::size_t Sapi5Engine::VoiceCount() const {
    return m_voices.size();
}

const CSpObjectToken& Sapi5Engine::Voice(std::size_t index) const {
    if (index >= m_voices.size())
        throw std::invalid_argument("SAPI 5 voice index out of range");
    return *m_voices[index];
}

const ISpVoice* Sapi5Engine::HeldVoice() const {
    return m_voice.Get();
}
const ISpStream* Sapi5Engine::HeldStream() const {
    return m_stream.Get();
}
const WAVEFORMATEX* Sapi5Engine::HeldFormat() const {
    return m_waveFormat.get();
}
