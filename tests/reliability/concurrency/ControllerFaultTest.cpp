// Every controller fault of the emulator while the worker runs: the plugin keeps serving the host,
// keeps the last good model through answers it cannot use, says so in its trace, and takes up the
// controller's changes again once the fault is gone.
#include "support/PluginFixture.h"

namespace {
using namespace test_support;

struct ControllerFaultCase {
    const char* name;
    const char* faults;
    bool answerUsable;    // whether a scan through this fault still reads the tree
    const char* reported; // a trace text the failure leaves (level 4 or 16)
};

class ControllerFault : public HostedPluginTest, public ::testing::WithParamInterface<ControllerFaultCase> {};

TEST_P(ControllerFault, WorkerRidesThroughAndCatchesUp) {
    const ControllerFaultCase& fault = GetParam();
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Create();
    Initialize();
    StartThreads();
    const std::uint64_t adapter = AdapterId();

    TraceCapture trace(4 | 16 | TRACE_DATABASE);
    LumoEmu_SetFaults(fault.faults);
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 during the fault (0)"}}).c_str());
    ASSERT_TRUE(WaitForCycles(2));
    // The host is served throughout, and the adapter keeps its identifier.
    PI::COperation scan(50007);
    EXPECT_EQ(Execute(PI::EXECUTE_OPERATION, adapter, &scan), 0u);
    ExpectServed(1);
    EXPECT_EQ(AdapterId(), adapter);
    EXPECT_EQ(AdapterNames(), Texts{fault.answerUsable ? "Dorv100 during the fault (0)" : "Dorv100 (0)"});
    EXPECT_GT(trace.Count(fault.reported), 0) << fault.reported;

    LumoEmu_SetFaults("none");
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 after the fault (0)"}}).c_str());
    ASSERT_TRUE(WaitForCycles(2));
    EXPECT_EQ(AdapterNames(), Texts{"Dorv100 after the fault (0)"});
    ExpectRowsMirrorModel();
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ControllerFault,
    ::testing::Values(ControllerFaultCase{"NoController", "no-controller", false,
                                          "firmwareGetFromLumo Lumo_Detect : 0"},
                      ControllerFaultCase{"ConnectFails", "connect-fails", false, "Can not connect to Lumo"},
                      ControllerFaultCase{"Garbage", "garbage", false, "JSON to parse :"},
                      ControllerFaultCase{"CommandStatus", "status:5", true, "JSON to parse :"},
                      ControllerFaultCase{"Slow", "delay:300", true, "JSON to parse :"},
                      ControllerFaultCase{"Several", "garbage,delay:100,status:1", false, "JSON to parse :"}),
    [](const ::testing::TestParamInfo<ControllerFaultCase>& info) { return std::string(info.param.name); });
} // namespace
