// An ALSA plugin for the tests: a playback device with no sound card behind it
// that takes audio at the pace of real time, as a sound card does. The null
// PCM swallows any amount at once, so a writer never waits on it; this device
// fills up, so the tests can reach a writer blocked on a full buffer.
//
// "slowdown N" makes it play N times slower than real time, so that a test can
// hold a writer at a full buffer for as long as it needs.
//
// Loaded by the tests' paced ALSA configuration (alsa-paced.conf, generated
// next to the test binary) as pcm type "vocalith_paced".

#include <algorithm>
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct PacedPcm {
    snd_pcm_ioplug_t io{};
    int timerFd = -1;
    Clock::time_point last{};
    snd_pcm_uframes_t boundary = 0;
    // How many times slower than real time the device plays.
    long long slowdown = 1;
};

PacedPcm* Self(snd_pcm_ioplug_t* io) {
    return static_cast<PacedPcm*>(io->private_data);
}

int Start(snd_pcm_ioplug_t* io) {
    Self(io)->last = Clock::now();
    return 0;
}

int Stop(snd_pcm_ioplug_t*) {
    return 0;
}

// Plays what time allows since the last look, never more than is queued; a
// device that ran dry simply waits for more, without an underrun.
snd_pcm_sframes_t Pointer(snd_pcm_ioplug_t* io) {
    PacedPcm* self = Self(io);
    const Clock::time_point now = Clock::now();
    if (io->state != SND_PCM_STATE_RUNNING && io->state != SND_PCM_STATE_DRAINING) {
        self->last = now;
        return static_cast<snd_pcm_sframes_t>(io->hw_ptr);
    }
    const long long elapsedUs =
        std::chrono::duration_cast<std::chrono::microseconds>(now - self->last).count();
    const auto due =
        static_cast<snd_pcm_uframes_t>(elapsedUs * io->rate / 1000000 / self->slowdown);
    const snd_pcm_uframes_t queued = snd_pcm_ioplug_hw_avail(io, io->hw_ptr, io->appl_ptr);
    const snd_pcm_uframes_t advance = std::min(due, queued);
    if (advance == queued) {
        // Ran dry: the time it waited for more earns nothing.
        self->last = now;
    } else {
        // Time is used up in whole frames only, so frequent looks lose nothing.
        self->last += std::chrono::microseconds(static_cast<long long>(advance) * 1000000 *
                                                self->slowdown / io->rate);
    }
    snd_pcm_uframes_t position = io->hw_ptr + advance;
    if (self->boundary > 0)
        position %= self->boundary;
    return static_cast<snd_pcm_sframes_t>(position);
}

snd_pcm_sframes_t Transfer(snd_pcm_ioplug_t*, const snd_pcm_channel_area_t*, snd_pcm_uframes_t,
                           snd_pcm_uframes_t size) {
    return static_cast<snd_pcm_sframes_t>(size);
}

int SwParams(snd_pcm_ioplug_t* io, snd_pcm_sw_params_t* params) {
    return snd_pcm_sw_params_get_boundary(params, &Self(io)->boundary);
}

int Prepare(snd_pcm_ioplug_t* io) {
    Self(io)->last = Clock::now();
    return 0;
}

// The timer ticks every few milliseconds; each tick looks whether a period
// has room.
int PollRevents(snd_pcm_ioplug_t* io, struct pollfd* pfd, unsigned int nfds,
                unsigned short* revents) {
    std::uint64_t ticks = 0;
    if (nfds > 0 && (pfd[0].revents & POLLIN)) {
        [[maybe_unused]] const ssize_t n = ::read(Self(io)->timerFd, &ticks, sizeof ticks);
    }
    const snd_pcm_sframes_t avail = snd_pcm_avail_update(io->pcm);
    *revents = 0;
    if (avail < 0)
        *revents = POLLERR;
    else if (static_cast<snd_pcm_uframes_t>(avail) >= io->period_size)
        *revents = POLLOUT;
    return 0;
}

int Close(snd_pcm_ioplug_t* io) {
    PacedPcm* self = Self(io);
    ::close(self->timerFd);
    delete self;
    return 0;
}

const snd_pcm_ioplug_callback_t kCallbacks = [] {
    snd_pcm_ioplug_callback_t c{};
    c.start = Start;
    c.stop = Stop;
    c.pointer = Pointer;
    c.transfer = Transfer;
    c.close = Close;
    c.sw_params = SwParams;
    c.prepare = Prepare;
    c.poll_revents = PollRevents;
    return c;
}();

int SetConstraints(snd_pcm_ioplug_t* io) {
    const unsigned access[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
    const unsigned formats[] = {SND_PCM_FORMAT_U8, SND_PCM_FORMAT_S16_LE};
    int err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 1, access);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, 2, formats);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, 1, 2);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, 8000, 48000);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 1 << 20);
    if (err >= 0)
        err = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64);
    return err;
}

} // namespace

extern "C" {

SND_PCM_PLUGIN_DEFINE_FUNC(vocalith_paced) {
    (void)root;
    snd_config_iterator_t i;
    snd_config_iterator_t next;
    long long slowdown = 1;
    snd_config_for_each(i, next, conf) {
        const char* id = nullptr;
        if (snd_config_get_id(snd_config_iterator_entry(i), &id) < 0)
            continue;
        const std::string_view key = id;
        if (key == "slowdown") {
            // A number, or the text of one when it comes from the environment.
            const char* text = nullptr;
            if (snd_config_get_integer64(snd_config_iterator_entry(i), &slowdown) < 0 &&
                snd_config_get_string(snd_config_iterator_entry(i), &text) >= 0)
                slowdown = std::atoll(text);
            continue;
        }
        if (key != "comment" && key != "type" && key != "hint")
            return -EINVAL;
    }
    if (slowdown < 1)
        return -EINVAL;

    auto* self = new PacedPcm;
    self->slowdown = slowdown;
    self->timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    const itimerspec tick{{0, 5000000}, {0, 5000000}};
    if (self->timerFd < 0 || timerfd_settime(self->timerFd, 0, &tick, nullptr) < 0) {
        if (self->timerFd >= 0)
            ::close(self->timerFd);
        delete self;
        return -errno;
    }
    self->io.version = SND_PCM_IOPLUG_VERSION;
    self->io.name = "Vocalith paced test PCM";
    self->io.flags = SND_PCM_IOPLUG_FLAG_BOUNDARY_WA;
    self->io.poll_fd = self->timerFd;
    self->io.poll_events = POLLIN;
    self->io.callback = &kCallbacks;
    self->io.private_data = self;
    int err = snd_pcm_ioplug_create(&self->io, name, stream, mode);
    if (err < 0) {
        ::close(self->timerFd);
        delete self;
        return err;
    }
    err = SetConstraints(&self->io);
    if (err < 0) {
        snd_pcm_ioplug_delete(&self->io);
        return err;
    }
    *pcmp = self->io.pcm;
    return 0;
}

SND_PCM_PLUGIN_SYMBOL(vocalith_paced)
}
