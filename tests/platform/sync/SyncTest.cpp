#include "platform/sync/sync.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

TEST(Event, ManualResetStaysSetForEveryWaiterUntilReset) {
    Event e;
    EXPECT_EQ(e.Wait(0), WAIT_TIMEOUT);
    e.Set();
    EXPECT_EQ(e.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(e.Wait(INFINITE), WAIT_OBJECT_0);
    e.Reset();
    EXPECT_EQ(e.Wait(10), WAIT_TIMEOUT);
}

TEST(Event, SetFromAnotherThreadWakesAWaiter) {
    Event e;
    std::thread t([&] { e.Set(); });
    EXPECT_EQ(e.Wait(INFINITE), WAIT_OBJECT_0);
    t.join();
}

TEST(Wait, EarliestSignalledEventWins) {
    Event stop, done;
    const Event* both[] = {&stop, &done};
    EXPECT_EQ(WaitForMultipleEvents(both, 0), WAIT_TIMEOUT);
    done.Set();
    EXPECT_EQ(WaitForMultipleEvents(both, INFINITE), WAIT_OBJECT_0 + 1);
    stop.Set();
    EXPECT_EQ(WaitForMultipleEvents(both, INFINITE), WAIT_OBJECT_0);
}

TEST(MessageQueue, PostedTaskRunsOnTheOwningThreadWhenDispatched) {
    Event stop;
    Event ready;
    std::atomic<DWORD> workerId{0};
    std::atomic<DWORD> ranOn{0};
    bool quit = false;
    std::thread worker([&] {
        EnsureMessageQueue();
        workerId = GetCurrentThreadId();
        ready.Set();
        const Event* events[] = {&stop};
        for (;;) {
            DWORD r = MsgWaitForMultipleEvents(events, INFINITE);
            if (r == WAIT_OBJECT_0)
                break;
            MSG msg;
            while (PeekMessage(&msg, PM_REMOVE)) {
                if (msg.message == WM_QUIT) {
                    quit = true;
                    return;
                }
                TranslateMessage(&msg);
                DispatchMessage(&msg);
            }
        }
    });
    ready.Wait(INFINITE);
    ASSERT_TRUE(PostThreadTask(workerId, [&] {
        ranOn = GetCurrentThreadId();
        PostQuitMessage(0);
    }));
    worker.join();
    EXPECT_TRUE(quit);
    EXPECT_EQ(ranOn, workerId.load());
    // The queue went with its thread.
    EXPECT_FALSE(PostThreadMessage(workerId, WM_NULL, 0, 0));
}

TEST(MessageQueue, PeekWithoutRemoveKeepsTheMessage) {
    EXPECT_FALSE(PostThreadMessage(0, WM_APP + 1, 5, 6)); // no such thread
    EnsureMessageQueue();
    ASSERT_TRUE(PostThreadMessage(GetCurrentThreadId(), WM_APP + 1, 5, 6));
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, PM_NOREMOVE));
    ASSERT_TRUE(PeekMessage(&msg, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_APP + 1);
    EXPECT_EQ(msg.wParam, 5u);
    EXPECT_FALSE(PeekMessage(&msg, PM_REMOVE));
}

TEST(WorkerThread, RunsOnlyAfterResumeAndReportsItsEnd) {
    std::atomic<bool> ran{false};
    Event go;
    auto t = WorkerThread::Create([&] {
        ran = true;
        go.Wait(INFINITE);
        return DWORD{0};
    });
    ASSERT_TRUE(t);
    EXPECT_FALSE(t->Wait(20));
    EXPECT_FALSE(ran);
    t->Resume();
    EXPECT_FALSE(t->HasEnded());
    go.Set();
    EXPECT_TRUE(t->Wait(INFINITE));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(t->HasEnded());
}

TEST(WorkerThread, NeverResumedThreadNeverRuns) {
    std::atomic<bool> ran{false};
    {
        auto t = WorkerThread::Create([&] {
            ran = true;
            return DWORD{0};
        });
    }
    EXPECT_FALSE(ran);
}

TEST(WorkerThread, GivenUpThreadKeepsWhatItOwnsAndEndsLater) {
    auto gate = std::make_shared<Event>();
    auto finished = std::make_shared<Event>();
    {
        auto t = WorkerThread::Create([gate, finished] {
            gate->Wait(INFINITE);
            finished->Set();
            return DWORD{0};
        });
        t->Resume();
        EXPECT_FALSE(t->Wait(10));
    } // given up while still running
    gate->Set();
    EXPECT_EQ(finished->Wait(5000), WAIT_OBJECT_0);
}

} // namespace
