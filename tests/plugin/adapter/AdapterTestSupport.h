// Shared pieces of the adapter tests: a fixture that resets the controller emulator and the trace
// mask, a trace line collector, the emulator's call log, and builders for answer texts.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "lumo/Lumo.h"
#include "piDorv/Src/piDorvModule.h"
#include "tlx/Trace.h"

namespace adapter_test {

// One trace record split into its fields.
struct TraceRecord {
    std::string level;
    std::string source;
    std::string function;
    std::string message;
};

class TraceCollector {
public:
    // Lines are only collected, not written out.
    TraceCollector() {
        TLX::Internals::SetTraceFile("/dev/null");
        TLX::Internals::SetTraceObserver([this](const std::string& line) { Add(line); });
    }
    ~TraceCollector() {
        TLX::Internals::SetTraceObserver({});
        TLX::Internals::SetTraceFile("");
    }
    TraceCollector(const TraceCollector&) = delete;
    TraceCollector& operator=(const TraceCollector&) = delete;

    std::vector<TraceRecord> Records() const {
        std::lock_guard<std::mutex> guard(m_Lock);
        return m_Records;
    }
    std::vector<std::string> Messages(const std::string& level = "") const {
        std::vector<std::string> out;
        for (const TraceRecord& r : Records()) {
            if (level.empty() || r.level == level) {
                out.push_back(r.message);
            }
        }
        return out;
    }
    void Clear() {
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Records.clear();
    }

private:
    // time, thread, level, module, file:line, function, message
    void Add(const std::string& line) {
        std::vector<std::string> fields;
        std::size_t start = 0;
        for (int i = 0; i < 6; ++i) {
            const std::size_t tab = line.find('\t', start);
            if (tab == std::string::npos) {
                break;
            }
            fields.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        fields.push_back(line.substr(start));
        if (fields.size() != 7) {
            return;
        }
        const std::string source = fields[4].substr(0, fields[4].rfind(':'));
        std::lock_guard<std::mutex> guard(m_Lock);
        m_Records.push_back({fields[2], source, fields[5], fields[6]});
    }

    mutable std::mutex m_Lock;
    std::vector<TraceRecord> m_Records;
};

inline void SetMask(std::uint32_t mask) {
    NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(mask);
}

// Every test starts from a plain emulator (built-in sample, no faults) and no tracing.
class EmulatorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("LUMO_DEVICE_TREE");
        unsetenv("LUMO_FAULT");
        unsetenv("LUMO_CALL_LOG");
        LumoEmu_Reset();
        SetMask(0);
        static int counter = 0;
        m_CallLog = ::testing::TempDir() + "adapter_calls_" + std::to_string(getpid()) + "_" +
                    std::to_string(++counter) + ".log";
        std::remove(m_CallLog.c_str());
        LumoEmu_CallLog(m_CallLog.c_str());
    }
    void TearDown() override {
        LumoEmu_Reset();
        SetMask(0);
        unsetenv("LUMO_DEVICE_TREE");
        std::remove(m_CallLog.c_str());
        for (const std::string& file : m_Files) {
            std::remove(file.c_str());
        }
    }

    // The lines of the call log so far.
    std::vector<std::string> Calls() const {
        std::vector<std::string> lines;
        std::ifstream in(m_CallLog);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    void ClearCalls() const { std::remove(m_CallLog.c_str()); }

    std::string WriteFile(const std::string& name, const std::string& content) {
        const std::string path = ::testing::TempDir() + name + "_" + std::to_string(getpid());
        std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
        m_Files.push_back(path);
        return path;
    }

    TraceCollector m_Trace;

private:
    std::string m_CallLog;
    std::vector<std::string> m_Files;
};

// One "Adapter" element as member name and raw JSON value, in the order written.
class Element {
public:
    explicit Element(int n) {
        const std::string serial =
            "8A3F0C21D94E4B7A9E6155C2F0B13D" + std::string(n < 10 ? "0" : "") + std::to_string(n);
        Set("@Nr", std::to_string(n));
        Set("Name", Quoted("Dorv100 Dual SD (" + std::to_string(n) + ")"));
        Set("Product", Quoted("Dorv100 Dual SD"));
        Set("Vendor", Quoted("Kelto"));
        Set("FirmwareVersion", Quoted("1.5 (LPC), 1.7 (FX3S)"));
        Set("SerialNumber", Quoted(serial));
        Set("VendorID", Quoted("0x7A11"));
        Set("DeviceID", Quoted("0x0D10"));
        Set("AdapterNumber", std::to_string(n));
        Set("Status", Quoted("OK"));
    }
    static std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

    Element& Set(const std::string& name, const std::string& rawValue) {
        for (auto& member : m_Members) {
            if (member.first == name) {
                member.second = rawValue;
                return *this;
            }
        }
        m_Members.emplace_back(name, rawValue);
        return *this;
    }
    Element& Drop(const std::string& name) {
        for (auto it = m_Members.begin(); it != m_Members.end(); ++it) {
            if (it->first == name) {
                m_Members.erase(it);
                break;
            }
        }
        return *this;
    }
    std::string Text() const {
        std::string out = "{";
        for (const auto& member : m_Members) {
            if (out.size() > 1) {
                out += ",";
            }
            out += Quoted(member.first) + ":" + member.second;
        }
        return out + "}";
    }

private:
    std::vector<std::pair<std::string, std::string>> m_Members;
};

inline std::string Tree(const std::vector<Element>& elements) {
    std::string array = "[";
    for (const Element& e : elements) {
        if (array.size() > 1) {
            array += ",";
        }
        array += e.Text();
    }
    array += "]";
    return R"({"TavrinStorageDeviceTree":{"@Version":1,"@Status":"OK","Adapter":)" + array + "}}";
}

// An answer envelope whose "DA" carries `tree` as a JSON string (escaped properly).
inline std::string Envelope(const std::string& tree, int status = 0, int opcode = 8624) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> w(buffer);
    w.StartObject();
    w.Key("SIP");
    w.StartObject();
    w.Key("V");
    w.Int(1);
    w.Key("CMD");
    w.StartArray();
    w.StartObject();
    w.Key("OC");
    w.Int(opcode);
    w.Key("ST");
    w.Int(status);
    w.Key("DA");
    w.String(tree.data(), static_cast<rapidjson::SizeType>(tree.size()));
    w.Key("MI");
    w.Int(196613);
    w.EndObject();
    w.EndArray();
    w.EndObject();
    w.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

inline std::string Envelope(const std::vector<Element>& elements) {
    return Envelope(Tree(elements));
}

} // namespace adapter_test
