// Wait and hold times of every lock and thread join, written at trace level 8.
//
//   std::unique_lock<std::mutex> lock(dL, std::defer_lock);
//   PIDORV_LOCK_TIMING(timing, "dL.lock()", lock.lock());
//
// The timing object must be declared after the lock it measures: it is destroyed first, so the
// hold line is written while the lock is still held.
#pragma once
#include <cstdint>
#include <string>

#include "piDorvModule.h"

namespace NAMESPACE_piDorv {
class CLockTimingTrace {
public:
    // Writes the expression line and starts the wait clock; the lines name the caller's file and line.
    CLockTimingTrace(const char* expression, const char* sourceFile, const char* function, int line);
    // Writes the hold line.
    ~CLockTimingTrace();
    CLockTimingTrace(const CLockTimingTrace&) = delete;
    CLockTimingTrace& operator=(const CLockTimingTrace&) = delete;

    // Called once the lock statement returned: writes the wait line and starts the hold clock.
    void Acquired();

private:
    void Write(const std::string& function, const std::string& format, std::uint64_t value) const;

    const char* m_Expression;
    const char* m_SourceFile;
    const char* m_Function;
    int m_Line;
    std::uint64_t m_Start;
    std::uint64_t m_Acquired;
};
} // namespace NAMESPACE_piDorv

// Runs `statement` between the expression line and the wait line; the hold line follows at scope end.
#define PIDORV_LOCK_TIMING(name, expression, statement)                                                                \
    NAMESPACE_piDorv::CLockTimingTrace name((expression), PIDORV_SRC_FILE, __func__, __LINE__);                        \
    statement;                                                                                                         \
    name.Acquired()
