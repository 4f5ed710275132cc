#include "src/speech/Sapi4Engine.h"

#include "platform/com/com.h"
#include "platform/com/strings.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace {

void ShowMessage(UINT id) {
    AfxMessageBox(id, MB_OK);
}

// A speak routine that fails after the file destination created its file
// removes that file, so that nothing is left that looks like output. Only a
// regular file: a device node the user named was never the job's.
void RemoveFile(const std::u16string& path) {
    const std::filesystem::path file(ToUtf8(path));
    std::error_code ignored;
    if (std::filesystem::is_regular_file(std::filesystem::symlink_status(file, ignored)))
        std::filesystem::remove(file, ignored);
}

// The first two steps of both speak routines: a finder, and the installed mode
// that matches the stored mode description (messages 130 and 131). On success
// the caller owns the finder.
bool FindMode(const CSAPI4VoiceInfo& voice, ITTSFindW** find, TTSMODEINFOW* found) {
    if (FAILED(CoCreateInstance(CLSID_TTSEnumerator, nullptr, CLSCTX_ALL, IID_ITTSFindW,
                                reinterpret_cast<void**>(find)))) {
        *find = nullptr;
        ShowMessage(IDS_TTS_ENUMERATOR);
        return false;
    }
    TTSMODEINFOW pattern = voice.modeInfo;
    if (FAILED((*find)->Find(&pattern, nullptr, found))) {
        ShowMessage(IDS_TTS_FIND_MODE);
        SafeRelease(*find);
        return false;
    }
    return true;
}

} // namespace

Sapi4Engine::Sapi4Engine() {
    EnumerateVoices();
}

Sapi4Engine::Sapi4Engine(std::vector<CSAPI4VoiceInfo> voices) : voices(std::move(voices)) {}

Sapi4Engine::~Sapi4Engine() {
    voices.clear();
    SafeRelease(audioDevice);
    SafeRelease(audioFile);
    SafeRelease(central);
}

bool Sapi4Engine::EnumerateVoices() {
    voices.clear();
    ITTSEnumW* enumerator = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TTSEnumerator, nullptr, CLSCTX_ALL, IID_ITTSEnumW,
                                reinterpret_cast<void**>(&enumerator)))) {
        ShowMessage(IDS_TTS_ENUMERATOR);
        return false;
    }
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
        voice.QueryAttributeRanges();
        voices.push_back(voice);
    }
    voices.shrink_to_fit();
    SafeRelease(enumerator);
    return true;
}

bool Sapi4Engine::SpeakToFile(const std::u16string& wavPath, const std::u16string& text,
                              const CSAPI4VoiceInfo& voice) {
    sinkKey = 0;
    ITTSFindW* find = nullptr;
    TTSMODEINFOW found{};
    if (!FindMode(voice, &find, &found))
        return false;
    if (FAILED(CoCreateInstance(CLSID_AudioDestFile, nullptr, CLSCTX_ALL, IID_IAudioFile,
                                reinterpret_cast<void**>(&audioFile)))) {
        audioFile = nullptr;
        ShowMessage(IDS_AUDIO_DEST_FILE);
        SafeRelease(find);
        return false;
    }
    if (FAILED(find->Select(found.gModeID, &central, audioFile))) {
        central = nullptr;
        ShowMessage(IDS_TTS_SELECT);
        SafeRelease(audioFile);
        SafeRelease(find);
        return false;
    }
    SafeRelease(find);
    // As fast as the engine can: the file is not listened to while it is written.
    if (FAILED(audioFile->RealTimeSet(0xFFFF))) {
        ShowMessage(IDS_TTS_CONVERSION_SPEED);
        SafeRelease(audioFile);
        return false;
    }
    if (FAILED(central->Register(sink, IID_ITTSNotifySinkW, &sinkKey))) {
        ShowMessage(IDS_TTS_REGISTER_SINK);
        SafeRelease(audioFile);
        return false;
    }
    if (FAILED(audioFile->Set(wavPath.c_str(), 1))) {
        ShowMessage(IDS_TTS_OUTPUT_FILE);
        AbandonEngine();
        return false;
    }
    SDATA data{const_cast<WCHAR*>(text.c_str()),
               static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))};
    if (FAILED(central->TextData(CHARSET_TEXT, TTSDATAFLAG_TAGGED, data, nullptr,
                                 IID_ITTSBufNotifySink))) {
        ShowMessage(IDS_TTS_TEXTDATA);
        AbandonEngine();
        RemoveFile(wavPath);
        return false;
    }
    return true;
}

bool Sapi4Engine::SpeakToSpeakers(const std::u16string& text, const CSAPI4VoiceInfo& voice) {
    sinkKey = 0;
    ITTSFindW* find = nullptr;
    TTSMODEINFOW found{};
    if (!FindMode(voice, &find, &found))
        return false;
    if (FAILED(CoCreateInstance(CLSID_MMAudioDest, nullptr, CLSCTX_ALL, IID_IAudioMultiMediaDevice,
                                reinterpret_cast<void**>(&audioDevice)))) {
        audioDevice = nullptr;
        SafeRelease(find);
        return false;
    }
    audioDevice->DeviceNumSet(WAVE_MAPPER);
    if (FAILED(find->Select(found.gModeID, &central, audioDevice))) {
        central = nullptr;
        ShowMessage(IDS_TTS_SELECT);
        SafeRelease(audioDevice);
        SafeRelease(find);
        return false;
    }
    SafeRelease(find);
    if (FAILED(central->Register(sink, IID_ITTSNotifySinkW, &sinkKey))) {
        ShowMessage(IDS_TTS_REGISTER_SINK);
        SafeRelease(audioDevice);
        return false;
    }
    SDATA data{const_cast<WCHAR*>(text.c_str()),
               static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR))};
    if (FAILED(central->TextData(CHARSET_TEXT, TTSDATAFLAG_TAGGED, data, nullptr,
                                 IID_ITTSBufNotifySink))) {
        ShowMessage(IDS_TTS_TEXTDATA);
        AbandonEngine();
        return false;
    }
    return true;
}

void Sapi4Engine::AbandonEngine() {
    central->UnRegister(sinkKey);
    sinkKey = 0;
    SafeRelease(audioFile);
    SafeRelease(audioDevice);
    SafeRelease(central);
}

bool Sapi4Engine::EndSpeech() {
    bool completed = true;
    if (audioFile) {
        // The destination could not write all of the speech (a full disk, say):
        // say so, as the job would otherwise end as if the file had been written.
        if (FAILED(audioFile->Flush())) {
            ShowMessage(IDS_TTS_OUTPUT_FILE);
            completed = false;
        }
        SafeRelease(audioFile);
    }
    SafeRelease(audioDevice);
    if (central) {
        if (sinkKey != 0)
            central->UnRegister(sinkKey);
        sinkKey = 0;
        central->AudioReset();
        SafeRelease(central);
    }
    return completed;
}

std::size_t Sapi4Engine::VoiceCount() const {
    return voices.size();
}

const CSAPI4VoiceInfo& Sapi4Engine::Voice(std::size_t index) const {
    if (index >= voices.size())
        throw std::invalid_argument("SAPI 4 voice index out of range");
    return voices.at(index);
}
