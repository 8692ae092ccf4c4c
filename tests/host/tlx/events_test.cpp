#include <gtest/gtest.h>

#include <thread>

#include "tlx/Events.h"

using TLX::Threading::CEventHandler;

// Each raise is taken once; the first listed pending id wins; raises of unlisted ids wait for their taker.
TEST(Events, EachRaiseIsTakenOnceByAWaiterThatListsIt) {
    CEventHandler events;
    events.notifyOne(1);
    events.notifyOne(1);
    events.notifyOne(5);
    EXPECT_EQ(events.pending(1), 2);
    int which = -1;
    for (int taken = 0; taken < 2; ++taken) {
        which = -1;
        EXPECT_TRUE(events.wait_for({0, 1}, 10, which));
        EXPECT_EQ(which, 1);
    }
    which = -1;
    EXPECT_FALSE(events.wait_for({0, 1}, 10, which));
    EXPECT_FALSE(events.wait_for({}, 0, which));
    EXPECT_EQ(which, -1);
    EXPECT_EQ(events.pending(1), 0);
    EXPECT_EQ(events.pending(5), 1);

    events.notifyOne(2);
    events.notifyOne(0);
    ASSERT_TRUE(events.wait_for({0, 2, 5}, 10, which));
    EXPECT_EQ(which, 0);
    ASSERT_TRUE(events.wait_for({5, 2}, 0, which));
    EXPECT_EQ(which, 5);
    ASSERT_TRUE(events.wait_for({0, 2}, 0, which));
    EXPECT_EQ(which, 2);
}

TEST(Events, AWaiterWakesForARaiseFromAnotherThread) {
    CEventHandler events;
    int which = -1;
    bool taken = false;
    std::thread waiter([&] { taken = events.wait_for({0}, 60000, which); });
    // a second waiter on another id must not swallow the wake-up
    std::thread other([&] {
        int ignored = -1;
        events.wait_for({7}, 200, ignored);
    });
    events.notifyOne(0);
    waiter.join();
    other.join();
    EXPECT_TRUE(taken);
    EXPECT_EQ(which, 0);
    EXPECT_EQ(events.pending(0), 0);
}
