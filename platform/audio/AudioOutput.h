#pragma once
// The default audio output: ALSA's "default" PCM, streamed in small periods
// so that speech starts playing as soon as it is synthesised and a stop
// silences it at once.

#include "platform/audio/FrameAssembler.h"
#include "platform/audio/mmreg.h"
#include "platform/com/types.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

struct _snd_pcm;
struct pollfd;

class AudioOutput {
public:
    AudioOutput();
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens "default" for playback in this format (converting, if the device
    // needs it, is ALSA's plug layer's business). No usable device: a failure HRESULT, at once,
    // never a hang. A new stream: a Reset that came before it does not carry over.
    HRESULT Open(const WAVEFORMATEX& format);
    // Queues sample bytes; blocks only while the device buffer is full.
    // Gives E_ABORT promptly once Reset() was called from any thread.
    HRESULT Write(const void* data, std::size_t bytes);
    // Waits until everything written has been played; E_ABORT after Reset().
    HRESULT Drain();
    // Thread-safe, from any thread: drops what is not yet played at once and
    // wakes a blocked Write/Drain. Later Writes give E_ABORT until Open again.
    void Reset();
    void Close();
    bool IsOpen() const;

private:
    enum class Wait { Ready, Aborted, Stalled };
    HRESULT WriteFrames(const std::uint8_t* data, std::size_t frames);
    Wait WaitForRoom();
    bool SleepUnlessReset(int timeoutMs);
    // Calls `step` under the lock every few milliseconds until it gives a
    // result (a std::optional<HRESULT> that holds one); a Reset ends the wait
    // with E_ABORT, a closed device with E_UNEXPECTED.
    template <class Step> HRESULT PollDevice(Step&& step);
    void ClearWakeUp();

    // Serialises every call on the PCM handle: the writer's and Reset's.
    mutable std::mutex m_mutex;
    _snd_pcm* m_pcm = nullptr;
    WAVEFORMATEX m_format{};
    std::size_t m_frameBytes = 0;
    unsigned long m_bufferFrames = 0;
    std::atomic<bool> m_aborted{false};
    // Reset signals this eventfd so that a writer waiting on the device wakes
    // at once instead of at its next period.
    int m_wakeFd = -1;
    // The writer's own state, touched by the writer thread only.
    std::vector<pollfd> m_pollFds;
    FrameAssembler m_frames;
};
