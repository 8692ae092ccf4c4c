// The working session is closed even when an exception leaves the exchange.
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AdapterTestSupport.h"
#include "piDorv/Src/piDorvAdapter.h"

// These replacements pair malloc with free themselves; GCC cannot see that through the inlined calls.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
// Allocations of exactly this many bytes fail while it is non-zero.
std::size_t g_FailingSize = 0;
} // namespace

void* operator new(std::size_t size) {
    if (g_FailingSize != 0 && size == g_FailingSize) {
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {
using namespace adapter_test;

class SessionGuard : public EmulatorFixture {
protected:
    void TearDown() override {
        g_FailingSize = 0;
        EmulatorFixture::TearDown();
    }
};

TEST_F(SessionGuard, ExceptionAfterConnectStillDisconnects) {
    // The answer buffer (64000 bytes and its closing zero) cannot be had.
    g_FailingSize = 64001;
    EXPECT_THROW(NAMESPACE_piDorv::adaptersGet(), std::bad_alloc);
    g_FailingSize = 0;
    EXPECT_EQ(
        (std::vector<std::string>{"Lumo_Detect", "Lumo_Disconnect", "Lumo_Connect Kelto-piDorv", "Lumo_Disconnect"}),
        Calls());
}

} // namespace
