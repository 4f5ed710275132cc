#pragma once
// A stream bound to a WAV file. The file is written as audio arrives and
// completed when the stream is closed or finally released. A write that fails
// (a full disk) fails the speech, and the file is deleted rather than left
// behind cut short.

#include "platform/audio/WavFileSink.h"
#include "platform/com/unknown.h"
#include "platform/sapi5/sapi5.h"

#include <mutex>

class SpStream : public ComObject<SpStream, ISpStream> {
public:
    ~SpStream() override;

    HRESULT BindToFile(LPCWSTR fileName, SPFILEMODE mode, const GUID* formatId,
                       const WAVEFORMATEX* waveFormat, ULONGLONG eventInterest) override;
    HRESULT GetFormat(GUID* formatId, WAVEFORMATEX** coMemWaveFormat) override;
    HRESULT Write(const void* data, ULONG bytes, ULONG* written) override;
    HRESULT Close() override;

private:
    enum class State { Unbound, Open, Failed, Closed };

    // The synthesis thread writes while the client may close.
    std::mutex m_mutex;
    State m_state = State::Unbound;
    WavFileSink m_file;
    WAVEFORMATEX m_format{};
};
