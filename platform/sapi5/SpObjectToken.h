#pragma once
// The token of one espeak-ng voice in the voices category. Its default value
// is the voice's readable name; a value named after the hex language id of
// the voice's language ("409", "809", "407") holds the name as that language
// shows it.

#include "platform/com/unknown.h"
#include "platform/sapi5/EspeakRuntime.h"
#include "platform/sapi5/sapi5.h"

#include <optional>
#include <string>
#include <string_view>

class SpObjectToken : public ComObject<SpObjectToken, ISpObjectToken> {
public:
    explicit SpObjectToken(EspeakVoice voice) : m_voice(std::move(voice)) {}

    HRESULT GetId(LPWSTR* coMemTokenId) override;
    HRESULT GetStringValue(LPCWSTR valueName, LPWSTR* coMemData) override;

    const EspeakVoice& Voice() const { return m_voice; }

    static std::u16string TokenIdOf(const EspeakVoice& voice);
    // The espeak voice identifier a token id names; nothing for ids of other
    // runtimes.
    static std::optional<std::string> IdentifierOf(std::u16string_view tokenId);

private:
    EspeakVoice m_voice;
};

// A copy of a string in memory from the COM task allocator.
HRESULT CoTaskMemString(std::u16string_view text, LPWSTR* out);
