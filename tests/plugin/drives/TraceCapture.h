// Collects the plugin's trace lines while a test runs, with the levels it asks for switched on.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "piDorv/Src/piDorvModule.h"
#include "tlx/Trace.h"

namespace drives_test {
class TraceCapture {
public:
    explicit TraceCapture(std::uint32_t mask) : m_OldMask(NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.GetTraceMask()) {
        TLX::Internals::SetTraceObserver([this](const std::string& line) {
            std::lock_guard<std::mutex> guard(m_Lock);
            m_Lines.push_back(line);
        });
        // The lines are checked here, not read: keep them off the test's output.
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
    // The message field of each line (the text after the last tab).
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const std::string& line : Lines()) {
            const std::size_t tab = line.rfind('\t');
            messages.push_back(tab == std::string::npos ? line : line.substr(tab + 1));
        }
        return messages;
    }

private:
    std::uint32_t m_OldMask;
    mutable std::mutex m_Lock;
    std::vector<std::string> m_Lines;
};
} // namespace drives_test
