#include "platform/audio/PcmConverter.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

namespace {

constexpr DWORD kMinRate = 8000;
constexpr DWORD kMaxRate = 48000;

AVSampleFormat SampleFormatOf(const WAVEFORMATEX& f) {
    return f.wBitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

std::size_t FrameBytes(const WAVEFORMATEX& f) {
    return static_cast<std::size_t>(f.nChannels) * f.wBitsPerSample / 8;
}

// swresample's own mono/stereo matrix mixes a centre channel in at -3 dB;
// speech should keep its level, so a mono voice goes to both sides at full
// level and a stereo one is averaged down.
int SetChannelMatrix(SwrContext* swr, int inChannels, int outChannels) {
    if (inChannels == outChannels)
        return 0;
    if (inChannels == 1) {
        const double upmix[2] = {1.0, 1.0};
        return swr_set_matrix(swr, upmix, 1);
    }
    const double downmix[2] = {0.5, 0.5};
    return swr_set_matrix(swr, downmix, 2);
}

} // namespace

PcmConverter::PcmConverter() = default;

PcmConverter::~PcmConverter() {
    Close();
}

bool PcmConverter::IsSupported(const WAVEFORMATEX& f) {
    return f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
           (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) && f.nSamplesPerSec >= kMinRate &&
           f.nSamplesPerSec <= kMaxRate && f.nBlockAlign == FrameBytes(f);
}

HRESULT PcmConverter::Open(const WAVEFORMATEX& from, const WAVEFORMATEX& to) {
    Close();
    if (!IsSupported(from) || !IsSupported(to))
        return E_INVALIDARG;

    AVChannelLayout inLayout;
    AVChannelLayout outLayout;
    av_channel_layout_default(&inLayout, from.nChannels);
    av_channel_layout_default(&outLayout, to.nChannels);
    SwrContext* swr = nullptr;
    int err = swr_alloc_set_opts2(
        &swr, &outLayout, SampleFormatOf(to), static_cast<int>(to.nSamplesPerSec), &inLayout,
        SampleFormatOf(from), static_cast<int>(from.nSamplesPerSec), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (err >= 0)
        err = SetChannelMatrix(swr, from.nChannels, to.nChannels);
    if (err >= 0)
        err = swr_init(swr);
    if (err < 0) {
        swr_free(&swr);
        return err == AVERROR(ENOMEM) ? E_OUTOFMEMORY : E_FAIL;
    }
    m_swr = swr;
    m_from = from;
    m_to = to;
    m_frames.Start(FrameBytes(from));
    return S_OK;
}

HRESULT PcmConverter::Run(const std::uint8_t* in, int inFrames, std::vector<std::uint8_t>& out) {
    const std::size_t outFrameBytes = FrameBytes(m_to);
    for (;;) {
        const int room = swr_get_out_samples(m_swr, inFrames);
        if (room < 0)
            return E_FAIL;
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(std::max(room, 1)) * outFrameBytes);
        std::uint8_t* outPlane = out.data() + start;
        const int made =
            swr_convert(m_swr, &outPlane, std::max(room, 1), in ? &in : nullptr, in ? inFrames : 0);
        out.resize(start + static_cast<std::size_t>(std::max(made, 0)) * outFrameBytes);
        if (made < 0)
            return made == AVERROR(ENOMEM) ? E_OUTOFMEMORY : E_FAIL;
        // A block of input is taken whole in one call; draining the end of
        // the stream repeats until the resampler has nothing left.
        if (in != nullptr || made == 0)
            return S_OK;
    }
}

HRESULT PcmConverter::Convert(const void* in, std::size_t inBytes, std::vector<std::uint8_t>& out) {
    if (m_swr == nullptr)
        return E_UNEXPECTED;
    if (inBytes == 0)
        return S_OK;
    if (in == nullptr)
        return E_POINTER;

    const std::size_t frameBytes = FrameBytes(m_from);
    return m_frames.Feed(in, inBytes, [&](const std::uint8_t* block, std::size_t frames) {
        // swr_convert counts frames in an int; a huge block goes in slices.
        constexpr std::size_t kSliceFrames = 1 << 20;
        HRESULT hr = S_OK;
        for (std::size_t done = 0; done < frames && SUCCEEDED(hr); done += kSliceFrames) {
            const std::size_t slice = std::min(kSliceFrames, frames - done);
            hr = Run(block + done * frameBytes, static_cast<int>(slice), out);
        }
        return hr;
    });
}

HRESULT PcmConverter::Flush(std::vector<std::uint8_t>& out) {
    if (m_swr == nullptr)
        return E_UNEXPECTED;
    // A trailing piece of a frame cannot be played; it is dropped.
    m_frames.Clear();
    const HRESULT hr = Run(nullptr, 0, out);
    // Ready for another stream in the same formats.
    if (swr_init(m_swr) < 0) {
        Close();
        return FAILED(hr) ? hr : E_FAIL;
    }
    return hr;
}

void PcmConverter::Close() {
    swr_free(&m_swr);
    m_frames.Clear();
    m_from = {};
    m_to = {};
}
