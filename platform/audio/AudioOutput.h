#pragma once
// The default audio output: ALSA's "default" PCM, streamed in small periods
// so that speech starts playing as soon as it is synthesised and a stop
// silences it at once.

#include <atomic>
#include <cstddef>
#include <mutex>

#include "platform/audio/mmreg.h"
#include "platform/com/types.h"

struct _snd_pcm;

class AudioOutput {
public:
    AudioOutput();
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    // Opens "default" for playback in this format (converting, if the device
    // needs it, is ALSA's plug layer's business). No usable device: a failure HRESULT, at once, never a hang.
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
    enum class Wait { Ready, Aborted, Failed };
    Wait WaitForDevice();
    bool Aborted() const;

    // Guards the PCM handle against a Reset racing Close or Write's own calls.
    mutable std::mutex m_mutex;
    _snd_pcm* m_pcm = nullptr;
    WAVEFORMATEX m_format{};
    std::atomic<bool> m_aborted{false};
    // An eventfd Reset signals so that a poll on the device wakes at once.
    int m_wakeFd = -1;
};
