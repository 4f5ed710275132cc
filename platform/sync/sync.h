#pragma once
// Threads and waits as the original platform offers them: manual-reset events,
// waiting on several events (optionally together with the calling thread's
// message queue), per-thread message queues and worker threads that are
// created suspended.

#include "platform/com/types.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;

// A manual-reset event: once set it stays set for every waiter until reset.
// Shared through std::shared_ptr wherever a thread may outlive its creator.
class Event {
public:
    explicit Event(bool signalled = false);
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // WAIT_OBJECT_0 once set, WAIT_TIMEOUT when the time ran out.
    DWORD Wait(DWORD timeoutMs) const;

private:
    friend struct SyncAccess;
    bool m_signalled;
};

// Waits for the first of the events to be set; when several are set, the one
// earliest in the list wins. WAIT_OBJECT_0 + index, or WAIT_TIMEOUT.
DWORD WaitForMultipleEvents(std::span<const Event* const> events, DWORD timeoutMs);

// As WaitForMultipleEvents, but also wakes when a message is waiting in the
// calling thread's queue: then it gives WAIT_OBJECT_0 + events.size().
DWORD MsgWaitForMultipleEvents(std::span<const Event* const> events, DWORD timeoutMs);

// Message queues.
inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_APP = 0x8000;
inline constexpr UINT PM_NOREMOVE = 0x0;
inline constexpr UINT PM_REMOVE = 0x1;

struct MSG {
    UINT message = WM_NULL;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
    // Work posted with PostThreadTask, run by DispatchMessage on the thread
    // that owns the queue.
    std::function<void()> task;
};

// The id of the calling thread (never 0).
DWORD GetCurrentThreadId();
// Gives the calling thread its message queue, as the first call of a queue
// function does on the original platform. Posting to a thread without a
// queue fails.
void EnsureMessageQueue();
bool PostThreadMessage(DWORD threadId, UINT message, std::uintptr_t wParam, std::intptr_t lParam);
bool PostThreadTask(DWORD threadId, std::function<void()> task);
// Posts WM_QUIT with the exit code to the calling thread.
void PostQuitMessage(int exitCode);
// Takes (PM_REMOVE) or looks at the oldest message of the calling thread.
bool PeekMessage(MSG* msg, UINT removeFlags);
// Nothing to translate without a keyboard queue; kept for the loop's shape.
bool TranslateMessage(const MSG* msg);
// Runs a posted task; other messages have no window procedure to go to.
void DispatchMessage(const MSG* msg);

// A thread created suspended. The procedure runs only after Resume(). A thread
// that has not ended when its object is destroyed is given up: it goes on
// running detached and must own (shared ownership) whatever it still touches.
class WorkerThread {
public:
    using Procedure = std::function<DWORD()>;
    // nullptr when the system cannot create a thread.
    static std::unique_ptr<WorkerThread> Create(Procedure procedure);
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

    void Resume();
    // A test that never waits.
    bool HasEnded() const;
    // true when the thread ended within the time.
    bool Wait(DWORD timeoutMs) const;
    DWORD Id() const;

private:
    struct State;
    explicit WorkerThread(std::shared_ptr<State> state);
    std::shared_ptr<State> m_state;
};
