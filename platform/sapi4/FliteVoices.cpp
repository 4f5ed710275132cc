#include "platform/sapi4/FliteVoices.h"

#include "platform/com/strings.h"

#include <algorithm>
#include <dlfcn.h>
#include <string>

// flite's headers other than flite.h do not declare C linkage themselves.
extern "C" {
#include <flite/cst_cg.h>
#include <flite/flite.h>
#include <flite/flite_version.h>
}

namespace {

struct KnownVoice {
    const char* name; // of the library and its register function
    const char16_t* modeName;
    const char16_t* speaker;
    const char16_t* dialect;
    WORD gender;
    GUID modeId;
    // Measured over a paragraph of ordinary prose at the voice's own pace.
    DWORD wordsPerMinute;
};

constexpr GUID kEngineId = {
    0x6F1C2E40, 0x5A0B, 0x4D8E, {0x9B, 0x37, 0x21, 0xC4, 0x7E, 0x5D, 0x10, 0xA0}};

const KnownVoice kKnownVoices[] = {
    {"kal",
     u"Kal (flite)",
     u"Kal",
     u"American English",
     GENDER_MALE,
     {0x6F1C2E41, 0x5A0B, 0x4D8E, {0x9B, 0x37, 0x21, 0xC4, 0x7E, 0x5D, 0x10, 0xA1}},
     190},
    {"kal16",
     u"Kal 16 kHz (flite)",
     u"Kal",
     u"American English",
     GENDER_MALE,
     {0x6F1C2E42, 0x5A0B, 0x4D8E, {0x9B, 0x37, 0x21, 0xC4, 0x7E, 0x5D, 0x10, 0xA2}},
     190},
    {"awb",
     u"AWB (flite)",
     u"AWB",
     u"Scottish English",
     GENDER_MALE,
     {0x6F1C2E43, 0x5A0B, 0x4D8E, {0x9B, 0x37, 0x21, 0xC4, 0x7E, 0x5D, 0x10, 0xA3}},
     195},
    {"rms",
     u"RMS (flite)",
     u"RMS",
     u"American English",
     GENDER_MALE,
     {0x6F1C2E44, 0x5A0B, 0x4D8E, {0x9B, 0x37, 0x21, 0xC4, 0x7E, 0x5D, 0x10, 0xA4}},
     175},
    {"slt",
     u"SLT (flite)",
     u"SLT",
     u"American English",
     GENDER_FEMALE,
     {0x6F1C2E45, 0x5A0B, 0x4D8E, {0x9B, 0x37, 0x21, 0xC4, 0x7E, 0x5D, 0x10, 0xA5}},
     200},
};

template <std::size_t N> void CopyName(WCHAR (&to)[N], std::u16string_view from) {
    std::size_t n = std::min(from.size(), N - 1);
    std::copy_n(from.begin(), n, to);
    to[n] = 0;
}

using RegisterFunction = cst_voice* (*)(const char*);

cst_voice* LoadVoiceLibrary(const KnownVoice& known) {
    const std::string library = std::string("libflite_cmu_us_") + known.name + ".so.1";
    // Never closed: the voice's data lives in the library.
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    const std::string symbol = std::string("register_cmu_us_") + known.name;
    auto registerVoice = reinterpret_cast<RegisterFunction>(dlsym(handle, symbol.c_str()));
    return registerVoice ? registerVoice(nullptr) : nullptr;
}

// The sample rate and the f0 model of a voice: clustergen voices carry them
// in their database, diphone voices in their features and unit database.
bool Describe(cst_voice* voice, int* rate, float* f0Mean, float* f0Stddev, bool* canSetPitch) {
    if (feat_present(voice->features, "cg_db")) {
        const cst_cg_db* db = val_cg_db(feat_val(voice->features, "cg_db"));
        *rate = db->sample_rate;
        *f0Mean = db->f0_mean;
        *f0Stddev = db->f0_stddev;
        // The statistical accent model computes its own contour and ignores
        // the f0 target.
        *canSetPitch = !db->spamf0;
    } else {
        // A diphone voice tells its rate only through what it synthesises.
        cst_wave* probe = flite_text_to_wave("a", voice);
        if (!probe)
            return false;
        *rate = probe->sample_rate;
        delete_wave(probe);
        *f0Mean = flite_get_param_float(voice->features, "int_f0_target_mean", 0.0f);
        *f0Stddev = flite_get_param_float(voice->features, "int_f0_target_stddev", 0.0f);
        *canSetPitch = *f0Mean > 0.0f;
    }
    return *rate >= 8000 && *rate <= 48000 && *f0Mean >= 1.0f && *f0Mean < 0x8000;
}

std::vector<FliteVoice> LoadInstalledVoices() {
    flite_init();
    std::vector<FliteVoice> voices;
    for (const KnownVoice& known : kKnownVoices) {
        cst_voice* voice = LoadVoiceLibrary(known);
        int rate = 0;
        float f0Mean = 0.0f, f0Stddev = 0.0f;
        bool canSetPitch = false;
        if (!voice || !Describe(voice, &rate, &f0Mean, &f0Stddev, &canSetPitch))
            continue;

        FliteVoice v;
        v.voice = voice;
        v.format = MakePcmFormat(static_cast<DWORD>(rate), 16, 1);
        v.stretch = flite_get_param_float(voice->features, "duration_stretch", 1.0f);
        v.f0Stddev = f0Stddev;
        v.canSetPitch = canSetPitch;
        v.defaults.speed = known.wordsPerMinute;
        v.defaults.pitch = static_cast<WORD>(f0Mean + 0.5f);
        v.speedMin = known.wordsPerMinute / 3;
        v.speedMax = known.wordsPerMinute * 3;
        v.pitchMin = canSetPitch ? static_cast<WORD>(v.defaults.pitch / 2) : v.defaults.pitch;
        v.pitchMax = canSetPitch ? static_cast<WORD>(v.defaults.pitch * 2) : v.defaults.pitch;

        TTSMODEINFOW& m = v.mode;
        m.gEngineID = kEngineId;
        CopyName(m.szMfgName, u"Carnegie Mellon University");
        CopyName(m.szProductName, u"flite " + FromUtf8(FLITE_PROJECT_VERSION));
        m.gModeID = known.modeId;
        CopyName(m.szModeName, known.modeName);
        m.language.LanguageID = 0x0409;
        CopyName(m.language.szDialect, known.dialect);
        CopyName(m.szSpeaker, known.speaker);
        CopyName(m.szStyle, u"Plain");
        m.wGender = known.gender;
        m.wAge = TTSAGE_ADULT;
        m.dwFeatures = TTSFEATURE_TAGGED | TTSFEATURE_SPEED | TTSFEATURE_VOLUME |
                       (canSetPitch ? TTSFEATURE_PITCH : 0) | TTSFEATURE_PCOPTIMIZED;
        m.dwInterfaces = TTSI_ITTSATTRIBUTES | TTSI_ITTSCENTRAL;
        voices.push_back(v);
    }
    return voices;
}

} // namespace

DWORD FliteVoice::ClampSpeed(DWORD speed) const {
    return std::clamp(speed, speedMin, speedMax);
}

WORD FliteVoice::ClampPitch(DWORD pitch) const {
    return static_cast<WORD>(std::clamp<DWORD>(pitch, pitchMin, pitchMax));
}

const std::vector<FliteVoice>& FliteVoices::Installed() {
    // Built once and never destroyed: the synthesis thread may still use a
    // voice while the process exits.
    static const auto* voices = new std::vector<FliteVoice>(LoadInstalledVoices());
    return *voices;
}

const FliteVoice* FliteVoices::Find(const GUID& modeId) {
    for (const FliteVoice& v : Installed())
        if (v.mode.gModeID == modeId)
            return &v;
    return nullptr;
}
