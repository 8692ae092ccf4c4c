// Thread registration and the per-thread exception state of the tool library.
#pragma once
#include <atomic>
#include <exception>

#include "tlx/ErrorLog.h"

namespace TLX {
namespace Threading {
class CThread {
public:
    // Called first in every thread the plugin starts; gives the thread its trace id.
    static void initialize();
};

class CThrowState {
public:
    // Number of threads that initialised an exception state and have not restored it.
    static std::atomic<int> s_Counter;
    static void Init();
    static void Restore();
    // Inside a catch block: turns the exception being handled into an error log.
    static Exceptions::CErrorLog ContinueException();
};
} // namespace Threading
} // namespace TLX
