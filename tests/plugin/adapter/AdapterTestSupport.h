// Shared pieces of the adapter tests: a fixture that resets the controller emulator and collects the
// trace and the emulator's call log, and builders for answer texts.
#pragma once
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "lumo/Lumo.h"
#include "support/TraceCapture.h"

namespace adapter_test {
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
        static int counter = 0;
        m_CallLog = ::testing::TempDir() + "adapter_calls_" + std::to_string(getpid()) + "_" +
                    std::to_string(++counter) + ".log";
        std::remove(m_CallLog.c_str());
        LumoEmu_CallLog(m_CallLog.c_str());
    }
    void TearDown() override {
        LumoEmu_Reset();
        std::remove(m_CallLog.c_str());
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

    test_support::TraceCapture m_Trace{0};

private:
    std::string m_CallLog;
};

// One "Adapter" element as member name and raw JSON value, in the order written.
class Element {
public:
    explicit Element(int n) {
        const std::string nr = std::to_string(n);
        m_Members = {{"@Nr", nr},
                     {"Name", Quoted("Dorv100 Dual SD (" + nr + ")")},
                     {"Product", Quoted("Dorv100 Dual SD")},
                     {"Vendor", Quoted("Kelto")},
                     {"FirmwareVersion", Quoted("1.5 (LPC), 1.7 (FX3S)")},
                     {"SerialNumber", Quoted("8A3F0C21D94E4B7A9E6155C2F0B13D" + std::string(n < 10 ? "0" : "") + nr)},
                     {"VendorID", Quoted("0x7A11")},
                     {"DeviceID", Quoted("0x0D10")},
                     {"AdapterNumber", nr},
                     {"Status", Quoted("OK")}};
    }
    static std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

    // Replaces a member's raw value; a null value drops the member.
    Element& Set(const std::string& name, const char* rawValue) {
        for (auto it = m_Members.begin(); it != m_Members.end(); ++it) {
            if (it->first == name) {
                if (rawValue == nullptr) {
                    m_Members.erase(it);
                } else {
                    it->second = rawValue;
                }
                break;
            }
        }
        return *this;
    }
    Element& Set(const std::string& name, const std::string& rawValue) { return Set(name, rawValue.c_str()); }
    std::string Text() const {
        std::string out;
        for (const auto& member : m_Members) {
            out += (out.empty() ? "{" : ",") + Quoted(member.first) + ":" + member.second;
        }
        return out + "}";
    }

private:
    std::vector<std::pair<std::string, std::string>> m_Members;
};

inline std::string Tree(const std::vector<Element>& elements) {
    std::string array;
    for (const Element& e : elements) {
        array += (array.empty() ? "" : ",") + e.Text();
    }
    return R"({"TavrinStorageDeviceTree":{"@Version":1,"@Status":"OK","Adapter":[)" + array + "]}}";
}

// An answer envelope whose "DA" carries `tree` as a JSON string (escaped properly).
inline std::string Envelope(const std::string& tree, int status = 0, int opcode = 8624) {
    rapidjson::StringBuffer da;
    rapidjson::Writer<rapidjson::StringBuffer> w(da);
    w.String(tree.data(), static_cast<rapidjson::SizeType>(tree.size()));
    return R"({"SIP":{"V":1,"CMD":[{"OC":)" + std::to_string(opcode) + R"(,"ST":)" + std::to_string(status) +
           R"(,"DA":)" + std::string(da.GetString(), da.GetSize()) + R"(,"MI":196613}]}})";
}

inline std::string Envelope(const std::vector<Element>& elements) {
    return Envelope(Tree(elements));
}
} // namespace adapter_test
