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
    FakeJobScheduler() : thread_([this] { Run(); }) {}
    ~FakeJobScheduler() {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    FakeJobScheduler(const FakeJobScheduler&) = delete;
    FakeJobScheduler& operator=(const FakeJobScheduler&) = delete;

    void After(unsigned delayMs, std::function<void()> action) {
        {
            std::lock_guard lock(mutex_);
            actions_.emplace(Clock::now() + std::chrono::milliseconds(delayMs), std::move(action));
        }
        changed_.notify_all();
    }

private:
    using Clock = std::chrono::steady_clock;

    void Run() {
        std::unique_lock lock(mutex_);
        while (!quit_) {
            if (actions_.empty()) {
                changed_.wait(lock);
                continue;
            }
            auto first = actions_.begin();
            if (first->first > Clock::now()) {
                changed_.wait_until(lock, first->first);
                continue;
            }
            std::function<void()> action = std::move(first->second);
            actions_.erase(first);
            lock.unlock();
            action();
            lock.lock();
        }
    }

    std::mutex mutex_;
    std::condition_variable changed_;
    std::multimap<Clock::time_point, std::function<void()>> actions_;
    bool quit_ = false;
    std::thread thread_;
};
