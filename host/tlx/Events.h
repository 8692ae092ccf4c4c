// Counted events: each raise is kept until one waiting thread takes it.
#pragma once
#include <condition_variable>
#include <map>
#include <mutex>
#include <vector>

namespace TLX {
namespace Threading {
class CEventHandler {
public:
    // Raises the event once; one waiter for this number (now or later) takes it.
    void notifyOne(int eventId);
    // Waits until one raise of any listed id can be taken, or the time runs out.
    // Returns true and sets `which` when an event was taken; false on time-out.
    // When several listed ids are pending the one listed first is taken.
    bool wait_for(const std::vector<int>& eventIds, unsigned long milliseconds, int& which);
    // Takes every raise of the id pending now, for a taker whose one answer serves them all.
    // Returns how many were taken.
    int takeAll(int eventId);
    // Raises not yet taken (for tests and diagnostics).
    int pending(int eventId) const;

private:
    // Takes one raise of the first listed id that has one; m_Mutex must be held.
    bool takeLocked(const std::vector<int>& eventIds, int& which);

    mutable std::mutex m_Mutex;
    std::condition_variable m_Cond;
    std::map<int, int> m_Pending;
};
} // namespace Threading
} // namespace TLX
