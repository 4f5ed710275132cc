#include "platform/com/com.h"

#include "tests/support/ComApartment.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

constexpr IID IID_ITestThing = {0x11111111, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID CLSID_TestThing = {0x99999999, 0x2222, 0x3333, {1, 2, 3, 4, 5, 6, 7, 8}};

struct ITestThing : IUnknown {
    static constexpr const IID& iid = IID_ITestThing;
    virtual int Value() = 0;
};

int g_alive = 0;

class TestThing : public ComObject<TestThing, ITestThing> {
public:
    explicit TestThing(int v = 7) : m_value(v) { ++g_alive; }
    ~TestThing() override { --g_alive; }
    int Value() override { return m_value; }

private:
    int m_value;
};

TEST(Com, ReferenceCountingDestroysOnLastRelease) {
    auto* thing = new TestThing;
    EXPECT_EQ(g_alive, 1);
    IUnknown* unk = nullptr;
    ASSERT_EQ(thing->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unk)), S_OK);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(thing->QueryInterface(GUID_NULL, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(unk->Release(), 1u);
    EXPECT_EQ(g_alive, 1);
    EXPECT_EQ(thing->Release(), 0u);
    EXPECT_EQ(g_alive, 0);
}

TEST(Com, CreateInstanceNeedsInitialisationAndARegisteredClass) {
    CoRegisterClass(CLSID_TestThing, [](REFIID riid, void** ppv) {
        return CreateComInstance<TestThing>(riid, ppv);
    });
    ITestThing* thing = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_ITestThing,
                               reinterpret_cast<void**>(&thing)),
              CO_E_NOTINITIALIZED);
    {
        ComApartment com;
        ASSERT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_ITestThing,
                                   reinterpret_cast<void**>(&thing)),
                  S_OK);
        EXPECT_EQ(thing->Value(), 7);
        SafeRelease(thing);
        EXPECT_EQ(thing, nullptr);
        EXPECT_EQ(g_alive, 0);

        IUnknown* outer = nullptr;
        CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_IUnknown,
                         reinterpret_cast<void**>(&outer));
        EXPECT_EQ(CoCreateInstance(CLSID_TestThing, outer, CLSCTX_ALL, IID_ITestThing,
                                   reinterpret_cast<void**>(&thing)),
                  CLASS_E_NOAGGREGATION);
        SafeRelease(outer);
        EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_LOCAL_SERVER, IID_ITestThing,
                                   reinterpret_cast<void**>(&thing)),
                  REGDB_E_CLASSNOTREG);
    }
    // Another thread has its own apartment.
    std::thread([] {
        void* p = nullptr;
        EXPECT_EQ(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_IUnknown, &p),
                  CO_E_NOTINITIALIZED);
    }).join();
    CoUnregisterClass(CLSID_TestThing);
}

TEST(Com, OverrideLastsForItsScope) {
    ComApartment com;
    CoRegisterClass(CLSID_TestThing, [](REFIID riid, void** ppv) {
        return CreateComInstance<TestThing>(riid, ppv, 1);
    });
    auto value = [] {
        ITestThing* t = nullptr;
        if (FAILED(CoCreateInstance(CLSID_TestThing, nullptr, CLSCTX_ALL, IID_ITestThing,
                                    reinterpret_cast<void**>(&t))))
            return -1;
        int v = t->Value();
        t->Release();
        return v;
    };
    {
        ScopedClassOverride fake(CLSID_TestThing, [](REFIID riid, void** ppv) {
            return CreateComInstance<TestThing>(riid, ppv, 2);
        });
        EXPECT_EQ(value(), 2);
        {
            ScopedClassOverride hidden(CLSID_TestThing, nullptr);
            EXPECT_EQ(value(), -1);
        }
        EXPECT_EQ(value(), 2);
    }
    EXPECT_EQ(value(), 1);
    CoUnregisterClass(CLSID_TestThing);
    EXPECT_EQ(value(), -1);
}

TEST(Com, ApartmentModelCannotChangeAndInitialisationNests) {
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    CoUninitialize();
    EXPECT_TRUE(CoIsInitialized());
    CoUninitialize();
    EXPECT_FALSE(CoIsInitialized());
}

} // namespace
