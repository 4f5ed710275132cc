#include "platform/sync/sync.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

// One lock and one condition guard every event, queue and thread state: waits
// are rare and short-lived here, and a single lock makes waiting on events and
// a message queue together simple and race-free. They are never destroyed:
// threads that were given up, and the runtimes' own threads, may still use
// them while the process exits.
struct SyncAccess {
    static std::mutex& Mutex() {
        static auto* m = new std::mutex;
        return *m;
    }
    static std::condition_variable& Changed() {
        static auto* cv = new std::condition_variable;
        return *cv;
    }
    static bool& Signalled(const Event& e) { return const_cast<Event&>(e).m_signalled; }
};

namespace {

using Lock = std::unique_lock<std::mutex>;
using Clock = std::chrono::steady_clock;

struct Queue {
    std::deque<MSG> messages;
};

std::map<DWORD, Queue>& Queues() {
    static auto* q = new std::map<DWORD, Queue>; // outlives every thread, as above
    return *q;
}

std::atomic<DWORD> g_nextThreadId{1};
thread_local DWORD t_threadId = 0;

// Removes the thread's queue when the thread ends, so later posts fail.
struct QueueOwner {
    DWORD id = 0;
    ~QueueOwner() {
        if (id) {
            std::lock_guard lock(SyncAccess::Mutex());
            Queues().erase(id);
        }
    }
};
thread_local QueueOwner t_queueOwner;

// Waits under the lock until ready() gives a result or the time runs out.
template <class Ready> DWORD WaitUntil(Lock& lock, DWORD timeoutMs, Ready ready) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (auto r = ready(); r != WAIT_TIMEOUT)
            return r;
        if (timeoutMs == 0)
            return WAIT_TIMEOUT;
        if (timeoutMs == INFINITE)
            SyncAccess::Changed().wait(lock);
        else if (SyncAccess::Changed().wait_until(lock, deadline) == std::cv_status::timeout) {
            return ready();
        }
    }
}

DWORD FirstSet(std::span<const Event* const> events) {
    for (std::size_t i = 0; i < events.size(); ++i)
        if (events[i] && SyncAccess::Signalled(*events[i]))
            return WAIT_OBJECT_0 + static_cast<DWORD>(i);
    return WAIT_TIMEOUT;
}

bool Post(DWORD threadId, MSG msg) {
    {
        std::lock_guard lock(SyncAccess::Mutex());
        auto it = Queues().find(threadId);
        if (it == Queues().end())
            return false;
        it->second.messages.push_back(std::move(msg));
    }
    SyncAccess::Changed().notify_all();
    return true;
}

} // namespace

Event::Event(bool signalled) : m_signalled(signalled) {}

void Event::Set() {
    {
        std::lock_guard lock(SyncAccess::Mutex());
        m_signalled = true;
    }
    SyncAccess::Changed().notify_all();
}

void Event::Reset() {
    std::lock_guard lock(SyncAccess::Mutex());
    m_signalled = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(SyncAccess::Mutex());
    return m_signalled;
}

DWORD Event::Wait(DWORD timeoutMs) const {
    const Event* one[] = {this};
    return WaitForMultipleEvents(one, timeoutMs);
}

DWORD WaitForMultipleEvents(std::span<const Event* const> events, DWORD timeoutMs) {
    Lock lock(SyncAccess::Mutex());
    return WaitUntil(lock, timeoutMs, [&] { return FirstSet(events); });
}

DWORD MsgWaitForMultipleEvents(std::span<const Event* const> events, DWORD timeoutMs) {
    EnsureMessageQueue();
    const DWORD self = GetCurrentThreadId();
    Lock lock(SyncAccess::Mutex());
    return WaitUntil(lock, timeoutMs, [&] {
        DWORD r = FirstSet(events);
        if (r == WAIT_TIMEOUT && !Queues()[self].messages.empty())
            r = WAIT_OBJECT_0 + static_cast<DWORD>(events.size());
        return r;
    });
}

DWORD GetCurrentThreadId() {
    if (t_threadId == 0)
        t_threadId = g_nextThreadId++;
    return t_threadId;
}

void EnsureMessageQueue() {
    const DWORD self = GetCurrentThreadId();
    if (t_queueOwner.id == self)
        return;
    std::lock_guard lock(SyncAccess::Mutex());
    Queues()[self];
    t_queueOwner.id = self;
}

bool PostThreadMessage(DWORD threadId, UINT message, std::uintptr_t wParam, std::intptr_t lParam) {
    return Post(threadId, MSG{message, wParam, lParam, {}});
}

bool PostThreadTask(DWORD threadId, std::function<void()> task) {
    return Post(threadId, MSG{WM_APP, 0, 0, std::move(task)});
}

void PostQuitMessage(int exitCode) {
    EnsureMessageQueue();
    PostThreadMessage(GetCurrentThreadId(), WM_QUIT, static_cast<std::uintptr_t>(exitCode), 0);
}

bool PeekMessage(MSG* msg, UINT removeFlags) {
    EnsureMessageQueue();
    std::lock_guard lock(SyncAccess::Mutex());
    auto& q = Queues()[GetCurrentThreadId()].messages;
    if (q.empty())
        return false;
    if (removeFlags & PM_REMOVE) {
        *msg = std::move(q.front());
        q.pop_front();
    } else {
        *msg = q.front();
    }
    return true;
}

bool TranslateMessage(const MSG*) {
    return false;
}

void DispatchMessage(const MSG* msg) {
    if (msg && msg->task)
        msg->task();
}

struct WorkerThread::State {
    Procedure procedure;
    DWORD id = 0;
    bool resumed = false;   // guarded by the sync lock
    bool abandoned = false; // destroyed before it was resumed
    Event ended;
    std::thread thread;
};

std::unique_ptr<WorkerThread> WorkerThread::Create(Procedure procedure) {
    auto state = std::make_shared<State>();
    state->procedure = std::move(procedure);
    state->id = g_nextThreadId++;
    try {
        // The thread holds the state too, so a given-up thread never touches
        // freed memory.
        state->thread = std::thread([state] {
            t_threadId = state->id;
            bool run;
            {
                Lock lock(SyncAccess::Mutex());
                SyncAccess::Changed().wait(lock,
                                           [&] { return state->resumed || state->abandoned; });
                run = !state->abandoned;
            }
            if (run)
                state->procedure();
            state->procedure = nullptr;
            state->ended.Set();
        });
    } catch (const std::system_error&) {
        return nullptr;
    }
    return std::unique_ptr<WorkerThread>(new WorkerThread(std::move(state)));
}

WorkerThread::WorkerThread(std::shared_ptr<State> state) : m_state(std::move(state)) {}

WorkerThread::~WorkerThread() {
    {
        std::lock_guard lock(SyncAccess::Mutex());
        if (!m_state->resumed)
            m_state->abandoned = true;
    }
    SyncAccess::Changed().notify_all();
    if (m_state->abandoned || m_state->ended.IsSet())
        m_state->thread.join();
    else
        m_state->thread.detach();
}

void WorkerThread::Resume() {
    {
        std::lock_guard lock(SyncAccess::Mutex());
        m_state->resumed = true;
    }
    SyncAccess::Changed().notify_all();
}

bool WorkerThread::HasEnded() const {
    return m_state->ended.IsSet();
}
bool WorkerThread::Wait(DWORD timeoutMs) const {
    return m_state->ended.Wait(timeoutMs) == WAIT_OBJECT_0;
}
DWORD WorkerThread::Id() const {
    return m_state->id;
}
