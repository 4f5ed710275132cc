#include "src/speech/Sapi5Engine.h"

#include "platform/com/com.h"
#include "platform/com/langid.h"
#include "platform/com/strings.h"
#include "src/resources/MessageService.h"
#include "src/resources/resource.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>

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

Sapi5Engine::Sapi5Engine() {
    EnumerateVoices();
}

Sapi5Engine::Sapi5Engine(NoEnumeration) {}

std::unique_ptr<Sapi5Engine> Sapi5Engine::WithVoicesOf(const Sapi5Engine& other) {
    std::unique_ptr<Sapi5Engine> engine(new Sapi5Engine(NoEnumeration{}));
    for (const auto& entry : other.voices)
        engine->voices.push_back(
            std::make_unique<CSpObjectToken>(entry->token, entry->displayName));
    return engine;
}

Sapi5Engine::~Sapi5Engine() {
    voices.clear();
    SafeRelease(voice);
    SafeRelease(stream);
    CoTaskMemFree(waveFormat);
    waveFormat = nullptr;
}

bool Sapi5Engine::EnumerateVoices() {
    ISpObjectTokenCategory* category = nullptr;
    if (FAILED(CoCreateInstance(CLSID_SpObjectTokenCategory, nullptr, CLSCTX_ALL,
                                IID_ISpObjectTokenCategory, reinterpret_cast<void**>(&category))))
        return false;
    IEnumSpObjectTokens* tokens = nullptr;
    if (FAILED(category->SetId(SPCAT_VOICES, FALSE)) ||
        FAILED(category->EnumTokens(nullptr, nullptr, &tokens))) {
        SafeRelease(tokens);
        SafeRelease(category);
        return false;
    }

    const std::u16string languageValue = UserLanguageValueName();
    ISpObjectToken* token = nullptr;
    while (tokens->Next(1, &token, nullptr) == S_OK) {
        std::u16string name;
        if (ReadStringValue(token, languageValue.c_str(), name) ||
            ReadStringValue(token, nullptr, name))
            voices.push_back(std::make_unique<CSpObjectToken>(token, std::move(name)));
        SafeRelease(token);
    }
    SafeRelease(tokens);
    SafeRelease(category);
    return true;
}

void Sapi5Engine::ReleaseJobObjects() {
    SafeRelease(stream);
    SafeRelease(voice);
    CoTaskMemFree(waveFormat);
    waveFormat = nullptr;
    doneEvent = nullptr;
}

bool Sapi5Engine::SpeakToFile(const std::u16string& wavPath, ISpObjectToken* token,
                              const std::u16string& text, int streamFormat) {
    ReleaseJobObjects();
    if (FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                reinterpret_cast<void**>(&voice)))) {
        AfxMessageBox(IDS_SP_VOICE, MB_OK);
        return false;
    }
    if (FAILED(CoCreateInstance(CLSID_SpStream, nullptr, CLSCTX_ALL, IID_ISpStream,
                                reinterpret_cast<void**>(&stream)))) {
        AfxMessageBox(IDS_SP_STREAM, MB_OK);
        return false;
    }
    GUID formatId{};
    if (FAILED(SpConvertStreamFormatEnum(static_cast<SPSTREAMFORMAT>(streamFormat), &formatId,
                                         &waveFormat))) {
        AfxMessageBox(IDS_SP_FORMAT, MB_OK);
        return false;
    }
    if (FAILED(stream->BindToFile(wavPath.c_str(), SPFM_CREATE_ALWAYS, &formatId, waveFormat, 0))) {
        AfxMessageBox(IDS_SP_BIND, MB_OK);
        return false;
    }

    // From here on the file exists: a failure must not leave it behind, half
    // a WAV file that nothing will ever complete or remove.
    auto fail = [&](UINT message) {
        stream->Close();
        SafeRelease(stream);
        // Only a regular file: a device node the user named was never ours.
        const std::filesystem::path file(ToUtf8(wavPath));
        std::error_code error;
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(file, error)))
            std::filesystem::remove(file, error);
        AfxMessageBox(message, MB_OK);
        return false;
    };
    if (FAILED(voice->SetOutput(stream, TRUE)))
        return fail(IDS_SP_SET_OUTPUT);
    if (FAILED(voice->SetVoice(token)))
        return fail(IDS_SP_SET_VOICE);
    if (FAILED(voice->Speak(text.c_str(), SPF_ASYNC | SPF_IS_XML, nullptr)))
        return fail(IDS_SP_SPEAK);
    doneEvent = voice->SpeakCompleteEvent();
    return true;
}

bool Sapi5Engine::SpeakToSpeakers(const std::u16string& text, ISpObjectToken* token) {
    ReleaseJobObjects();
    if (FAILED(CoCreateInstance(CLSID_SpVoice, nullptr, CLSCTX_ALL, IID_ISpVoice,
                                reinterpret_cast<void**>(&voice)))) {
        AfxMessageBox(IDS_SP_VOICE, MB_OK);
        return false;
    }
    if (FAILED(voice->SetVoice(token))) {
        AfxMessageBox(IDS_SP_SET_VOICE, MB_OK);
        return false;
    }
    if (FAILED(voice->Speak(text.c_str(), SPF_ASYNC | SPF_IS_XML, nullptr))) {
        AfxMessageBox(IDS_SP_SPEAK, MB_OK);
        return false;
    }
    doneEvent = voice->SpeakCompleteEvent();
    return true;
}

void Sapi5Engine::ReleaseSpeech() {
    ReleaseJobObjects();
}

HRESULT Sapi5Engine::CompleteFile() {
    return stream ? stream->Close() : S_OK;
}

std::size_t Sapi5Engine::VoiceCount() const {
    return voices.size();
}

const CSpObjectToken& Sapi5Engine::Voice(std::size_t index) const {
    if (index >= voices.size())
        throw std::invalid_argument("SAPI 5 voice index out of range");
    return *voices[index];
}
