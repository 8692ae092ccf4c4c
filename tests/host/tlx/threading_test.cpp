// Events, error logs, clocks and the message catalogue.
#include <gtest/gtest.h>

#include <stdexcept>
#include <thread>

#include "tlx/Clock.h"
#include "tlx/Events.h"
#include "tlx/ModuleInfo.h"
#include "tlx/Threading.h"

using TLX::Threading::CThrowState;

// Each raise is taken once, the first listed pending id first; a raise waits for a waiter that lists it,
// and a waiter for another id does not swallow the wake-up.
TEST(Events, EachRaiseIsTakenOnceByAWaiterThatListsIt) {
    TLX::Threading::CEventHandler events;
    for (int id : {1, 1, 2, 0}) {
        events.notifyOne(id);
    }
    int which = -1;
    for (int expected : {0, 1, 1, 2}) {
        ASSERT_TRUE(events.wait_for({5, 0, 1, 2}, 0, which));
        EXPECT_EQ(expected, which);
    }
    which = -1;
    EXPECT_FALSE(events.wait_for({0, 1, 2}, 10, which));
    EXPECT_EQ(-1, which);

    bool taken = false;
    std::thread waiter([&] { taken = events.wait_for({0}, 60000, which); });
    std::thread other([&] {
        int ignored = -1;
        events.wait_for({7}, 200, ignored);
    });
    events.notifyOne(5);
    events.notifyOne(0);
    waiter.join();
    other.join();
    EXPECT_TRUE(taken && which == 0);
    EXPECT_EQ(1, events.pending(5));
}

TEST(ErrorLogs, EscapedExceptionsBecomeTextAndThreadsAreCountedOnce) {
    TLX::Exceptions::CErrorLog log;
    try {
        throw std::runtime_error("disk gone");
    } catch (...) {
        log = CThrowState::ContinueException();
    }
    EXPECT_EQ("disk gone", log.Text());
    try {
        throw 42;
    } catch (...) {
        TLX::Exceptions::CExceptionLog() >> log;
    }
    EXPECT_EQ("unknown exception", log.Text());

    const int before = CThrowState::s_Counter.load();
    CThrowState::Init();
    CThrowState::Init();
    EXPECT_EQ(before + 1, CThrowState::s_Counter.load());
    CThrowState::Restore();
    CThrowState::Restore();
    EXPECT_EQ(before, CThrowState::s_Counter.load());
}

TEST(Misc, ClockDifferenceAndCatalogueTexts) {
    EXPECT_EQ(-500, TLX::Misc::timeDiffAsMS(1000, 1500));
    const char* const texts[] = {"General error in piDorv plugin", "No information available for this error"};
    const TLX::Language_Support::CLanguageSupport::CLngFile file("piDorv.nls", 0x656E, "utf-8", 1, texts, 2);
    EXPECT_EQ("No information available for this error", file.Text(1));
    EXPECT_EQ("", file.Text(2));
    EXPECT_EQ("", file.Text(-1));
}
