#include "platform/audio/AudioOutput.h"

#include "platform/audio/PcmSink.h"

#include <algorithm>
#include <alsa/asoundlib.h>
#include <cerrno>
#include <chrono>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {

// Small periods let the first words play at once and a stop take effect at
// once; four of them are enough to ride out a busy moment of the synthesiser.
constexpr unsigned kPeriodMicroseconds = 50000;
constexpr unsigned kBufferMicroseconds = 200000;
// A device that plays nothing for this long has stopped; the writer gives up
// rather than hang.
constexpr auto kStallTime = std::chrono::seconds(3);
// How long a wait on the device lasts before the writer looks again.
constexpr int kPollSliceMilliseconds = 250;
// How often Drain looks at the device while the last periods play out.
constexpr int kDrainPollMilliseconds = 10;

// Tells a device that plays slowly from one that has stopped: progress is any
// change in the room it reports.
class StallWatch {
public:
    bool Stalled(snd_pcm_sframes_t avail) {
        const auto now = std::chrono::steady_clock::now();
        if (avail != m_lastAvail) {
            m_lastAvail = avail;
            m_lastProgress = now;
        }
        return now - m_lastProgress >= kStallTime;
    }

private:
    snd_pcm_sframes_t m_lastAvail = -1;
    std::chrono::steady_clock::time_point m_lastProgress = std::chrono::steady_clock::now();
};

HRESULT FromAlsaError(int err) {
    return err == -ENOMEM ? E_OUTOFMEMORY : E_FAIL;
}

bool IsPlayableFormat(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec > 0 &&
           f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8;
}

int ConfigureHardware(snd_pcm_t* pcm, const WAVEFORMATEX& f, snd_pcm_uframes_t& period,
                      snd_pcm_uframes_t& buffer) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    int err = snd_pcm_hw_params_any(pcm, hw);
    if (err >= 0)
        err = snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED);
    if (err >= 0)
        err = snd_pcm_hw_params_set_format(
            pcm, hw, f.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE);
    if (err >= 0)
        err = snd_pcm_hw_params_set_channels(pcm, hw, f.nChannels);
    if (err >= 0)
        err = snd_pcm_hw_params_set_rate_resample(pcm, hw, 1);
    // Only the exact rate will do: a near one would play the voice too fast or too slow.
    if (err >= 0)
        err = snd_pcm_hw_params_set_rate(pcm, hw, f.nSamplesPerSec, 0);
    unsigned periodTime = kPeriodMicroseconds;
    unsigned bufferTime = kBufferMicroseconds;
    int dir = 0;
    // Devices that cannot meet the wished-for sizes still play; their own are used.
    if (err >= 0 && snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodTime, &dir) >= 0)
        snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferTime, &dir);
    if (err >= 0)
        err = snd_pcm_hw_params(pcm, hw);
    if (err >= 0)
        err = snd_pcm_hw_params_get_period_size(hw, &period, &dir);
    if (err >= 0)
        err = snd_pcm_hw_params_get_buffer_size(hw, &buffer);
    return err;
}

int ConfigureSoftware(snd_pcm_t* pcm, snd_pcm_uframes_t period) {
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    int err = snd_pcm_sw_params_current(pcm, sw);
    // Playback starts as soon as one period is queued.
    if (err >= 0)
        err = snd_pcm_sw_params_set_start_threshold(pcm, sw, period);
    if (err >= 0)
        err = snd_pcm_sw_params_set_avail_min(pcm, sw, period);
    if (err >= 0)
        err = snd_pcm_sw_params(pcm, sw);
    return err;
}

} // namespace

AudioOutput::AudioOutput() : m_wakeFd(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

AudioOutput::~AudioOutput() {
    Close();
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
}

void AudioOutput::ClearWakeUp() {
    std::uint64_t count = 0;
    while (::read(m_wakeFd, &count, sizeof count) > 0) {
    }
}

HRESULT AudioOutput::Open(const WAVEFORMATEX& format) {
    Close();
    if (!IsPlayableFormat(format))
        return E_INVALIDARG;
    if (m_wakeFd < 0)
        return E_OUTOFMEMORY;

    // Nonblocking: a busy device refuses at once, and the writer keeps
    // control of every wait so that Reset can cut it short.
    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0)
        return FromAlsaError(err);
    snd_pcm_uframes_t period = 0;
    snd_pcm_uframes_t buffer = 0;
    err = ConfigureHardware(pcm, format, period, buffer);
    if (err >= 0)
        err = ConfigureSoftware(pcm, period);
    if (err < 0) {
        snd_pcm_close(pcm);
        return FromAlsaError(err);
    }

    std::lock_guard lock(m_mutex);
    ClearWakeUp();
    m_pcm = pcm;
    m_format = format;
    m_frameBytes = format.nBlockAlign;
    m_bufferFrames = buffer;
    m_frames.Start(m_frameBytes);
    m_aborted.store(false);
    return S_OK;
}

HRESULT AudioOutput::Write(const void* data, std::size_t bytes) {
    if (m_aborted.load())
        return E_ABORT;
    if (const std::optional<HRESULT> shortcut = PcmWriteShortcut(IsOpen(), data, bytes))
        return *shortcut;
    return m_frames.Feed(data, bytes, [this](const std::uint8_t* frames, std::size_t count) {
        return WriteFrames(frames, count);
    });
}

HRESULT AudioOutput::WriteFrames(const std::uint8_t* data, std::size_t frames) {
    while (frames > 0) {
        {
            std::lock_guard lock(m_mutex);
            if (m_aborted.load())
                return E_ABORT;
            if (m_pcm == nullptr)
                return E_UNEXPECTED;
            const snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, data, frames);
            if (n > 0) {
                data += static_cast<std::size_t>(n) * m_frameBytes;
                frames -= static_cast<std::size_t>(n);
                continue;
            }
            if (n == -EBADFD) {
                // Drained earlier: the device is set up but not prepared.
                if (snd_pcm_prepare(m_pcm) < 0)
                    return E_FAIL;
                continue;
            }
            if (n == -EPIPE || n == -ESTRPIPE || n == -EINTR) {
                // An underrun (the synthesiser fell behind) or a suspend.
                if (snd_pcm_recover(m_pcm, static_cast<int>(n), 1) < 0)
                    return E_FAIL;
                continue;
            }
            if (n < 0 && n != -EAGAIN)
                return FromAlsaError(static_cast<int>(n));
        }
        switch (WaitForRoom()) {
        case Wait::Ready:
            break;
        case Wait::Aborted:
            return E_ABORT;
        case Wait::Stalled:
            return E_FAIL;
        }
    }
    return S_OK;
}

AudioOutput::Wait AudioOutput::WaitForRoom() {
    StallWatch watch;
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_aborted.load())
                return Wait::Aborted;
            if (m_pcm == nullptr)
                return Wait::Stalled;
            if (watch.Stalled(snd_pcm_avail_update(m_pcm)))
                return Wait::Stalled;
            const int count = std::max(snd_pcm_poll_descriptors_count(m_pcm), 0);
            m_pollFds.resize(static_cast<std::size_t>(count) + 1);
            const int filled =
                snd_pcm_poll_descriptors(m_pcm, m_pollFds.data() + 1, static_cast<unsigned>(count));
            m_pollFds.resize(static_cast<std::size_t>(std::max(filled, 0)) + 1);
        }
        m_pollFds[0] = pollfd{m_wakeFd, POLLIN, 0};

        // The wait itself holds no lock: Reset takes it to drop the audio.
        const int ready = ::poll(m_pollFds.data(), m_pollFds.size(), kPollSliceMilliseconds);
        if (m_aborted.load())
            return Wait::Aborted;
        if (ready < 0 && errno != EINTR)
            return Wait::Stalled;
        if (ready <= 0)
            continue;

        std::lock_guard lock(m_mutex);
        if (m_pcm == nullptr)
            return Wait::Stalled;
        unsigned short revents = 0;
        if (snd_pcm_poll_descriptors_revents(m_pcm, m_pollFds.data() + 1,
                                             static_cast<unsigned>(m_pollFds.size() - 1),
                                             &revents) < 0)
            return Wait::Stalled;
        // An error shows itself to the next write, which recovers from it.
        if (revents & (POLLOUT | POLLERR))
            return Wait::Ready;
    }
}

bool AudioOutput::SleepUnlessReset(int timeoutMs) {
    pollfd wake{m_wakeFd, POLLIN, 0};
    ::poll(&wake, 1, timeoutMs);
    return !m_aborted.load();
}

template <class Step> HRESULT AudioOutput::PollDevice(Step&& step) {
    for (;;) {
        {
            std::lock_guard lock(m_mutex);
            if (m_aborted.load())
                return E_ABORT;
            if (m_pcm == nullptr)
                return E_UNEXPECTED;
            if (const std::optional<HRESULT> done = step())
                return *done;
        }
        if (!SleepUnlessReset(kDrainPollMilliseconds))
            return E_ABORT;
    }
}

HRESULT AudioOutput::Drain() {
    m_frames.Clear();
    // Plugins (a sound server's among them) may block in snd_pcm_drain however
    // the PCM was opened, and Reset must not wait behind that. So the buffer is
    // first left to play out here, in waits Reset can cut short; the drain
    // afterwards only hands over what the plugins still hold.
    StallWatch watch;
    bool bufferEmpty = false;
    const HRESULT played = PollDevice([&]() -> std::optional<HRESULT> {
        const snd_pcm_state_t state = snd_pcm_state(m_pcm);
        if (state == SND_PCM_STATE_SETUP)
            return S_OK;
        const snd_pcm_sframes_t avail = snd_pcm_avail(m_pcm);
        if (state == SND_PCM_STATE_XRUN || avail == -EPIPE) {
            // The device ran dry: everything written has been played.
            snd_pcm_drop(m_pcm);
            return S_OK;
        }
        if (avail < 0)
            return FromAlsaError(static_cast<int>(avail));
        if (static_cast<snd_pcm_uframes_t>(avail) >= m_bufferFrames) {
            bufferEmpty = true;
            return S_OK;
        }
        // Less than the start threshold was written: play it anyway.
        if (state == SND_PCM_STATE_PREPARED && snd_pcm_start(m_pcm) < 0)
            return E_FAIL;
        if (watch.Stalled(avail)) {
            snd_pcm_drop(m_pcm);
            return E_FAIL;
        }
        return std::nullopt;
    });
    if (!bufferEmpty)
        return played;

    return PollDevice([&]() -> std::optional<HRESULT> {
        const int err = snd_pcm_drain(m_pcm);
        if (err == 0 || snd_pcm_state(m_pcm) == SND_PCM_STATE_SETUP)
            return S_OK;
        if (err == -EPIPE) {
            snd_pcm_drop(m_pcm);
            return S_OK;
        }
        if (err != -EAGAIN)
            return FromAlsaError(err);
        if (watch.Stalled(snd_pcm_avail_update(m_pcm))) {
            snd_pcm_drop(m_pcm);
            return E_FAIL;
        }
        return std::nullopt;
    });
}

void AudioOutput::Reset() {
    m_aborted.store(true);
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wakeFd, &one, sizeof one);
    }
    std::lock_guard lock(m_mutex);
    if (m_pcm != nullptr)
        snd_pcm_drop(m_pcm);
}

void AudioOutput::Close() {
    std::lock_guard lock(m_mutex);
    if (m_pcm != nullptr) {
        snd_pcm_close(m_pcm);
        m_pcm = nullptr;
    }
    m_frames.Clear();
}

bool AudioOutput::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_pcm != nullptr;
}
