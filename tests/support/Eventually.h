// Tests wait for a condition, never for a time: the condition is polled until it holds or the limit
// passes (the limit only keeps a broken build from hanging).
#pragma once
#include <chrono>
#include <functional>
#include <thread>

namespace test_support {
inline bool Eventually(const std::function<bool()>& condition, int seconds = 20) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (; !condition(); std::this_thread::sleep_for(std::chrono::milliseconds(10))) {
        if (std::chrono::steady_clock::now() >= end) {
            return false;
        }
    }
    return true;
}
} // namespace test_support
