// The runtime's modes, finder and attributes, as the voice catalogue meets them.

#include "platform/com/strings.h"
#include "src/speech/CSAPI4VoiceInfo.h"
#include "tests/platform/sapi4/RuntimeTestSupport.h"

#include <dlfcn.h>
#include <set>
#include <string>

namespace {

// Which flite voices this system really has, asked of the loader directly.
int InstalledFliteLibraries() {
    int n = 0;
    for (const char* name : {"kal", "kal16", "awb", "rms", "slt"}) {
        const std::string lib = std::string("libflite_cmu_us_") + name + ".so.1";
        if (void* h = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL)) {
            ++n;
            dlclose(h);
        }
    }
    return n;
}

std::string Guid(const GUID& g) {
    char s[40];
    std::snprintf(s, sizeof s, "%08x-%04x-%04x-%02x%02x", g.Data1, g.Data2, g.Data3, g.Data4[0],
                  g.Data4[7]);
    return s;
}

} // namespace

TEST_F(Sapi4RuntimeTest, EveryInstalledVoiceIsOneNamedTaggedMode) {
    const auto modes = InstalledModes();
    ASSERT_FALSE(modes.empty()) << "no flite voice is installed";
    EXPECT_EQ(static_cast<int>(modes.size()), InstalledFliteLibraries());
    std::set<std::string> ids;
    std::set<std::u16string> names;
    for (const TTSMODEINFOW& m : modes) {
        SCOPED_TRACE(ToUtf8(ModeName(m)));
        EXPECT_FALSE(ModeName(m).empty());
        ids.insert(Guid(m.gModeID));
        names.insert(ModeName(m));
        EXPECT_TRUE(m.dwFeatures & TTSFEATURE_TAGGED);
        EXPECT_TRUE(m.dwFeatures & TTSFEATURE_SPEED);
        EXPECT_TRUE(m.dwFeatures & TTSFEATURE_VOLUME);
        EXPECT_EQ(m.language.LanguageID, 0x0409);
    }
    EXPECT_EQ(ids.size(), modes.size());
    EXPECT_EQ(names.size(), modes.size());

    // The mode ids stay the same from one enumerator to the next.
    const auto again = InstalledModes();
    ASSERT_EQ(again.size(), modes.size());
    for (std::size_t i = 0; i < modes.size(); ++i)
        EXPECT_TRUE(again[i].gModeID == modes[i].gModeID);
}

TEST_F(Sapi4RuntimeTest, EnumeratorSkipsClonesAndReportsTheEnd) {
    const auto modes = InstalledModes();
    ASSERT_FALSE(modes.empty());
    ITTSEnumW* e = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TTSEnumerator, nullptr, CLSCTX_ALL, IID_ITTSEnumW,
                               reinterpret_cast<void**>(&e)),
              S_OK);
    std::vector<TTSMODEINFOW> batch(modes.size() + 2);
    ULONG fetched = 99;
    EXPECT_EQ(e->Next(static_cast<ULONG>(batch.size()), batch.data(), &fetched), S_FALSE);
    EXPECT_EQ(fetched, modes.size());
    EXPECT_EQ(e->Next(1, batch.data(), nullptr), S_FALSE);
    EXPECT_EQ(e->Reset(), S_OK);
    EXPECT_EQ(e->Skip(1), S_OK);
    ITTSEnumW* copy = nullptr;
    ASSERT_EQ(e->Clone(&copy), S_OK);
    EXPECT_EQ(copy->Skip(static_cast<ULONG>(modes.size())), S_FALSE);
    if (modes.size() > 1) {
        ASSERT_EQ(e->Next(1, batch.data(), nullptr), S_OK);
        EXPECT_TRUE(batch[0].gModeID == modes[1].gModeID);
    }
    copy->Release();
    e->Release();
}

TEST_F(Sapi4RuntimeTest, FinderMatchesTheStoredRecordAndRefusesUnknownModes) {
    const auto modes = InstalledModes();
    ASSERT_FALSE(modes.empty());
    ITTSFindW* find = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_TTSEnumerator, nullptr, CLSCTX_ALL, IID_ITTSFindW,
                               reinterpret_cast<void**>(&find)),
              S_OK);
    for (const TTSMODEINFOW& m : modes) {
        TTSMODEINFOW pattern = m, found{};
        ASSERT_EQ(find->Find(&pattern, nullptr, &found), S_OK);
        EXPECT_TRUE(found.gModeID == m.gModeID);
    }
    // By name alone, with no mode id.
    TTSMODEINFOW byName{};
    std::copy_n(modes.back().szModeName, TTSI_NAMELEN, byName.szModeName);
    TTSMODEINFOW found{};
    ASSERT_EQ(find->Find(&byName, nullptr, &found), S_OK);
    EXPECT_TRUE(found.gModeID == modes.back().gModeID);

    TTSMODEINFOW unknown = modes[0];
    unknown.gModeID.Data1 ^= 0xFFFF;
    EXPECT_TRUE(FAILED(find->Find(&unknown, nullptr, &found)));

    // Select wants an installed mode and a destination of this runtime.
    IAudioMultiMediaDevice* device = CreateDeviceDest();
    ITTSCentralW* central = reinterpret_cast<ITTSCentralW*>(1);
    EXPECT_TRUE(FAILED(find->Select(unknown.gModeID, &central, device)));
    EXPECT_EQ(central, nullptr);
    EXPECT_TRUE(FAILED(find->Select(modes[0].gModeID, &central, nullptr)));
    auto* foreign = new RecordingSink;
    EXPECT_TRUE(FAILED(find->Select(modes[0].gModeID, &central, static_cast<IUnknown*>(foreign))));
    foreign->Release();
    device->Release();
    find->Release();
}

TEST_F(Sapi4RuntimeTest, AttributesClampToTheVoicesRangeAndReadBack) {
    for (const TTSMODEINFOW& m : InstalledModes()) {
        SCOPED_TRACE(ToUtf8(ModeName(m)));
        IAudioMultiMediaDevice* device = CreateDeviceDest();
        ITTSCentralW* central = Select(m, device);
        ASSERT_NE(central, nullptr);
        ITTSAttributesW* a = nullptr;
        ASSERT_EQ(central->QueryInterface(IID_ITTSAttributesW, reinterpret_cast<void**>(&a)), S_OK);

        DWORD speed = 0, low = 0, high = 0;
        ASSERT_EQ(a->SpeedGet(&speed), S_OK);
        EXPECT_EQ(a->SpeedSet(0), S_OK);
        a->SpeedGet(&low);
        EXPECT_EQ(a->SpeedSet(0xFFFFFFFF), S_OK);
        a->SpeedGet(&high);
        EXPECT_LT(low, speed);
        EXPECT_GT(high, speed);
        EXPECT_GT(low, 0u);
        EXPECT_LT(high, 1000u); // words per minute, not an arbitrary scale

        DWORD volume = 0;
        EXPECT_EQ(a->VolumeSet(0x8000FFFF), S_OK);
        a->VolumeGet(&volume);
        EXPECT_EQ(volume, 0x8000FFFFu);

        WORD pitch = 0, pitchLow = 0;
        ASSERT_EQ(a->PitchGet(&pitch), S_OK);
        EXPECT_GT(pitch, 40);
        EXPECT_LT(pitch, 400);
        if (m.dwFeatures & TTSFEATURE_PITCH) {
            EXPECT_EQ(a->PitchSet(0), S_OK);
            a->PitchGet(&pitchLow);
            EXPECT_LT(pitchLow, pitch);
        } else {
            // A voice whose pitch cannot change says so instead of pretending.
            EXPECT_TRUE(FAILED(a->PitchSet(0)));
        }
        a->Release();
        central->Release();
        device->Release();
    }
}

TEST_F(Sapi4RuntimeTest, ProbedRangesAreCentredOnTheVoicesDefaults) {
    // Probing opens no sound device: it works without one.
    UseAlsaConfiguration("alsa-none.conf");
    for (const TTSMODEINFOW& m : InstalledModes()) {
        SCOPED_TRACE(ToUtf8(ModeName(m)));
        CSAPI4VoiceInfo v;
        v.modeInfo = m;
        v.canSetSpeed = v.canSetVolume = 1;
        v.canSetPitch = (m.dwFeatures & TTSFEATURE_PITCH) ? 1 : 0;
        ASSERT_TRUE(v.QueryAttributeRanges());

        IAudioMultiMediaDevice* device = CreateDeviceDest();
        ITTSCentralW* central = Select(m, device);
        ITTSAttributesW* a = nullptr;
        ASSERT_EQ(central->QueryInterface(IID_ITTSAttributesW, reinterpret_cast<void**>(&a)), S_OK);
        DWORD speed = 0;
        WORD pitch = 0;
        a->SpeedGet(&speed);
        a->PitchGet(&pitch);
        a->Release();
        central->Release();
        device->Release();

        EXPECT_LT(v.speedMin, static_cast<LONG>(speed));
        EXPECT_EQ(v.speedMin + v.speedMax, 2 * static_cast<LONG>(speed));
        EXPECT_EQ(v.volumeMin, 0);
        EXPECT_EQ(v.volumeMax, 65535);
        if (v.canSetPitch) {
            EXPECT_LT(v.pitchMin, static_cast<LONG>(pitch));
            EXPECT_EQ(v.pitchMin + v.pitchMax, 2 * static_cast<LONG>(pitch));
        }
    }
}
