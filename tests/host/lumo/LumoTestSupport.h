// The controller emulator tests' fixture and helpers.
#pragma once
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/pointer.h>

#include "lumo/Lumo.h"

namespace LumoTest {
inline const std::string kTreeRequest = R"({"SIP":{"V":1,"CMD":[{"OC":8624}]}})";

struct Exchange {
    int32_t result = 0;
    int32_t errorCode = 0;
    std::string answer; // the buffer read as a C text
};

// One request on this thread's session, into the plugin's buffer of 64000 bytes (and a zero behind it).
inline Exchange sendRequest(const std::string& request = kTreeRequest) {
    std::vector<char> buffer(64001, '\0');
    Exchange e;
    e.result = Lumo_PemraRequest(request.data(), uint32_t(request.size()), buffer.data(), 64000, 5);
    e.errorCode = Lumo_GetLastErrorCode();
    e.answer = buffer.data();
    return e;
}

// What the plugin does in one scan: connect, one request, disconnect.
inline Exchange connectedRequest() {
    LUMO_SESSION session{};
    EXPECT_EQ(1u, Lumo_Connect("Kelto-piDorv", &session));
    const Exchange e = sendRequest();
    Lumo_Disconnect();
    return e;
}

inline rapidjson::Document parsed(const std::string& text) {
    rapidjson::Document doc;
    doc.Parse(text.data(), text.size());
    return doc;
}

// The device tree that an answer carries in its one command entry; a parse error when there is none.
inline rapidjson::Document treeOf(const std::string& answer) {
    const rapidjson::Document envelope = parsed(answer);
    const rapidjson::Value* da = envelope.HasParseError() ? nullptr : rapidjson::Pointer("/SIP/CMD/0/DA").Get(envelope);
    return parsed(da != nullptr && da->IsString() ? da->GetString() : "");
}

inline std::string example(const char* name) {
    std::ifstream in(std::string(LUMO_EXAMPLES_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every test starts from the built-in sample with no faults, no log and no session, and has a folder.
class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        Clear();
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        Lumo_Disconnect();
        Clear();
        std::filesystem::remove_all(dir_);
    }
    static void Clear() {
        for (const char* name : {"LUMO_DEVICE_TREE", "LUMO_FAULT", "LUMO_CALL_LOG"}) {
            unsetenv(name);
        }
        LumoEmu_Reset();
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }
    std::string Read(const char* name) const {
        std::ifstream in(dir_ / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void Write(const char* name, const std::string& text) const {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }

    const std::filesystem::path dir_ =
        std::filesystem::path(::testing::TempDir()) / ("lumo-test-" + std::to_string(getpid()));
};
} // namespace LumoTest
