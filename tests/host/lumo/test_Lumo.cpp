// The controller emulator: what is refused or passed through, sessions, the last error and the
// faults' exact changes. The plugin's own calls and the faults' effects on a scan are pinned in the
// adapter and reliability tests, the device-tree file and the call log in the host program's tests.
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <rapidjson/document.h>

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

std::string example(const char* name) {
    std::ifstream in(std::string(LUMO_EXAMPLES_DIR) + "/" + name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string LastError() {
    return std::to_string(Lumo_GetLastErrorCode()) + " " + Lumo_GetLastErrorMessage();
}

// Every test starts from the built-in sample with no faults and no session.
class Lumo : public ::testing::Test {
protected:
    void SetUp() override { TearDown(); }
    void TearDown() override {
        Lumo_Disconnect();
        LumoEmu_Reset();
    }
};

// A text that is an envelope already, or no tree, is sent byte for byte (cut to the capacity); a status to set
// changes only a command entry (added where it has none), and a tree nested too deep to read is read on a small stack
// without harm.
TEST_F(Lumo, OtherTextsArePassedThroughUnchanged) {
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

TEST_F(Lumo, OnlyOneCommandEnvelopeIsAccepted) {
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
    // An unknown operation is answered with a non-zero status and no tree.
    EXPECT_EQ(R"({"SIP":{"V":1,"CMD":[{"OC":4711,"ST":1,"MI":196613}]}})",
              sendRequest(R"({"SIP":{"V":1,"CMD":[{"OC":4711}]}})").answer);
}

TEST_F(Lumo, OneSessionAndOneLastErrorPerThread) {
    EXPECT_EQ(0, Lumo_Disconnect());
    EXPECT_EQ("3 No open session to close", LastError());
    EXPECT_EQ(0u, Lumo_Connect("Kelto-piDorv", nullptr));
    EXPECT_EQ(LUMO_E_ARGUMENT, Lumo_GetLastErrorCode());
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

// A status is set before the cut.
TEST_F(Lumo, StatusAndCutChangeTheAnswerExactly) {
    const std::string full = connectedRequest().answer;
    const auto with = [](const char* faults) {
        LumoEmu_SetFaults(faults);
        return connectedRequest();
    };
    const Exchange cut = with("truncate:40");
    EXPECT_EQ(std::make_pair(40, full.substr(0, 40)), std::make_pair(cut.result, cut.answer));
    EXPECT_EQ(full, with(("truncate:" + std::to_string(full.size())).c_str()).answer);
    const std::string withStatus = with("status:5").answer;
    rapidjson::Document status;
    status.Parse(withStatus.c_str());
    EXPECT_EQ(5, status["SIP"]["CMD"][0]["ST"].GetInt());
    EXPECT_EQ(withStatus.substr(0, 40), with("status:5,truncate:40").answer);
}
} // namespace
