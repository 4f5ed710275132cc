#include "src/speech/CTTSNotifySink.h"

#include <gtest/gtest.h>
#include <thread>

namespace {

// Takes every message waiting in the calling thread's queue.
std::vector<MSG> TakeMessages() {
    std::vector<MSG> taken;
    MSG msg;
    while (PeekMessage(&msg, PM_REMOVE))
        taken.push_back(msg);
    return taken;
}

struct OtherId {
    static constexpr IID value = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
};

} // namespace

TEST(CTTSNotifySink, AnswersOnlyItsOwnInterfacesAndCountsNoReferences) {
    CTTSNotifySink sink;
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(sink.QueryInterface(IID_IUnknown, &p), S_OK);
    EXPECT_EQ(p, static_cast<ITTSNotifySinkW*>(&sink));
    p = nullptr;
    EXPECT_EQ(sink.QueryInterface(IID_ITTSNotifySinkW, &p), S_OK);
    EXPECT_EQ(p, static_cast<ITTSNotifySinkW*>(&sink));
    for (const IID& other : {IID_ITTSBufNotifySink, IID_ITTSCentralW, OtherId::value}) {
        p = reinterpret_cast<void*>(1);
        EXPECT_EQ(sink.QueryInterface(other, &p), E_NOINTERFACE);
        EXPECT_EQ(p, nullptr);
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(sink.AddRef(), 1u);
        EXPECT_EQ(sink.Release(), 1u);
    }
    EXPECT_EQ(sink.Release(), 1u);
    EXPECT_EQ(sink.AttribChanged(2), S_OK);
    EXPECT_EQ(sink.AudioStart(5), S_OK);
    TTSMOUTH mouth{};
    EXPECT_EQ(sink.Visual(1, u'a', u'b', 0, &mouth), S_OK);
}

TEST(CTTSNotifySink, AudioStopPostsQuitToTheCallingThread) {
    auto stopEvent = std::make_shared<Event>();
    CTTSNotifySink sink;
    sink.SetStopEvent(stopEvent);
    std::vector<MSG> taken;
    std::thread worker([&] {
        EnsureMessageQueue();
        EXPECT_EQ(sink.AudioStop(42), S_OK);
        taken = TakeMessages();
    });
    worker.join();
    ASSERT_EQ(taken.size(), 1u);
    EXPECT_EQ(taken[0].message, WM_QUIT);
    EXPECT_EQ(taken[0].wParam, 0u);
    EXPECT_EQ(taken[0].lParam, 0);
    // The quit message went to the worker, not to this thread.
    EXPECT_TRUE(TakeMessages().empty());
    EXPECT_FALSE(stopEvent->IsSet());
}

TEST(CTTSNotifySink, AudioStopSignalsTheStopEventWhenNoQuitCanBePosted) {
    auto stopEvent = std::make_shared<Event>();
    CTTSNotifySink sink;
    sink.SetStopEvent(stopEvent);
    // A thread that never made itself a message queue cannot be posted to.
    std::thread worker([&] { EXPECT_EQ(sink.AudioStop(0), S_OK); });
    worker.join();
    EXPECT_TRUE(stopEvent->IsSet());
}

TEST(CTTSNotifySink, AudioStopWithoutAFrameDoesNothing) {
    CTTSNotifySink never;
    auto stopEvent = std::make_shared<Event>();
    CTTSNotifySink gone;
    gone.SetStopEvent(stopEvent);
    stopEvent.reset();
    std::vector<MSG> taken;
    std::thread worker([&] {
        EnsureMessageQueue();
        EXPECT_EQ(never.AudioStop(0), S_OK);
        EXPECT_EQ(gone.AudioStop(0), S_OK);
        taken = TakeMessages();
    });
    worker.join();
    EXPECT_TRUE(taken.empty());
}
