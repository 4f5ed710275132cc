#pragma once
// Waits for what another thread does: polls until `done` holds. The bound only
// keeps a broken build from hanging; false when it ran out.

#include <chrono>
#include <functional>
#include <thread>

inline bool Eventually(const std::function<bool()>& done,
                       std::chrono::seconds bound = std::chrono::seconds(60)) {
    const auto until = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}
