// Runs an action on a thread with a small stack, as a host may give its worker threads (std::thread
// cannot choose the size).
#pragma once
#include <pthread.h>

#include <cstddef>
#include <functional>

#include <gtest/gtest.h>

namespace test_support {
inline void RunOnSmallStack(std::function<void()> action, std::size_t stackBytes = 256 * 1024) {
    pthread_attr_t attributes;
    ASSERT_EQ(0, pthread_attr_init(&attributes));
    ASSERT_EQ(0, pthread_attr_setstacksize(&attributes, stackBytes));
    pthread_t thread;
    const auto run = [](void* argument) -> void* {
        (*static_cast<std::function<void()>*>(argument))();
        return nullptr;
    };
    const int started = pthread_create(&thread, &attributes, run, &action);
    pthread_attr_destroy(&attributes);
    ASSERT_EQ(0, started);
    pthread_join(thread, nullptr);
}
} // namespace test_support
