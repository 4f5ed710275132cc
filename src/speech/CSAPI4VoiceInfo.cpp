#include "src/speech/CSAPI4VoiceInfo.h"

#include "platform/com/ComPtr.h"
#include "platform/com/com.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr LONG kRangeCap = 65535;

// The lowest and highest values an attribute takes, found by setting it to
// either end of its type and reading back what the engine kept.
template <class T> struct Probe {
    T current = 0;
    T lowest = 0;
    T highest = 0;
};

template <class T, class Get, class Set> bool ProbeAttribute(Get get, Set set, Probe<T>* p) {
    if (FAILED(get(&p->current)))
        return false;
    p->lowest = 0;
    p->highest = static_cast<T>(~T{0});
    if (SUCCEEDED(set(T{0})))
        get(&p->lowest);
    if (SUCCEEDED(set(static_cast<T>(~T{0}))))
        get(&p->highest);
    set(p->current);
    return true;
}

LONG Cap(std::uint64_t v) {
    return static_cast<LONG>(std::min<std::uint64_t>(v, kRangeCap));
}

// Makes the range symmetric around the engine's default, so that the middle
// of a slider selects it.
void Centre(std::int64_t c, LONG* min, LONG* max) {
    if (c < *min || c > *max) {
        *min = *max = static_cast<LONG>(c);
        return;
    }
    const std::int64_t below = c - *min;
    const std::int64_t above = *max - c;
    if (below <= 10 || above <= 10)
        return;
    if (below < above)
        *max = static_cast<LONG>(2 * c - *min);
    else if (above < below)
        *min = static_cast<LONG>(std::max<std::int64_t>(2 * c - *max, 1));
}

// One attribute's range, capped; `centred` for one whose default is to sit
// in the middle of its slider. Left as it is when the attribute cannot be read.
template <class T, class Get, class Set>
void ProbeRange(Get get, Set set, LONG* min, LONG* max, bool centred) {
    Probe<T> p;
    if (!ProbeAttribute<T>(get, set, &p))
        return;
    *min = Cap(p.lowest);
    *max = Cap(p.highest);
    if (centred)
        Centre(p.current, min, max);
}

} // namespace

bool CSAPI4VoiceInfo::QueryAttributeRanges() {
    speedMin = pitchMin = volumeMin = 1;
    speedMax = pitchMax = volumeMax = 65535;

    ComPtr<IUnknown> audioDest;
    // Another success code still handed over an object; the ComPtr lets go of it.
    if (CoCreateInstance(CLSID_MMAudioDest, nullptr, CLSCTX_ALL, IID_IUnknown,
                         audioDest.PutVoid()) != S_OK)
        return false;
    ComPtr<ITTSFindW> find;
    if (FAILED(CoCreateInstance(CLSID_TTSEnumerator, nullptr, CLSCTX_ALL, IID_ITTSFindW,
                                find.PutVoid())))
        return false;
    ComPtr<ITTSCentralW> central;
    ComPtr<ITTSAttributesW> attributes;
    bool reached = false;
    if (find->Select(modeInfo.gModeID, central.Put(), audioDest.Get()) == S_OK && central &&
        SUCCEEDED(central->QueryInterface(IID_ITTSAttributesW, attributes.PutVoid()))) {
        reached = true;
        if (canSetPitch)
            ProbeRange<WORD>([&](WORD* v) { return attributes->PitchGet(v); },
                             [&](WORD v) { return attributes->PitchSet(v); }, &pitchMin, &pitchMax,
                             true);
        if (canSetSpeed)
            ProbeRange<DWORD>([&](DWORD* v) { return attributes->SpeedGet(v); },
                              [&](DWORD v) { return attributes->SpeedSet(v); }, &speedMin,
                              &speedMax, true);
        if (canSetVolume)
            ProbeRange<DWORD>([&](DWORD* v) { return attributes->VolumeGet(v); },
                              [&](DWORD v) { return attributes->VolumeSet(v); }, &volumeMin,
                              &volumeMax, false);
    }
    return reached;
}
