// The call log: one line per library call in the documented format.
#include "EmuCallLog.h"
#include "LumoTestSupport.h"

using namespace LumoTest;

namespace {

class CallLogTest : public EmulatorTest {};

TEST_F(CallLogTest, PluginScanIsLoggedLineByLine) {
    const auto log = dir_ / "calls.log";
    LumoEmu_CallLog(log.c_str());
    Lumo_Detect();
    Lumo_GetLastErrorCode();
    Lumo_GetLastErrorMessage();
    Lumo_GetVersion(0);
    connectedRequest();
    // Only the given length of the request is written, escaped onto one line.
    const std::string request = "{\"SIP\":\n\t{}}\\tail";
    char buffer[8] = {};
    Lumo_PemraRequest(request.data(), 12, buffer, sizeof buffer, 5);
    Lumo_Connect(nullptr, nullptr);

    // connectedRequest reads the last error after its request: those reads are logged too.
    const std::vector<std::string> expected = {"Lumo_Detect",
                                               "Lumo_GetLastErrorCode",
                                               "Lumo_GetLastErrorMessage",
                                               "Lumo_GetVersion 0",
                                               "Lumo_Connect Kelto-piDorv",
                                               "Lumo_PemraRequest 35 64000 5 " + kTreeRequest,
                                               "Lumo_GetLastErrorCode",
                                               "Lumo_GetLastErrorMessage",
                                               "Lumo_Disconnect",
                                               R"(Lumo_PemraRequest 12 8 5 {"SIP":\n\t{}})",
                                               "Lumo_Connect (null)"};
    EXPECT_EQ(readLines(log), expected);
}

TEST_F(CallLogTest, EnvironmentLogUnlessOverridden) {
    const auto fromEnv = dir_ / "env.log";
    const auto fromCall = dir_ / "call.log";
    setenv("LUMO_CALL_LOG", fromEnv.c_str(), 1);
    Lumo_Detect();
    LumoEmu_CallLog(fromCall.c_str());
    Lumo_Disconnect();
    LumoEmu_CallLog(nullptr);
    Lumo_GetVersion(1);

    EXPECT_EQ(readLines(fromEnv), (std::vector<std::string>{"Lumo_Detect", "Lumo_GetVersion 1"}));
    EXPECT_EQ(readLines(fromCall), std::vector<std::string>{"Lumo_Disconnect"});
}

TEST(CallLogEscapeTest, ControlBytesAndBackslashAreEscaped) {
    const std::string text("a\\b\r\x01\x1f"
                           "c\x7f",
                           8);
    EXPECT_EQ(LumoEmu::escapedForLog(text.data(), text.size()), "a\\\\b\\r\\x01\\x1Fc\x7f");
    EXPECT_EQ(LumoEmu::escapedForLog(std::string("x\0y", 3).data(), 3), "x\\x00y");
    EXPECT_EQ(LumoEmu::escapedForLog(nullptr, 4), "(null)");
}

} // namespace
