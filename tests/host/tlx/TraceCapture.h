// Collects the trace lines written during a test and keeps them out of standard error.
#pragma once
#include <cstdio>
#include <mutex>
#include <string>
#include <unistd.h>
#include <vector>

#include "tlx/Trace.h"

namespace tlxtest {
class TraceCapture {
public:
    TraceCapture() : m_File("/tmp/tlx_trace_test_" + std::to_string(::getpid()) + ".log") {
        std::remove(m_File.c_str());
        TLX::Internals::SetTraceFile(m_File);
        TLX::Internals::SetTraceObserver([this](const std::string& line) {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Lines.push_back(line);
        });
    }
    ~TraceCapture() {
        TLX::Internals::SetTraceObserver(nullptr);
        TLX::Internals::SetTraceFile("");
        std::remove(m_File.c_str());
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Lines;
    }
    const std::string& File() const { return m_File; }

private:
    std::string m_File;
    std::mutex m_Mutex;
    std::vector<std::string> m_Lines;
};

inline std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> fields(1);
    for (char c : line) {
        if (c == '\t') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}
} // namespace tlxtest
