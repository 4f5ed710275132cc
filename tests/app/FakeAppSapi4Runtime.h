#pragma once
// A SAPI 4 runtime that only lists modes: enough for the frame to build its
// voice list. Engines cannot be created, so probing keeps the default ranges.
// Installed in the class registry while the object lives; the multimedia
// destination is hidden so that no real runtime is probed.

#include "platform/com/com.h"
#include "platform/sapi4/sapi4.h"

#include <memory>
#include <string>
#include <vector>

class FakeAppSapi4Runtime {
public:
    FakeAppSapi4Runtime();
    ~FakeAppSapi4Runtime();

    // A mode named `name` with the feature bits `features`.
    void AddMode(const std::u16string& name, DWORD features);

private:
    std::shared_ptr<std::vector<TTSMODEINFOW>> modes_;
    std::unique_ptr<ScopedClassOverride> enumerator_;
    std::unique_ptr<ScopedClassOverride> audioDest_;
};

// Every prosody tag works.
inline constexpr DWORD kAllTags =
    TTSFEATURE_TAGGED | TTSFEATURE_SPEED | TTSFEATURE_VOLUME | TTSFEATURE_PITCH;
