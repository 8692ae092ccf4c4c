// The adapter tests' fixture (a plain controller emulator that logs its calls, the trace captured) and
// builders of answer texts.
#pragma once
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "lumo/Lumo.h"
#include "support/TraceCapture.h"

namespace adapter_test {
using Lines = std::vector<std::string>;

class EmulatorFixture : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LUMO_DEVICE_TREE", "LUMO_FAULT", "LUMO_CALL_LOG"}) {
            unsetenv(name);
        }
        LumoEmu_Reset();
        ClearCalls();
        LumoEmu_CallLog(m_CallLog.c_str());
    }
    void TearDown() override {
        LumoEmu_Reset();
        ClearCalls();
    }
    Lines Calls() const {
        Lines lines;
        std::ifstream in(m_CallLog);
        for (std::string line; std::getline(in, line);) {
            lines.push_back(line);
        }
        return lines;
    }
    void ClearCalls() const { std::remove(m_CallLog.c_str()); }
    static void SetMask(std::uint32_t mask) { NAMESPACE_piDorv::TLX_MODULE_INFO_piDorv.SetTraceMask(mask); }

    test_support::TraceCapture m_Trace{0};
    const std::string m_CallLog = ::testing::TempDir() + "adapter_calls_" + std::to_string(getpid()) + ".log";
};

inline std::string Serial(int n) {
    return "8A3F0C21D94E4B7A9E6155C2F0B13D" + std::string(n < 10 ? "0" : "") + std::to_string(n);
}

// One "Adapter" element; `changes` give members another raw JSON value, a null value drops the member.
inline std::string Element(int n, const std::map<std::string, const char*>& changes = {}) {
    const std::string nr = std::to_string(n);
    const std::pair<std::string, std::string> members[] = {{"@Nr", nr},
                                                           {"Name", "\"Dorv100 Dual SD (" + nr + ")\""},
                                                           {"Product", "\"Dorv100 Dual SD\""},
                                                           {"Vendor", "\"Kelto\""},
                                                           {"FirmwareVersion", "\"1.5 (LPC), 1.7 (FX3S)\""},
                                                           {"SerialNumber", "\"" + Serial(n) + "\""},
                                                           {"VendorID", "\"0x7A11\""},
                                                           {"DeviceID", "\"0x0D10\""},
                                                           {"AdapterNumber", nr}};
    std::string out;
    for (const auto& [name, value] : members) {
        const auto change = changes.find(name);
        if (change == changes.end() || change->second != nullptr) {
            out += (out.empty() ? "{\"" : ",\"") + name + "\":" + (change == changes.end() ? value : change->second);
        }
    }
    return out + "}";
}

inline std::string Tree(const Lines& elements) {
    std::string array;
    for (const std::string& e : elements) {
        array += (array.empty() ? "" : ",") + e;
    }
    return R"({"TavrinStorageDeviceTree":{"@Version":1,"@Status":"OK","Adapter":[)" + array + "]}}";
}

// An answer envelope whose "DA" carries `tree` as a JSON string.
inline std::string Envelope(const std::string& tree, int status = 0, int opcode = 8624) {
    rapidjson::StringBuffer da;
    rapidjson::Writer<rapidjson::StringBuffer> w(da);
    w.String(tree.data(), static_cast<rapidjson::SizeType>(tree.size()));
    return R"({"SIP":{"V":1,"CMD":[{"OC":)" + std::to_string(opcode) + R"(,"ST":)" + std::to_string(status) +
           R"(,"DA":)" + da.GetString() + R"(,"MI":196613}]}})";
}
} // namespace adapter_test
