// Detect, connect, versions, disconnect, the last error and reset.
#include "LumoTestSupport.h"

#include <thread>

using namespace LumoTest;

namespace {

class SessionTest : public EmulatorTest {};

TEST_F(SessionTest, DetectConnectVersionDisconnect) {
    EXPECT_EQ(Lumo_Detect(), 1);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_OK);
    EXPECT_STREQ(Lumo_GetLastErrorMessage(), "OK");

    LUMO_SESSION first{}, second{};
    EXPECT_EQ(Lumo_Connect("Kelto-piDorv", &first), 1u);
    EXPECT_NE(first.handle, 0u);
    EXPECT_STREQ(Lumo_GetVersion(0), "LumoEmu 1.0");
    EXPECT_STREQ(Lumo_GetVersion(1), "Protocol 1");
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_OK);
    EXPECT_EQ(Lumo_Disconnect(), 1);

    // A reconnect replaces the session: one disconnect closes it.
    EXPECT_EQ(Lumo_Connect("Kelto-piDorv", &second), 1u);
    EXPECT_NE(second.handle, first.handle);
    EXPECT_EQ(Lumo_Connect("Kelto-piDorv", &second), 1u);
    EXPECT_GT(sendRequest().result, 0);
    EXPECT_EQ(Lumo_Disconnect(), 1);
    EXPECT_EQ(Lumo_Disconnect(), 0);
}

TEST_F(SessionTest, BadArgumentsAndDisconnectWithoutConnectAreHarmless) {
    for (int32_t index : {2, -1}) {
        EXPECT_STREQ(Lumo_GetVersion(index), "");
        EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_ARGUMENT);
    }
    EXPECT_EQ(Lumo_Connect("Kelto-piDorv", nullptr), 0u);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_ARGUMENT);
    EXPECT_EQ(sendRequest().errorCode, LUMO_E_NOT_CONNECTED);

    // The plugin's order: detect, a disconnect without connect, then the working session.
    EXPECT_EQ(Lumo_Detect(), 1);
    EXPECT_EQ(Lumo_Disconnect(), 0);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_NOT_CONNECTED);
    EXPECT_GT(connectedRequest().result, 0);
}

TEST_F(SessionTest, LastErrorAndSessionBelongToTheCallingThread) {
    connect();
    std::thread([] {
        // Another thread's errors and its detect-then-disconnect leave this thread's error and session alone.
        Lumo_Detect();
        EXPECT_EQ(Lumo_Disconnect(), 0);
        EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_NOT_CONNECTED);
        EXPECT_EQ(sendRequest().errorCode, LUMO_E_NOT_CONNECTED);
    }).join();
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_OK);
    EXPECT_STREQ(Lumo_GetLastErrorMessage(), "OK");
    EXPECT_GT(sendRequest().result, 0);

    // Reading the last error does not change it.
    Lumo_Disconnect();
    Lumo_Disconnect();
    const std::string text = Lumo_GetLastErrorMessage();
    EXPECT_NE(text, "OK");
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_NOT_CONNECTED);
    EXPECT_EQ(Lumo_GetLastErrorMessage(), text);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_NOT_CONNECTED);
}

TEST_F(SessionTest, ResetForgetsSessionsOverridesAndErrors) {
    connect();
    LumoEmu_SetAnswer("not json");
    LumoEmu_SetFaults("no-controller");
    Lumo_GetVersion(9);
    ASSERT_EQ(Lumo_GetLastErrorCode(), LUMO_E_ARGUMENT);

    LumoEmu_Reset();
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_OK);
    EXPECT_STREQ(Lumo_GetLastErrorMessage(), "OK");
    EXPECT_EQ(sendRequest().errorCode, LUMO_E_NOT_CONNECTED);
    EXPECT_EQ(Lumo_Detect(), 1);
    rapidjson::Document tree;
    treeOf(connectedRequest().answer, tree);
    EXPECT_TRUE(tree.HasMember("TavrinStorageDeviceTree"));
}

} // namespace
