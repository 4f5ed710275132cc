#pragma once
// Runs actions after a delay on one thread of its own, as a speech runtime's
// synthesis thread would end speech later. Actions must not own the scheduler.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

class FakeJobScheduler {
public:
    FakeJobScheduler() : m_thread([this] { Run(); }) {}
    ~FakeJobScheduler() {
        {
            std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    FakeJobScheduler(const FakeJobScheduler&) = delete;
    FakeJobScheduler& operator=(const FakeJobScheduler&) = delete;

    void After(unsigned delayMs, std::function<void()> action) {
        {
            std::lock_guard lock(m_mutex);
            m_actions.emplace(Clock::now() + std::chrono::milliseconds(delayMs), std::move(action));
        }
        m_changed.notify_all();
    }

private:
    using Clock = std::chrono::steady_clock;

    void Run() {
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (m_actions.empty()) {
                m_changed.wait(lock);
                continue;
            }
            auto first = m_actions.begin();
            if (first->first > Clock::now()) {
                m_changed.wait_until(lock, first->first);
                continue;
            }
            std::function<void()> action = std::move(first->second);
            m_actions.erase(first);
            lock.unlock();
            action();
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::multimap<Clock::time_point, std::function<void()>> m_actions;
    bool m_quit = false;
    std::thread m_thread;
};
