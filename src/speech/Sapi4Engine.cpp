#include "src/speech/Sapi4Engine.h"

#include "platform/com/com.h"
#include "src/resources/resource.h"
#include "src/speech/RegularFile.h"

#include <stdexcept>
#include <utility>

namespace {

// A finder, and the installed mode that matches the stored mode description.
Result<> FindMode(const CSAPI4VoiceInfo& voice, ComPtr<ITTSFindW>& finder, TTSMODEINFOW& found) {
    if (FAILED(CoCreateInstance(CLSID_TTSEnumerator, nullptr, CLSCTX_ALL, IID_ITTSFindW,
                                finder.PutVoid())))
        return UserMessage{IDS_TTS_ENUMERATOR};
    TTSMODEINFOW pattern = voice.modeInfo;
    if (FAILED(finder->Find(&pattern, nullptr, &found))) {
        finder.Reset();
        return UserMessage{IDS_TTS_FIND_MODE};
    }
    return {};
}

// The device a destination plays on is chosen before the engine is selected
// into it: the wave mapper, the default output. A file has none.
void ChooseDevice(IAudioFile&) {}

void ChooseDevice(IAudioMultiMediaDevice& device) {
    device.DeviceNumSet(WAVE_MAPPER);
}

// Readies a destination once the engine is selected into it. The file is
// written as fast as the engine can: it is not listened to while it is written.
Result<> Configure(IAudioFile& file) {
    if (FAILED(file.RealTimeSet(0xFFFF)))
        return UserMessage{IDS_TTS_CONVERSION_SPEED};
    return {};
}

Result<> Configure(IAudioMultiMediaDevice&) {
    return {};
}

} // namespace

Sapi4Engine::Sapi4Engine(Sapi4Probing probing) : m_probing(probing) {
    if (Result<> listed = EnumerateVoices(); !listed)
        ShowMessage(listed.Message());
}

Sapi4Engine::Sapi4Engine(std::vector<CSAPI4VoiceInfo> voices)
    : m_voices(std::move(voices)), m_probed(m_voices.size(), true) {}

// The voices go first, then the device, the file and the engine, without
// unregistering: the runtime lets go of the sink with the engine.
Sapi4Engine::~Sapi4Engine() = default;

Result<> Sapi4Engine::EnumerateVoices() {
    m_voices.clear();
    m_probed.clear();
    ComPtr<ITTSEnumW> enumerator;
    if (FAILED(CoCreateInstance(CLSID_TTSEnumerator, nullptr, CLSCTX_ALL, IID_ITTSEnumW,
                                enumerator.PutVoid())))
        return UserMessage{IDS_TTS_ENUMERATOR};
    for (;;) {
        CSAPI4VoiceInfo voice;
        if (enumerator->Next(1, &voice.modeInfo, nullptr) != S_OK)
            break;
        // Without tagged text no attribute can be changed from the text.
        if (voice.modeInfo.dwFeatures & TTSFEATURE_TAGGED) {
            voice.canSetSpeed = (voice.modeInfo.dwFeatures & TTSFEATURE_SPEED) ? 1 : 0;
            voice.canSetVolume = (voice.modeInfo.dwFeatures & TTSFEATURE_VOLUME) ? 1 : 0;
            voice.canSetPitch = (voice.modeInfo.dwFeatures & TTSFEATURE_PITCH) ? 1 : 0;
        }
        const bool probe = m_probing == Sapi4Probing::AtEnumeration;
        if (probe)
            voice.QueryAttributeRanges();
        m_voices.push_back(voice);
        m_probed.push_back(probe);
    }
    m_voices.shrink_to_fit();
    return {};
}

void Sapi4Engine::ProbeVoice(std::size_t index) {
    if (index >= m_voices.size())
        throw std::invalid_argument("SAPI 4 voice index out of range");
    if (m_probed[index])
        return;
    // A probe that cannot reach the engine leaves the ranges every unreached
    // voice has; probing again would fail the same way.
    m_voices[index].QueryAttributeRanges();
    m_probed[index] = true;
}

void Sapi4Engine::SetNotifySink(ITTSNotifySinkW* sink) {
    m_sink = sink;
}

template <class Destination>
Result<> Sapi4Engine::OpenEngine(const CSAPI4VoiceInfo& voice, REFCLSID destinationClass,
                                 UserMessage notCreated, ComPtr<Destination>& destination) {
    AbandonStart();
    m_sinkKey = 0;
    m_aborted = false;
    ComPtr<ITTSFindW> finder;
    TTSMODEINFOW found{};
    if (Result<> f = FindMode(voice, finder, found); !f)
        return f;
    if (FAILED(CoCreateInstance(destinationClass, nullptr, CLSCTX_ALL, Destination::iid,
                                destination.PutVoid())))
        return notCreated;
    ChooseDevice(*destination.Get());
    if (FAILED(finder->Select(found.gModeID, m_central.Put(), destination.Get()))) {
        destination.Reset();
        return UserMessage{IDS_TTS_SELECT};
    }
    finder.Reset();
    Result<> opened = Configure(*destination.Get());
    if (opened && FAILED(m_central->Register(m_sink, IID_ITTSNotifySinkW, &m_sinkKey)))
        opened = UserMessage{IDS_TTS_REGISTER_SINK};
    if (!opened)
        destination.Reset();
    return opened;
}

Result<> Sapi4Engine::SpeakToFile(const std::u16string& wavPath, const std::u16string& text,
                                  const CSAPI4VoiceInfo& voice, bool keepPositions) {
    if (Result<> opened =
            OpenEngine(voice, CLSID_AudioDestFile, UserMessage{IDS_AUDIO_DEST_FILE}, m_audioFile);
        !opened)
        return opened;
    if (FAILED(m_audioFile->Set(wavPath.c_str(), 1))) {
        AbandonEngine();
        return UserMessage{IDS_TTS_OUTPUT_FILE};
    }
    if (Result<> sent = SendText(text, keepPositions); !sent) {
        m_refusedFile = wavPath;
        return sent;
    }
    return {};
}

Result<> Sapi4Engine::SpeakToSpeakers(const std::u16string& text, const CSAPI4VoiceInfo& voice) {
    // The one failure without a message: no output device to create.
    if (Result<> opened = OpenEngine(voice, CLSID_MMAudioDest, UserMessage{}, m_audioDevice);
        !opened)
        return opened;
    if (Result<> sent = SendText(text, false); !sent) {
        AbandonEngine();
        return sent;
    }
    return {};
}

Result<> Sapi4Engine::SendText(const std::u16string& text, bool keepPositions) {
    SDATA data{const_cast<WCHAR*>(text.c_str()),
               static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))};
    m_sentences.clear();
    // The reference `new` gives.
    *m_bufSink.Put() = new CTTSBufNotifySink(keepPositions);
    if (FAILED(m_central->TextData(CHARSET_TEXT, TTSDATAFLAG_TAGGED, data,
                                   static_cast<ITTSBufNotifySink*>(m_bufSink.Get()),
                                   IID_ITTSBufNotifySink)))
        return UserMessage{IDS_TTS_TEXTDATA};
    return {};
}

void Sapi4Engine::AbandonEngine() {
    m_central->UnRegister(m_sinkKey);
    m_sinkKey = 0;
    m_audioFile.Reset();
    m_audioDevice.Reset();
    m_central.Reset();
}

void Sapi4Engine::AbandonStart() {
    if (!m_refusedFile)
        return;
    AbandonEngine();
    RemoveRegularFile(*m_refusedFile);
    m_refusedFile.reset();
}

void Sapi4Engine::Abort() {
    m_aborted = true;
    if (m_central)
        m_central->AudioReset();
}

Result<> Sapi4Engine::EndSpeech() {
    // A refused text's file is not completed but removed.
    AbandonStart();
    Result<> completed;
    if (m_audioFile) {
        // The destination could not write all of the speech (a full disk, say):
        // say so, as the job would otherwise end as if the file had been written.
        if (FAILED(m_audioFile->Flush()) && !m_aborted)
            completed = UserMessage{IDS_TTS_OUTPUT_FILE};
        m_audioFile.Reset();
    }
    m_aborted = false;
    m_audioDevice.Reset();
    if (m_bufSink)
        m_sentences = m_bufSink->TakePositions();
    m_bufSink.Reset();
    if (m_central) {
        if (m_sinkKey != 0)
            m_central->UnRegister(m_sinkKey);
        m_sinkKey = 0;
        m_central->AudioReset();
        m_central.Reset();
    }
    return completed;
}

std::optional<std::size_t> Sapi4Engine::SpokenPosition() const {
    const std::optional<DWORD> offset = m_bufSink ? m_bufSink->SpokenOffset() : std::nullopt;
    if (!offset)
        return std::nullopt;
    return *offset / sizeof(WCHAR);
}

EngineSentences Sapi4Engine::TakeSentences() {
    return std::exchange(m_sentences, {});
}

std::size_t Sapi4Engine::VoiceCount() const {
    return m_voices.size();
}

const CSAPI4VoiceInfo& Sapi4Engine::Voice(std::size_t index) const {
    if (index >= m_voices.size())
        throw std::invalid_argument("SAPI 4 voice index out of range");
    return m_voices[index];
}

const std::vector<CSAPI4VoiceInfo>& Sapi4Engine::Voices() const {
    return m_voices;
}

const ITTSCentralW* Sapi4Engine::HeldEngine() const {
    return m_central.Get();
}
const IAudioFile* Sapi4Engine::HeldFile() const {
    return m_audioFile.Get();
}
const IAudioMultiMediaDevice* Sapi4Engine::HeldDevice() const {
    return m_audioDevice.Get();
}
DWORD Sapi4Engine::SinkKey() const {
    return m_sinkKey;
}
