#include "piDorvLockTrace.h"

#include "piDorvModule.h"
#include "tlx/Clock.h"

namespace NAMESPACE_piDorv {
namespace {
const std::uint32_t LOCK_TRACE_LEVEL = 8;
const std::uint64_t LONG_WAIT_TICKS = 100;
const unsigned TICK_RESOLUTION = 10000; // microseconds
const std::uint64_t UNTIMED = 0;        // no clock read: a monotonic time is never 0 once running
} // namespace

CLockTimingTrace::CLockTimingTrace(const char* expression, const char* sourceFile, const char* function, int line)
    : m_Expression(expression), m_SourceFile(sourceFile), m_Function(function), m_Line(line), m_Start(UNTIMED),
      m_Acquired(UNTIMED) {
    // Every host call and worker cycle passes through here: with the lock level off, the clocks are not
    // read and no text is built. A lock timed from its start gets all three lines or, should the mask
    // change meanwhile, the ones whose level is on when they are due.
    if (!TLX_MODULE_INFO_piDorv.IsTraceEnabled(LOCK_TRACE_LEVEL)) {
        return;
    }
    TLX::Output_Streams::CFormatStream(
        TLX::Internals::CTraceStreamBuffer(LOCK_TRACE_LEVEL, TLX_MODULE_INFO_piDorv, m_SourceFile, m_Function, m_Line),
        m_Expression);
    m_Start = TLX::Functions::GetTickTime(TICK_RESOLUTION);
    m_Acquired = m_Start;
}

void CLockTimingTrace::Acquired() {
    if (m_Start == UNTIMED) {
        return;
    }
    const std::uint64_t now = TLX::Functions::GetTickTime(TICK_RESOLUTION);
    const std::uint64_t waited = now - m_Start;
    if (TLX_MODULE_INFO_piDorv.IsTraceEnabled(LOCK_TRACE_LEVEL)) {
        const char* text =
            waited > LONG_WAIT_TICKS ? "waited for long microseconds: %d " : "waited for microseconds: %d ";
        Write(m_Function, std::string(m_Expression) + text, waited);
    }
    m_Acquired = TLX::Functions::GetTickTime(TICK_RESOLUTION);
}

CLockTimingTrace::~CLockTimingTrace() {
    if (m_Start == UNTIMED || !TLX_MODULE_INFO_piDorv.IsTraceEnabled(LOCK_TRACE_LEVEL)) {
        return;
    }
    const std::uint64_t held = TLX::Functions::GetTickTime(TICK_RESOLUTION) - m_Acquired;
    Write("~CAutoScopeLeaveLogger_" + std::to_string(m_Line),
          std::string(m_Expression) + " . Lock held for microseconds: %d ", held);
}

void CLockTimingTrace::Write(const std::string& function, const std::string& format, std::uint64_t value) const {
    if (!TLX_MODULE_INFO_piDorv.IsTraceEnabled(LOCK_TRACE_LEVEL)) {
        return;
    }
    TLX::Output_Streams::CFormatStream(
        TLX::Internals::CTraceStreamBuffer(LOCK_TRACE_LEVEL, TLX_MODULE_INFO_piDorv, m_SourceFile, function, m_Line),
        format.c_str())
        << TLX::Output_Streams::FormatInt(static_cast<std::int64_t>(value));
}
} // namespace NAMESPACE_piDorv
