// Injected faults: the list parser and each fault's effect on the calls.
#include "EmuFaults.h"
#include "LumoTestSupport.h"

using namespace LumoTest;

namespace {

TEST(FaultListTest, ReadsEveryKindWithBlanksAndSkipsWhatItDoesNotKnow) {
    const auto faults = LumoEmu::parseFaults(
        " no-controller,connect-fails , empty-answer,garbage,truncate: 40, status:-3,delay:25,bogus,truncate");
    EXPECT_TRUE(faults.noController && faults.connectFails && faults.emptyAnswer && faults.garbage);
    EXPECT_EQ(faults.truncateAt, std::optional<size_t>(40));
    EXPECT_EQ(faults.status, std::optional<int32_t>(-3));
    EXPECT_EQ(faults.delayMs, 25u);

    const LumoEmu::FaultSet none;
    for (const char* list : {"", "none", ",,", "truncate:-1", "truncate:x", "status:4x", "delay:", "delay:99999999999",
                             "garbage:1", "status", "Garbage"}) {
        EXPECT_TRUE(LumoEmu::parseFaults(list) == none) << list;
    }
}

class FaultTest : public EmulatorTest {
protected:
    std::string normalAnswer() {
        LumoEmu_SetFaults("none");
        std::string answer = connectedRequest().answer;
        LumoEmu_SetFaults(nullptr);
        return answer;
    }
};

TEST_F(FaultTest, NoControllerAndConnectFailsLeaveNoSession) {
    setenv("LUMO_FAULT", "no-controller", 1);
    EXPECT_EQ(Lumo_Detect(), 0);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_NO_CONTROLLER);
    EXPECT_STRNE(Lumo_GetLastErrorMessage(), "OK");
    LUMO_SESSION session{};
    EXPECT_EQ(Lumo_Connect("Kelto-piDorv", &session) & 0xFFu, 0u);

    // The environment is read at each call.
    unsetenv("LUMO_FAULT");
    EXPECT_EQ(Lumo_Detect(), 1);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_OK);

    LumoEmu_SetFaults("connect-fails");
    EXPECT_EQ(Lumo_Detect(), 1);
    EXPECT_EQ(Lumo_Connect("Kelto-piDorv", &session), 0u);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_CONNECT);
    EXPECT_EQ(sendRequest().errorCode, LUMO_E_NOT_CONNECTED);
}

TEST_F(FaultTest, InProcessFaultsOverrideTheEnvironmentUntilCleared) {
    setenv("LUMO_FAULT", "no-controller", 1);
    LumoEmu_SetFaults("none");
    EXPECT_EQ(Lumo_Detect(), 1);
    LumoEmu_SetFaults("");
    EXPECT_EQ(Lumo_Detect(), 0);
    LumoEmu_SetFaults("connect-fails");
    EXPECT_EQ(Lumo_Detect(), 1);
    LumoEmu_Reset();
    EXPECT_EQ(Lumo_Detect(), 0);
}

TEST_F(FaultTest, EmptyAnswerWritesNothingAndGarbageIsNotJson) {
    LumoEmu_SetFaults("empty-answer");
    connect();
    std::string buffer(32, '#');
    EXPECT_EQ(requestInto(buffer), 0);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_NO_ANSWER);
    EXPECT_EQ(buffer, std::string(32, '#'));

    LumoEmu_SetFaults("garbage");
    const std::string garbage = sendRequest().answer;
    rapidjson::Document doc;
    EXPECT_FALSE(garbage.empty());
    EXPECT_FALSE(parses(garbage, doc));
}

TEST_F(FaultTest, TruncateCutsAndDelayKeepsTheAnswer) {
    const std::string full = normalAnswer();
    LumoEmu_SetFaults("truncate:40");
    const Exchange exchange = connectedRequest();
    EXPECT_EQ(exchange.result, 40);
    EXPECT_EQ(exchange.answer, full.substr(0, 40));

    LumoEmu_SetFaults(("truncate:" + std::to_string(full.size() + 10)).c_str());
    EXPECT_EQ(connectedRequest().answer, full);
    LumoEmu_SetFaults("delay:20");
    EXPECT_EQ(connectedRequest().answer, full);
}

TEST_F(FaultTest, StatusReplacesStKeepsTheTreeAndCombinesWithTruncate) {
    rapidjson::Document expected, envelope, tree;
    treeOf(normalAnswer(), expected);
    LumoEmu_SetFaults("status:5");
    const Exchange exchange = connectedRequest();
    ASSERT_TRUE(parses(exchange.answer, envelope));
    EXPECT_EQ(envelope["SIP"]["CMD"][0]["ST"].GetInt(), 5);
    treeOf(exchange.answer, tree);
    EXPECT_TRUE(tree == expected);

    // The status is set before the cut: its entry is in the first bytes.
    LumoEmu_SetFaults("status:9,truncate:200");
    const std::string cut = connectedRequest().answer;
    EXPECT_EQ(cut.size(), 200u);
    EXPECT_NE(cut.find(R"("ST":9)"), std::string::npos);

    // An envelope file without "ST" gets one.
    writeFile(dir_ / "envelope.json", R"({"SIP":{"V":1,"CMD":[{"OC":8624,"DA":"{}"}]}})");
    useTreeFile(dir_ / "envelope.json");
    LumoEmu_SetFaults("status:5");
    ASSERT_TRUE(parses(connectedRequest().answer, envelope));
    EXPECT_EQ(envelope["SIP"]["CMD"][0]["ST"].GetInt(), 5);
}

} // namespace
