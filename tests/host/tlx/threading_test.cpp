#include <gtest/gtest.h>

#include <stdexcept>

#include "tlx/Clock.h"
#include "tlx/ModuleInfo.h"
#include "tlx/ScopeGuard.h"
#include "tlx/Threading.h"

using TLX::Threading::CThrowState;

TEST(ErrorLogs, EscapedExceptionsBecomeText) {
    TLX::Exceptions::CErrorLog log;
    try {
        throw std::runtime_error("disk gone");
    } catch (...) {
        log = CThrowState::ContinueException();
    }
    EXPECT_EQ(log.Text(), "disk gone");
    try {
        throw 42;
    } catch (...) {
        TLX::Exceptions::CExceptionLog() >> log;
    }
    EXPECT_EQ(log.Text(), "unknown exception");
    TLX::Exceptions::CExceptionLog(std::make_exception_ptr(std::logic_error("bad"))) >> log;
    EXPECT_EQ(log.Text(), "bad");
}

TEST(ErrorLogs, ThrowStateCountsThreadsOnce) {
    const int before = CThrowState::s_Counter.load();
    CThrowState::Init();
    CThrowState::Init();
    EXPECT_EQ(CThrowState::s_Counter.load(), before + 1);
    CThrowState::Restore();
    CThrowState::Restore();
    EXPECT_EQ(CThrowState::s_Counter.load(), before);
}

TEST(ScopeGuard, RunsOnExceptionAndNotWhenDismissed) {
    int runs = 0;
    try {
        TLX::Misc::CScopeGuard guard([&] { ++runs; });
        throw std::runtime_error("x");
    } catch (const std::exception&) {
    }
    {
        TLX::Misc::CScopeGuard guard([&] { ++runs; });
        guard.Dismiss();
    }
    EXPECT_EQ(runs, 1);
}

TEST(Clocks, DifferenceIsFirstMinusSecond) {
    EXPECT_EQ(TLX::Misc::timeDiffAsMS(1000, 1500), -500);
    EXPECT_EQ(TLX::Misc::timeDiffAsMS(1500, 1000), 500);
}

TEST(Catalogue, FallbackTextsByNumberAndEmptyOutsideTheList) {
    const char* const texts[] = {"General error in piDorv plugin", "No information available for this error"};
    const TLX::Language_Support::CLanguageSupport::CLngFile file("piDorv.nls", 0x656E, "utf-8", 1, texts, 2);
    EXPECT_EQ(file.Text(0), "General error in piDorv plugin");
    EXPECT_EQ(file.Text(1), "No information available for this error");
    EXPECT_EQ(file.Text(2), "");
    EXPECT_EQ(file.Text(-1), "");
}
