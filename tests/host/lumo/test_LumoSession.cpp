// Sessions, the last error, faults and reset: what the calls of the controller emulator answer.
#include <string>
#include <thread>

#include "EmuFaults.h"
#include "LumoTestSupport.h"

using namespace LumoTest;

namespace {
class LumoSession : public EmulatorTest {};
class LumoFaults : public EmulatorTest {};

std::string LastError() {
    return std::to_string(Lumo_GetLastErrorCode()) + " " + Lumo_GetLastErrorMessage();
}

// The plugin's own sequence of calls is pinned with its traces in the adapter tests; here what it does not do.
TEST_F(LumoSession, OneSessionAndOneLastErrorPerThread) {
    EXPECT_EQ(0, Lumo_Disconnect());
    EXPECT_EQ("3 No open session to close", LastError());
    EXPECT_EQ("3 No open session to close", LastError()); // reading leaves it as it is
    EXPECT_EQ(0u, Lumo_Connect("Kelto-piDorv", nullptr));
    EXPECT_EQ(LUMO_E_ARGUMENT, Lumo_GetLastErrorCode());
    for (int32_t index : {2, -1}) {
        EXPECT_STREQ("", Lumo_GetVersion(index));
        EXPECT_EQ(LUMO_E_ARGUMENT, Lumo_GetLastErrorCode());
    }
    LUMO_SESSION first{};
    LUMO_SESSION second{};
    ASSERT_EQ(1u, Lumo_Connect("Kelto-piDorv", &first));
    ASSERT_EQ(1u, Lumo_Connect("Kelto-piDorv", &second)); // replaces the first
    EXPECT_NE(first.handle, second.handle);
    std::thread([] {
        EXPECT_EQ(0, Lumo_Disconnect());
        EXPECT_EQ(LUMO_E_NOT_CONNECTED, sendRequest().errorCode);
    }).join();
    EXPECT_EQ("0 OK", LastError());
    EXPECT_GT(sendRequest().result, 0);
    EXPECT_EQ(1, Lumo_Disconnect());
    EXPECT_EQ(0, Lumo_Disconnect()); // the one disconnect closed it
    EXPECT_EQ(LUMO_E_NOT_CONNECTED, sendRequest().errorCode);
}

TEST_F(LumoSession, ResetForgetsSessionsOverridesAndErrors) {
    LUMO_SESSION session{};
    Lumo_Connect("Kelto-piDorv", &session);
    LumoEmu_SetAnswer("not json");
    LumoEmu_SetFaults("no-controller");
    LumoEmu_CallLog(Path("calls.log").c_str());
    Lumo_GetVersion(9);
    LumoEmu_Reset();
    EXPECT_EQ("0 OK", LastError());
    EXPECT_EQ(LUMO_E_NOT_CONNECTED, sendRequest().errorCode);
    EXPECT_EQ(1, Lumo_Detect());
    EXPECT_TRUE(treeOf(connectedRequest().answer).IsObject());
    EXPECT_EQ("Lumo_GetVersion 9\n", Read("calls.log"));
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

TEST_F(LumoFaults, EachFaultChangesWhatItNames) {
    setenv("LUMO_FAULT", "no-controller", 1); // read at each call, until faults are given in process
    EXPECT_EQ(0, Lumo_Detect());
    LumoEmu_SetFaults("none");
    EXPECT_EQ(1, Lumo_Detect());
    LumoEmu_SetFaults("");
    LUMO_SESSION session{};
    EXPECT_EQ(0u, Lumo_Connect("Kelto-piDorv", &session));
    unsetenv("LUMO_FAULT");

    const std::string full = connectedRequest().answer;
    const auto with = [](const char* faults) {
        LumoEmu_SetFaults(faults);
        return connectedRequest();
    };
    const Exchange empty = with("empty-answer");
    EXPECT_EQ(std::make_tuple(0, LUMO_E_NO_ANSWER, std::string()),
              std::make_tuple(empty.result, empty.errorCode, empty.answer));
    EXPECT_TRUE(parsed(with("garbage").answer).HasParseError());
    const Exchange cut = with("truncate:40");
    EXPECT_EQ(std::make_pair(40, full.substr(0, 40)), std::make_pair(cut.result, cut.answer));
    EXPECT_EQ(full, with(("truncate:" + std::to_string(full.size()) + ",delay:20").c_str()).answer);
    const std::string withStatus = with("status:5").answer;
    EXPECT_EQ(5, parsed(withStatus)["SIP"]["CMD"][0]["ST"].GetInt());
    EXPECT_TRUE(treeOf(withStatus) == treeOf(full));
    // the status is set before the cut
    EXPECT_EQ(withStatus.substr(0, 40), with("status:5,truncate:40").answer);
    // an entry without "ST" gets one
    LumoEmu_SetAnswer(R"({"SIP":{"V":1,"CMD":[{"OC":8624,"DA":"{}"}]}})");
    EXPECT_EQ(R"({"SIP":{"V":1,"CMD":[{"OC":8624,"DA":"{}","ST":5}]}})", with("status:5").answer);
}
} // namespace
