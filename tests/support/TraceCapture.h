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
    TraceCapture(const TraceCapture&) = delete;
    TraceCapture& operator=(const TraceCapture&) = delete;

    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> guard(m_Lock);
        return m_Lines;
    }
    // Lines are: time, thread, level, module, file:line, function, message. Others are left out.
    std::vector<TraceRecord> Records() const {
        std::vector<TraceRecord> records;
        for (const std::string& line : Lines()) {
            std::vector<std::string> fields;
            std::size_t start = 0;
            for (std::size_t tab; fields.size() < 6 && (tab = line.find('\t', start)) != std::string::npos;) {
                fields.push_back(line.substr(start, tab - start));
                start = tab + 1;
            }
            if (fields.size() == 6) {
                records.push_back(
                    {fields[2], fields[4].substr(0, fields[4].rfind(':')), fields[5], line.substr(start)});
            }
        }
        return records;
    }
    // The messages, of one level only when one is given (as written, e.g. "10"), and of one function
    // only when one is given.
    std::vector<std::string> Messages(const std::string& level = "", const std::string& function = "") const {
        std::vector<std::string> messages;
        for (const TraceRecord& r : Records()) {
            if ((level.empty() || r.level == level) && (function.empty() || r.function == function)) {
                messages.push_back(r.message);
            }
        }
        return messages;
    }
    // The messages of one function, with the times of lock-timing lines shown as N.
    std::vector<std::string> Said(const std::string& function) const {
        static const std::regex time("(waited for|held for)( long)? microseconds: [0-9]+ ");
        std::vector<std::string> said;
        for (const std::string& message : Messages("", function)) {
            said.push_back(std::regex_replace(message, time, "$1 microseconds: N "));
        }
        return said;
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
