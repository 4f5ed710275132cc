// The media format runtime as the programs load it: its own module, found
// beside the program and loaded on the first creation of one of its classes.

#include "platform/com/ComPtr.h"
#include "platform/com/InprocServer.h"
#include "platform/wmf/wmsdk.h"

#include <gtest/gtest.h>

namespace {

class WmfModule : public ::testing::Test {
protected:
    void SetUp() override { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    void TearDown() override {
        CoUnregisterClass(CLSID_WMProfileManager);
        CoUnregisterClass(CLSID_WMWriter);
        CoUninitialize();
    }
};

TEST_F(WmfModule, ServesTheProfileManagerAndTheWriter) {
    RegisterWmfRuntimeModule();
    ComPtr<IWMProfileManager> manager;
    ASSERT_EQ(WMCreateProfileManager(manager.Put()), S_OK);
    ComPtr<IWMCodecInfo3> codecs;
    ASSERT_EQ(manager->QueryInterface(IID_IWMCodecInfo3, codecs.PutVoid()), S_OK);
    DWORD count = 0;
    EXPECT_EQ(codecs->GetCodecInfoCount(WMMEDIATYPE_Audio, &count), S_OK);
    EXPECT_GT(count, 0u);
    ComPtr<IWMWriter> writer;
    EXPECT_EQ(WMCreateWriter(nullptr, writer.Put()), S_OK);
    EXPECT_TRUE(writer);
}

TEST_F(WmfModule, AModuleThatCannotBeLoadedLeavesTheClassUnavailable) {
    CoRegisterServerModule(CLSID_WMWriter, "libvocalith_no_such_module.so");
    ComPtr<IWMWriter> writer;
    EXPECT_EQ(WMCreateWriter(nullptr, writer.Put()), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(writer);
}

} // namespace
