// The controller emulator: where answers come from, what is refused or passed through, sessions, the
// last error, faults and the call log. The plugin's own calls and the faults' effects on a scan are
// pinned in the adapter and reliability tests; here what only other callers bring.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/document.h>
#include <rapidjson/pointer.h>

#include "EmuFaults.h"
#include "lumo/Lumo.h"
#include "support/SmallStack.h"

namespace {
const std::string kTreeRequest = R"({"SIP":{"V":1,"CMD":[{"OC":8624}]}})";

struct Exchange {
    int32_t result = 0;
    int32_t errorCode = 0;
    std::string answer; // the buffer read as a C text
};

// One request on this thread's session, into the plugin's buffer of 64000 bytes (and a zero behind it).
Exchange sendRequest(const std::string& request = kTreeRequest) {
    std::vector<char> buffer(64001, '\0');
    const int32_t result = Lumo_PemraRequest(request.data(), uint32_t(request.size()), buffer.data(), 64000, 5);
    return {result, Lumo_GetLastErrorCode(), buffer.data()};
}

// What the plugin does in one scan: connect, one request, disconnect.
Exchange connectedRequest() {
    LUMO_SESSION session{};
    EXPECT_EQ(1u, Lumo_Connect("Kelto-piDorv", &session));
    const Exchange e = sendRequest();
    Lumo_Disconnect();
    return e;
}

rapidjson::Document parsed(const std::string& text) {
    rapidjson::Document doc;
    doc.Parse(text.data(), text.size());
    return doc;
}

// The device tree that an answer carries in its one command entry; a parse error when there is none.
rapidjson::Document treeOf(const std::string& answer) {
    const rapidjson::Document envelope = parsed(answer);
    const rapidjson::Value* da = envelope.HasParseError() ? nullptr : rapidjson::Pointer("/SIP/CMD/0/DA").Get(envelope);
    return parsed(da != nullptr && da->IsString() ? da->GetString() : "");
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string example(const char* name) {
    return readFile(std::string(LUMO_EXAMPLES_DIR) + "/" + name);
}

std::string LastError() {
    return std::to_string(Lumo_GetLastErrorCode()) + " " + Lumo_GetLastErrorMessage();
}

// Every test starts from the built-in sample with no faults, no log and no session, and has a folder.
class EmulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        Lumo_Disconnect();
        for (const char* name : {"LUMO_DEVICE_TREE", "LUMO_FAULT", "LUMO_CALL_LOG"}) {
            unsetenv(name);
        }
        LumoEmu_Reset();
        std::filesystem::remove_all(dir_);
    }
    std::string Path(const char* name) const { return (dir_ / name).string(); }

    const std::filesystem::path dir_ =
        std::filesystem::path(::testing::TempDir()) / ("lumo-test-" + std::to_string(getpid()));
};
class LumoAnswers : public EmulatorTest {};
class LumoSession : public EmulatorTest {};
class LumoFaults : public EmulatorTest {};

// An answer given in process comes first, then the device-tree file (read at every request); a file that
// cannot be read is an error naming it.
TEST_F(LumoAnswers, SourcesInTheirOrder) {
    setenv("LUMO_DEVICE_TREE", Path("tree.json").c_str(), 1);
    LUMO_SESSION session{};
    ASSERT_EQ(1u, Lumo_Connect("Kelto-piDorv", &session));
    EXPECT_EQ(LUMO_E_DEVICE_TREE, sendRequest().errorCode);
    EXPECT_NE(std::string::npos, std::string(Lumo_GetLastErrorMessage()).find(Path("tree.json")));
    std::ofstream(Path("tree.json"), std::ios::binary) << example("two-adapters.json");
    LumoEmu_SetAnswer(example("renamed-adapter.json").c_str());
    EXPECT_TRUE(treeOf(sendRequest().answer) == parsed(example("renamed-adapter.json")));
    LumoEmu_SetAnswer(nullptr);
    EXPECT_TRUE(treeOf(sendRequest().answer) == parsed(example("two-adapters.json")));
}

// A text that is an envelope already, or no tree, is sent byte for byte (cut to the capacity); a status to set
// changes only a command entry (added where it has none), and a tree nested too deep to read is read on a small stack
// without harm.
TEST_F(LumoAnswers, OtherTextsArePassedThroughUnchanged) {
    const std::string deep =
        R"({"TavrinStorageDeviceTree":{"Adapter":)" + std::string(200000, '[') + std::string(200000, ']') + "}}";
    const std::pair<std::string, std::string> rows[] = {
        // text, with status 3 where that differs
        {R"({ "SIP": {"V":1, "CMD":[{"OC":8624,"DA":"{\"x\":1}","MI":42}]}})",
         R"({"SIP":{"V":1,"CMD":[{"OC":8624,"DA":"{\"x\":1}","MI":42,"ST":3}]}})"},
        {example("malformed.json"), ""},
        {R"({"Something":[1,2]})", ""},
        {R"({"SIP":{"V":1}})", ""},
        {R"({"SIP":{"CMD":5}})", ""},
        {deep, ""}};
    test_support::RunOnSmallStack([&] {
        for (const auto& [text, withStatus] : rows) {
            for (const char* faults : {"", "status:3"}) {
                LumoEmu_SetAnswer(text.c_str());
                LumoEmu_SetFaults(faults);
                EXPECT_EQ(*faults && !withStatus.empty() ? withStatus : text.substr(0, 64000),
                          connectedRequest().answer)
                    << faults << text.substr(0, 40);
            }
        }
    });
}

TEST_F(LumoAnswers, OnlyOneCommandEnvelopeOfItsGivenLengthIsAccepted) {
    LUMO_SESSION session{};
    ASSERT_EQ(1u, Lumo_Connect("Kelto-piDorv", &session));
    for (const std::string& request :
         std::vector<std::string>{"not json", "[1,2]", R"({"V":1,"CMD":[{"OC":8624}]})", R"({"SIP":{"V":1}})",
                                  R"({"SIP":{"V":1,"CMD":{"OC":8624}}})", R"({"SIP":{"V":1,"CMD":[]}})",
                                  R"({"SIP":{"V":1,"CMD":[{"OC":8624},{"OC":8624}]}})",
                                  R"({"SIP":{"V":1,"CMD":[{"OC":"8624"}]}})", R"({"SIP":{"V":1,"CMD":[{"OC":86.24}]}})",
                                  R"({"SIP":{"V":1,"CMD":[8624]}})", kTreeRequest.substr(0, kTreeRequest.size() - 1)}) {
        std::string buffer(64, '#');
        EXPECT_EQ(-1, Lumo_PemraRequest(request.data(), uint32_t(request.size()), buffer.data(), 64, 5)) << request;
        EXPECT_EQ(LUMO_E_REQUEST, Lumo_GetLastErrorCode());
        EXPECT_EQ(std::string(64, '#'), buffer); // nothing written
    }
    char small[8];
    EXPECT_EQ(-1, Lumo_PemraRequest(nullptr, 10, small, 8, 5));
    EXPECT_EQ(LUMO_E_REQUEST, Lumo_GetLastErrorCode());
    EXPECT_EQ(-1, Lumo_PemraRequest(kTreeRequest.data(), uint32_t(kTreeRequest.size()), nullptr, 100, 5));
    EXPECT_EQ(LUMO_E_ARGUMENT, Lumo_GetLastErrorCode());
    // Text after the given length is not read.
    const std::string padded = kTreeRequest + "}}garbage";
    std::vector<char> buffer(100);
    EXPECT_EQ(99, Lumo_PemraRequest(padded.data(), uint32_t(kTreeRequest.size()), buffer.data(), 99, 5));
    // An unknown operation is answered with a non-zero status and no tree.
    EXPECT_EQ(R"({"SIP":{"V":1,"CMD":[{"OC":4711,"ST":1,"MI":196613}]}})",
              sendRequest(R"({"SIP":{"V":1,"CMD":[{"OC":4711}]}})").answer);
}

TEST_F(LumoSession, OneSessionAndOneLastErrorPerThread) {
    EXPECT_EQ(0, Lumo_Disconnect());
    EXPECT_EQ("3 No open session to close", LastError());
    EXPECT_EQ(0u, Lumo_Connect("Kelto-piDorv", nullptr));
    EXPECT_EQ(LUMO_E_ARGUMENT, Lumo_GetLastErrorCode());
    EXPECT_STREQ("", Lumo_GetVersion(2));
    EXPECT_STREQ("", Lumo_GetVersion(-1));
    LUMO_SESSION session{};
    ASSERT_EQ(1u, Lumo_Connect("Kelto-piDorv", &session));
    ASSERT_EQ(1u, Lumo_Connect("Kelto-piDorv", &session)); // replaces the first
    std::thread([] {
        EXPECT_EQ(0, Lumo_Disconnect());
        EXPECT_EQ(LUMO_E_NOT_CONNECTED, sendRequest().errorCode);
    }).join();
    EXPECT_EQ("0 OK", LastError());
    EXPECT_GT(sendRequest().result, 0);
    EXPECT_EQ(1, Lumo_Disconnect());
    EXPECT_EQ(0, Lumo_Disconnect()); // the one disconnect closed it
}

TEST_F(LumoFaults, ListReadsEveryKindAndSkipsWhatItDoesNotKnow) {
    const auto faults = LumoEmu::parseFaults(
        " no-controller,connect-fails , empty-answer,garbage,truncate: 40, status:-3,delay:25,bogus,truncate");
    EXPECT_TRUE(faults.noController && faults.connectFails && faults.emptyAnswer && faults.garbage);
    EXPECT_EQ(std::optional<size_t>(40), faults.truncateAt);
    EXPECT_EQ(std::optional<int32_t>(-3), faults.status);
    EXPECT_EQ(25u, faults.delayMs);
    for (const char* list : {"", "none", ",,", "truncate:-1", "truncate:x", "status:4x", "delay:", "delay:99999999999",
                             "garbage:1", "status", "Garbage"}) {
        EXPECT_TRUE(LumoEmu::parseFaults(list) == LumoEmu::FaultSet()) << list;
    }
}

// Faults given in process replace those of the environment (read at each call until then). A status is set
// before the cut.
TEST_F(LumoFaults, StatusAndCutChangeTheAnswerExactly) {
    setenv("LUMO_FAULT", "no-controller", 1);
    EXPECT_EQ(0, Lumo_Detect());
    LumoEmu_SetFaults("none");
    EXPECT_EQ(1, Lumo_Detect());
    const std::string full = connectedRequest().answer;
    const auto with = [](const char* faults) {
        LumoEmu_SetFaults(faults);
        return connectedRequest();
    };
    const Exchange cut = with("truncate:40");
    EXPECT_EQ(std::make_pair(40, full.substr(0, 40)), std::make_pair(cut.result, cut.answer));
    EXPECT_EQ(full, with(("truncate:" + std::to_string(full.size())).c_str()).answer);
    const std::string withStatus = with("status:5").answer;
    EXPECT_EQ(5, parsed(withStatus)["SIP"]["CMD"][0]["ST"].GetInt());
    EXPECT_EQ(withStatus.substr(0, 40), with("status:5,truncate:40").answer);
}

// The environment's log is pinned by the host program's tests; here the one given in process.
TEST_F(LumoAnswers, CallLogEscapesTextsOntoOneLine) {
    LumoEmu_CallLog(Path("calls.log").c_str());
    const std::string request("{\"SIP\":\n\t{}}\\\r\x01\x1f\x7f tail", 19);
    char buffer[8] = {};
    Lumo_PemraRequest(request.data(), 17, buffer, sizeof buffer, 5); // only the given length
    Lumo_Connect(nullptr, nullptr);
    EXPECT_EQ("Lumo_PemraRequest 17 8 5 {\"SIP\":\\n\\t{}}\\\\\\r\\x01\\x1F\x7f\nLumo_Connect (null)\n",
              readFile(Path("calls.log")));
}
} // namespace
