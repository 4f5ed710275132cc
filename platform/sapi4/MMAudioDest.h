#pragma once
// The multimedia audio destination: plays an engine's audio on the default
// output. Creating one opens nothing; the device opens when a text is
// accepted, and is opened afresh after a reset.

#include "platform/audio/DeviceSink.h"
#include "platform/com/unknown.h"
#include "platform/sapi4/AudioDestination.h"
#include "platform/sapi4/sapi4.h"

#include <atomic>
#include <mutex>

class MMAudioDest : public ComObject<MMAudioDest, IAudioMultiMediaDevice, IAudioDestination> {
public:
    MMAudioDest() = default;
    ~MMAudioDest() override = default;

    HRESULT CustomMessage(UINT message, SDATA data) override;
    HRESULT DeviceNumGet(DWORD* deviceId) override;
    HRESULT DeviceNumSet(DWORD deviceId) override;

    void Bind(const WAVEFORMATEX& format) override;
    HRESULT Prepare(std::uint64_t* epoch) override;
    HRESULT Write(std::uint64_t epoch, const void* data, std::size_t bytes) override;
    HRESULT Complete(std::uint64_t epoch) override;
    void Reset() override;

private:
    // Held while the output is opened or written, so that a text accepted
    // after a reset never reopens the device under a write of the old text.
    // Reset does not take it: it must wake a write blocked on a full device.
    std::mutex m_mutex;
    DeviceSink m_output;
    WAVEFORMATEX m_format{};
    bool m_bound = false;
    DWORD m_deviceId = WAVE_MAPPER;
    std::atomic<std::uint64_t> m_epoch{1};
    std::atomic<bool> m_reopen{false};
};
