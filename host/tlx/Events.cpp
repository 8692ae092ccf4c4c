#include "tlx/Events.h"

#include <chrono>

namespace TLX {
namespace Threading {
void CEventHandler::notifyOne(int eventId) {
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        ++m_Pending[eventId];
    }
    // Waiters may listen for different ids: waking only one could wake the wrong one and lose the raise.
    m_Cond.notify_all();
}

bool CEventHandler::takeLocked(const std::vector<int>& eventIds, int& which) {
    for (int id : eventIds) {
        auto it = m_Pending.find(id);
        if (it != m_Pending.end() && it->second > 0) {
            if (--it->second == 0) {
                m_Pending.erase(it);
            }
            which = id;
            return true;
        }
    }
    return false;
}

bool CEventHandler::wait_for(const std::vector<int>& eventIds, unsigned long milliseconds, int& which) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    std::unique_lock<std::mutex> lock(m_Mutex);
    for (;;) {
        if (takeLocked(eventIds, which)) {
            return true;
        }
        if (m_Cond.wait_until(lock, deadline) == std::cv_status::timeout) {
            // one last look: a raise may have come together with the time-out
            return takeLocked(eventIds, which);
        }
    }
}

int CEventHandler::takeAll(int eventId) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = m_Pending.find(eventId);
    if (it == m_Pending.end()) {
        return 0;
    }
    const int taken = it->second;
    m_Pending.erase(it);
    return taken;
}

int CEventHandler::pending(int eventId) const {
    std::lock_guard<std::mutex> lock(m_Mutex);
    auto it = m_Pending.find(eventId);
    return it == m_Pending.end() ? 0 : it->second;
}
} // namespace Threading
} // namespace TLX
