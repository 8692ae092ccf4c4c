// Collects the plugin's trace lines while a test runs, with the asked levels switched on. The lines
// are checked, not read: they stay off the test output. The previous levels come back at the end.
#pragma once
#include <algorithm>
#include <cstdint>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "piDorv/Src/piDorvModule.h"
#include "support/Eventually.h"
#include "tlx/Trace.h"

namespace test_support {
// The fields of one line that tests look at; the source file is given without its line number.
struct TraceRecord {
    std::string level;
    std::string source;
    std::string function;
    std::string message;
};

class TraceCapture {
public:
    explicit TraceCapture(std::uint32_t mask = 0) : m_OldMask(NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.GetTraceMask()) {
        TLX::Internals::SetTraceObserver([this](const std::string& line) {
            std::lock_guard<std::mutex> guard(m_Lock);
            m_Lines.push_back(line);
        });
        TLX::Internals::SetTraceFile("/dev/null");
        NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(mask);
    }
    ~TraceCapture() {
        NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(m_OldMask);
        TLX::Internals::SetTraceObserver({});
        TLX::Internals::SetTraceFile("");
    }
    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> guard(m_Lock);
        return m_Lines;
    }
    // Lines are: time, thread, level, module, file:line, function, message. Others are left out.
    std::vector<TraceRecord> Records() const {
        static const std::regex fields("^[^\t]*\t[^\t]*\t([^\t]*)\t[^\t]*\t([^\t]*):[0-9]*\t([^\t]*)\t");
        std::vector<TraceRecord> records;
        for (const std::string& line : Lines()) {
            std::smatch m;
            if (std::regex_search(line, m, fields)) {
                records.push_back({m[1], m[2], m[3], m.suffix()});
            }
        }
        return records;
    }
    // The messages, of one level only when one is given (as written, e.g. "10"), and of one function
    // only when one is given; the times of lock-timing lines are shown as N.
    std::vector<std::string> Messages(const std::string& level = "", const std::string& function = "") const {
        static const std::regex time("(waited for|held for)( long)? microseconds: [0-9]+ ");
        std::vector<std::string> messages;
        for (const TraceRecord& r : Records()) {
            if ((level.empty() || r.level == level) && (function.empty() || r.function == function)) {
                messages.push_back(std::regex_replace(r.message, time, "$1 microseconds: N "));
            }
        }
        return messages;
    }
    int Count(const std::string& text) const {
        const auto lines = Lines();
        return static_cast<int>(std::count_if(
            lines.begin(), lines.end(), [&](const std::string& line) { return line.find(text) != std::string::npos; }));
    }
    // Waits until `count` lines contain the text.
    bool WaitFor(const std::string& text, int count = 1, int seconds = 20) const {
        return Eventually([&] { return Count(text) >= count; }, seconds);
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Lines.clear();
    }

private:
    std::uint32_t m_OldMask;
    mutable std::mutex m_Lock;
    std::vector<std::string> m_Lines;
};
} // namespace test_support
