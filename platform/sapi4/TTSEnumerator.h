#pragma once
// The TTS enumerator: lists the installed modes, finds one matching a mode
// description, and creates an engine for a mode bound to an audio
// destination of this runtime.

#include "platform/com/unknown.h"
#include "platform/sapi4/sapi4.h"

#include <cstddef>

class TTSEnumerator : public ComObject<TTSEnumerator, ITTSEnumW, ITTSFindW> {
public:
    explicit TTSEnumerator(std::size_t position = 0) : m_position(position) {}
    ~TTSEnumerator() override = default;

    HRESULT Next(ULONG count, PTTSMODEINFOW modes, ULONG* fetched) override;
    HRESULT Skip(ULONG count) override;
    HRESULT Reset() override;
    HRESULT Clone(ITTSEnumW** copy) override;
    HRESULT Find(PTTSMODEINFOW pattern, PTTSMODEINFORANK ranking, PTTSMODEINFOW found) override;
    HRESULT Select(GUID modeId, ITTSCentralW** central, IUnknown* audioDest) override;

private:
    std::size_t m_position;
};
