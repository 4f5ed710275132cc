#pragma once
// Callers hand over PCM in blocks cut anywhere, while the output, the
// resampler and the encoder take whole sample frames only. The assembler
// passes on the whole frames of each block and keeps the start of a frame
// split between blocks until its rest arrives.

#include "platform/com/types.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class FrameAssembler {
public:
    // A new stream of `frameBytes`-byte frames; a piece held from before is dropped.
    void Start(std::size_t frameBytes) {
        m_frame.assign(frameBytes, 0);
        m_held = 0;
    }
    // Drops a held piece: the end of a stream cannot play half a frame.
    void Clear() { m_held = 0; }
    std::size_t FrameBytes() const { return m_frame.size(); }
    std::size_t HeldBytes() const { return m_held; }

    // Hands the whole frames of `data` to `deliver(const std::uint8_t*, std::size_t frames)`,
    // a completed split frame first. The first failure of `deliver` is the result; the
    // piece after it is then not kept.
    template <class Deliver> HRESULT Feed(const void* data, std::size_t bytes, Deliver&& deliver) {
        const std::size_t frameBytes = m_frame.size();
        if (frameBytes == 0)
            return E_UNEXPECTED;
        if (bytes == 0)
            return S_OK;
        const auto* p = static_cast<const std::uint8_t*>(data);
        if (m_held > 0) {
            const std::size_t take = std::min(bytes, frameBytes - m_held);
            std::memcpy(m_frame.data() + m_held, p, take);
            m_held += take;
            p += take;
            bytes -= take;
            if (m_held < frameBytes)
                return S_OK;
            m_held = 0;
            const HRESULT hr = deliver(m_frame.data(), std::size_t{1});
            if (FAILED(hr))
                return hr;
        }
        const std::size_t frames = bytes / frameBytes;
        if (frames > 0) {
            const HRESULT hr = deliver(p, frames);
            if (FAILED(hr))
                return hr;
        }
        m_held = bytes - frames * frameBytes;
        if (m_held > 0)
            std::memcpy(m_frame.data(), p + frames * frameBytes, m_held);
        return S_OK;
    }

private:
    std::vector<std::uint8_t> m_frame; // the split frame being completed
    std::size_t m_held = 0;
};
