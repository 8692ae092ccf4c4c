// Shared fixture and helpers for the controller emulator tests.
#pragma once
#include "lumo/Lumo.h"

#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace LumoTest {

inline const std::string kTreeRequest = R"({"SIP":{"V":1,"CMD":[{"OC":8624}]}})";
constexpr uint32_t kPluginCapacity = 64000;

struct Exchange {
    int32_t result = 0;
    int32_t errorCode = 0;
    std::string errorText;
    std::string answer; // the buffer read as a C text
};

// One request with the plugin's answer capacity, on the session this thread holds.
inline Exchange sendRequest(const std::string& request = kTreeRequest) {
    std::vector<char> buffer(size_t(kPluginCapacity) + 1, '\0');
    Exchange exchange;
    exchange.result =
        Lumo_PemraRequest(request.data(), static_cast<uint32_t>(request.size()), buffer.data(), kPluginCapacity, 5);
    exchange.errorCode = Lumo_GetLastErrorCode();
    exchange.errorText = Lumo_GetLastErrorMessage();
    exchange.answer = buffer.data();
    return exchange;
}

// Opens this thread's session.
inline void connect() {
    LUMO_SESSION session{};
    ASSERT_EQ(Lumo_Connect("Kelto-piDorv", &session), 1u);
}

// Connect, one request, disconnect: what the plugin does in one scan.
inline Exchange connectedRequest() {
    connect();
    Exchange exchange = sendRequest();
    Lumo_Disconnect();
    return exchange;
}

// A request into the whole of `buffer` (pre-filled by the caller to see what gets written).
inline int32_t requestInto(std::string& buffer, const std::string& request = kTreeRequest) {
    return Lumo_PemraRequest(request.data(), static_cast<uint32_t>(request.size()), buffer.data(),
                             static_cast<uint32_t>(buffer.size()), 5);
}

inline bool parses(const std::string& text, rapidjson::Document& doc) {
    doc.Parse(text.data(), text.size());
    return !doc.HasParseError();
}

// The "DA" text of the one command entry of an answer envelope, parsed; fails the test when absent.
inline void treeOf(const std::string& answer, rapidjson::Document& tree) {
    rapidjson::Document envelope;
    ASSERT_TRUE(parses(answer, envelope)) << answer;
    ASSERT_TRUE(envelope.IsObject() && envelope.HasMember("SIP"));
    const auto& cmd = envelope["SIP"]["CMD"];
    ASSERT_TRUE(cmd.IsArray() && cmd.Size() == 1u);
    ASSERT_TRUE(cmd[0].HasMember("DA") && cmd[0]["DA"].IsString());
    const std::string da(cmd[0]["DA"].GetString(), cmd[0]["DA"].GetStringLength());
    ASSERT_TRUE(parses(da, tree)) << da;
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

inline std::vector<std::string> readLines(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

inline std::filesystem::path examplePath(const char* name) {
    return std::filesystem::path(LUMO_EXAMPLES_DIR) / name;
}

inline std::string example(const char* name) {
    return readFile(examplePath(name));
}

inline void useTreeFile(const std::filesystem::path& path) {
    setenv("LUMO_DEVICE_TREE", path.c_str(), 1);
}

// Every test starts from the built-in sample with no faults, no log and no session, and gets its own folder.
class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        clearEnvironment();
        LumoEmu_Reset();
        std::string pattern = (std::filesystem::temp_directory_path() / "lumo-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }

    void TearDown() override {
        Lumo_Disconnect();
        LumoEmu_Reset();
        clearEnvironment();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    static void clearEnvironment() {
        for (const char* name : {"LUMO_DEVICE_TREE", "LUMO_FAULT", "LUMO_CALL_LOG"})
            unsetenv(name);
    }

    std::filesystem::path dir_;
};

} // namespace LumoTest
