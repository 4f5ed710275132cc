#pragma once
// A fake SAPI 5 runtime for the engine adapter's tests: tokens with preset
// string values, and a category, voice and stream whose every step can be
// told to fail. The stream creates its file on BindToFile as the real one
// does, so that tests can see what is left on disk. Installed in the class
// registry while the object lives.

#include "platform/com/com.h"
#include "platform/sapi5/sapi5.h"
#include "platform/sync/sync.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class FakeSapi5Token : public ComObject<FakeSapi5Token, ISpObjectToken> {
public:
    // values: value name -> text; the name u"" is the default value.
    FakeSapi5Token(std::u16string id, std::map<std::u16string, std::u16string> values);
    ~FakeSapi5Token() override;

    HRESULT GetId(LPWSTR* coMemTokenId) override;
    HRESULT GetStringValue(LPCWSTR valueName, LPWSTR* coMemData) override;

    // How many tokens exist right now.
    static int Alive();

private:
    std::u16string id_;
    std::map<std::u16string, std::u16string> values_;
};

class FakeSapi5Runtime {
public:
    FakeSapi5Runtime();
    ~FakeSapi5Runtime();
    FakeSapi5Runtime(const FakeSapi5Runtime&) = delete;
    FakeSapi5Runtime& operator=(const FakeSapi5Runtime&) = delete;

    // Adds a token to the category (the runtime keeps a reference).
    FakeSapi5Token* AddToken(std::u16string id, std::map<std::u16string, std::u16string> values);

    // Results the fake objects give; a failing create leaves no object.
    struct Results {
        HRESULT createCategory = S_OK, setId = S_OK, enumTokens = S_OK;
        HRESULT createVoice = S_OK, setOutput = S_OK, setVoice = S_OK, speak = S_OK;
        HRESULT createStream = S_OK, bindToFile = S_OK;
    } results;

    // What the fakes were given.
    struct Calls {
        std::u16string categoryId;
        BOOL createIfNotExist = -1;
        bool enumAttributesNull = false;
        int setOutputCalls = 0;
        IUnknown* output = nullptr; // compared, never used
        BOOL allowFormatChanges = -1;
        ISpObjectToken* voiceToken = nullptr;
        std::u16string spokenText;
        DWORD speakFlags = 0xFFFFFFFF;
        std::vector<DWORD> purges;
        std::u16string boundPath;
        int bindMode = -1;
        GUID boundFormatId{};
        WAVEFORMATEX boundFormat{};
        ULONGLONG eventInterest = 1;
        bool streamClosed = false;
        // Whether the bound file was still on disk when the stream was closed.
        bool fileExistedAtClose = false;
    };
    std::shared_ptr<Calls> calls = std::make_shared<Calls>();

    // Live fake voices and streams.
    int VoicesAlive() const;
    int StreamsAlive() const;
    // The event the fake voices hand out as their speak-complete event.
    Event* CompleteEvent() { return &complete_; }

private:
    struct Overrides;
    std::vector<FakeSapi5Token*> tokens_;
    Event complete_{false};
    std::unique_ptr<Overrides> overrides_;
};
