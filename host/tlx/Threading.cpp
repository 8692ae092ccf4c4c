#include "tlx/Threading.h"

#include "tlx/ThreadIndex.h"

namespace TLX {
namespace Internals {
unsigned CurrentThreadIndex() {
    static std::atomic<unsigned> s_Next{1};
    thread_local unsigned t_Index = 0;
    if (t_Index == 0) {
        t_Index = s_Next.fetch_add(1, std::memory_order_relaxed);
    }
    return t_Index;
}
} // namespace Internals

namespace Threading {
namespace {
thread_local bool t_ThrowStateActive = false;
}

void CThread::initialize() {
    Internals::CurrentThreadIndex();
}

std::atomic<int> CThrowState::s_Counter{0};

void CThrowState::Init() {
    // Counted once per thread so that a repeated Init cannot leave the counter high for ever.
    if (!t_ThrowStateActive) {
        t_ThrowStateActive = true;
        s_Counter.fetch_add(1);
    }
}

void CThrowState::Restore() {
    if (t_ThrowStateActive) {
        t_ThrowStateActive = false;
        s_Counter.fetch_sub(1);
    }
}

Exceptions::CErrorLog CThrowState::ContinueException() {
    Exceptions::CErrorLog log;
    Exceptions::CExceptionLog(std::current_exception()) >> log;
    return log;
}
} // namespace Threading
} // namespace TLX
