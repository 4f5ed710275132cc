#pragma once
// What the engine needs of an audio destination of this runtime. Both
// destination classes implement it next to their published interface; the
// engine finds it with QueryInterface on the object handed to Select.
//
// Every text the engine speaks carries the destination's epoch from the
// moment it was accepted; AudioReset moves the epoch on, so that whatever the
// synthesis thread still delivers for an earlier text is refused at once.

#include "platform/audio/mmreg.h"
#include "platform/com/unknown.h"

#include <cstddef>
#include <cstdint>

inline constexpr IID IID_IAudioDestination = {
    0x6F1C2E50, 0x5A0B, 0x4D8E, {0x9B, 0x37, 0x21, 0xC4, 0x7E, 0x5D, 0x10, 0xB0}};

struct IAudioDestination : IUnknown {
    static constexpr const IID& iid = IID_IAudioDestination;
    // The engine's format, told when it is selected for the destination.
    virtual void Bind(const WAVEFORMATEX& format) = 0;
    // Called when a text is accepted, on the caller's thread: a device opens
    // here, so that a missing one is reported to the caller of TextData.
    virtual HRESULT Prepare(std::uint64_t* epoch) = 0;
    // From the synthesis thread. E_ABORT once the epoch is stale.
    virtual HRESULT Write(std::uint64_t epoch, const void* data, std::size_t bytes) = 0;
    // From the synthesis thread after the last audio of a text: returns when
    // that audio has been played or written.
    virtual HRESULT Complete(std::uint64_t epoch) = 0;
    // Discards what is not yet played or written, at once, from any thread.
    virtual void Reset() = 0;

protected:
    ~IAudioDestination() = default;
};
