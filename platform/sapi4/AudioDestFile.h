#pragma once
// The file audio destination: writes an engine's audio into a WAV file in
// the engine's own format. Flush completes the file; a file whose writing
// failed is removed rather than left half-written, and Flush reports why.

#include "platform/audio/WavFileSink.h"
#include "platform/com/unknown.h"
#include "platform/sapi4/AudioDestination.h"
#include "platform/sapi4/sapi4.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

// The conversion speed of a file destination: 0x100 writes at the pace of
// real time, 0x200 twice as fast, 0xFFFF as fast as the engine can.
inline constexpr WORD kRealTimeUnit = 0x100;
inline constexpr WORD kAsFastAsPossible = 0xFFFF;

class AudioDestFile : public ComObject<AudioDestFile, IAudioFile, IAudioDestination> {
public:
    AudioDestFile() = default;
    ~AudioDestFile() override = default;

    HRESULT Register(void* notifySink) override;
    HRESULT Set(LPCWSTR path, DWORD flags) override;
    HRESULT Add(LPCWSTR path, DWORD flags) override;
    HRESULT Flush() override;
    HRESULT RealTimeGet(WORD* realTime) override;
    HRESULT RealTimeSet(WORD realTime) override;

    void Bind(const WAVEFORMATEX& format) override;
    HRESULT Prepare(std::uint64_t* epoch) override;
    HRESULT Write(std::uint64_t epoch, const void* data, std::size_t bytes) override;
    HRESULT Complete(std::uint64_t epoch) override;
    void Reset() override;

private:
    HRESULT LastError() const;
    HRESULT NotOpenError() const;

    std::mutex m_mutex;
    std::condition_variable m_wake; // ends a paced wait on reset
    WavFileSink m_file;
    HRESULT m_createError = S_OK; // of a file created at Bind
    // A file named before the engine's format was known; created at Bind.
    std::u16string m_pendingPath;
    WAVEFORMATEX m_format{};
    bool m_bound = false;
    WORD m_realTime = kAsFastAsPossible;
    std::chrono::steady_clock::time_point m_paceStart;
    std::uint64_t m_pacedBytes = 0;
    std::uint64_t m_epoch = 1;
};
