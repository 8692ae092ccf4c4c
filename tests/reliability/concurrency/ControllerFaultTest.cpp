// Every controller fault of the emulator while the worker runs: the plugin keeps serving the host,
// keeps the last good model through answers it cannot use, says so in its trace, and takes up the
// controller's changes again once the fault is gone. A slow controller must not stall host commands
// for good.
#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ReliabilitySupport.h"

namespace reliability {
namespace {
struct ControllerFaultCase {
    const char* name;
    const char* faults;
    bool answerUsable;    // whether a scan through this fault still reads the tree
    const char* reported; // a trace text the failure leaves (level 4 or 16)
};

class ControllerFault : public PluginFixture, public ::testing::WithParamInterface<ControllerFaultCase> {};

TEST_P(ControllerFault, WorkerRidesThroughAndCatchesUp) {
    const ControllerFaultCase& fault = GetParam();
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Create();
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(StartThreads(), 0u);
    const unsigned long adapter = AdapterIds().at(0);

    TraceCapture trace(4 | 16 | TRACE_DATABASE);
    LumoEmu_SetFaults(fault.faults);
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 during the fault (0)"}}).c_str());
    ASSERT_TRUE(WaitForCycles(2));

    // The host is served throughout, and the adapter keeps its identifier.
    std::vector<PI::CObject> topology;
    EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
    EXPECT_EQ(topology.size(), 2u) << "the last good model stays";
    PI::COperation scan(OP_SCAN_CONFIGURATION);
    EXPECT_EQ(Execute(PI::EXECUTE_OPERATION, adapter, &scan), 0u);
    std::uint32_t status = 1;
    EXPECT_EQ(CollectEvents(&status).size(), 1u);
    EXPECT_EQ(status, 0u);
    EXPECT_EQ(AdapterIds(), std::vector<std::uint64_t>{adapter});
    EXPECT_EQ(AdapterNames(),
              std::vector<std::string>{fault.answerUsable ? "Dorv100 during the fault (0)" : "Dorv100 (0)"});
    EXPECT_GT(trace.Count(fault.reported), 0) << fault.reported;

    LumoEmu_SetFaults("none");
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 after the fault (0)"}}).c_str());
    ASSERT_TRUE(WaitForCycles(2));
    EXPECT_EQ(AdapterNames(), std::vector<std::string>{"Dorv100 after the fault (0)"});
    ExpectRowsMirrorModel();
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, ControllerFault,
    ::testing::Values(ControllerFaultCase{"NoController", "no-controller", false,
                                          "firmwareGetFromLumo Lumo_Detect : 0"},
                      ControllerFaultCase{"ConnectFails", "connect-fails", false, "Can not connect to Lumo"},
                      ControllerFaultCase{"EmptyAnswer", "empty-answer", false, "JSON to parse :"},
                      ControllerFaultCase{"Garbage", "garbage", false, "JSON to parse :"},
                      ControllerFaultCase{"Truncated", "truncate:60", false, "JSON to parse :"},
                      ControllerFaultCase{"CommandStatus", "status:5", true, "JSON to parse :"},
                      ControllerFaultCase{"Slow", "delay:300", true, "JSON to parse :"},
                      ControllerFaultCase{"Several", "garbage,delay:100,status:1", false, "JSON to parse :"}),
    [](const ::testing::TestParamInfo<ControllerFaultCase>& info) { return std::string(info.param.name); });

class SlowController : public PluginFixture {};

// Host commands and worker cycles never meet inside the model: every command that reads or changes
// it waits for the data lock, the event queue has its own, and a cycle takes both (lock timing,
// level 8, shows each).
TEST_F(SlowController, EveryHostCommandTakesItsLock) {
    Create();
    TraceCapture trace(8);
    ASSERT_EQ(Initialize(), 0u);
    const unsigned long adapter = AdapterIds().at(0);
    std::vector<PI::CObject> topology;
    std::vector<PI::CProperty> properties;
    PI::CProperty property(PROP_NAME, false);
    std::vector<PI::COperation> operations;
    PI::COperation scan(OP_SCAN_CONFIGURATION);
    Execute(PI::GET_TOPOLOGY, 0, &topology);
    Execute(PI::GET_PROPERTIES, adapter, &properties);
    Execute(PI::GET_PROPERTY, adapter, &property);
    Execute(PI::SET_PROPERTY, adapter, &property);
    Execute(PI::GET_OPERATIONS, adapter, &operations);
    Execute(PI::CHECK_OPERATION, adapter, &scan);
    Execute(PI::EXECUTE_OPERATION, adapter, &scan);
    CollectEvents();
    EXPECT_TRUE(Impl().WorkerDo(false)) << "with both locks free the cycle is done, not put off";
    std::set<std::string> locks;
    for (const auto& record : trace.Records()) {
        if (record.message.find("waited for microseconds") != std::string::npos) {
            locks.insert(record.function + " " + record.message.substr(0, record.message.find("waited")));
        }
    }
    EXPECT_EQ(locks,
              (std::set<std::string>{"Initialize dL.lock()", "GetTopology dL.lock()", "GetProperties dL.lock()",
                                     "GetProperty dL.lock()", "SetProperty dL.lock()", "GetOperations dL.lock()",
                                     "CheckOperation dL.lock()", "ExecuteOperation dL.lock()", "onAddAvent eL.lock()",
                                     "GetEvents locked = eL.try_lock()", "WorkerDo locked = std::try_lock(dL, eL)"}));
}

TEST_F(SlowController, HostCommandsWaitButAllComplete) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Create();
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(StartThreads(), 0u);
    const unsigned long plugin = PluginId();
    const unsigned long adapter = AdapterIds().at(0);

    // Each exchange now takes a tenth of a second, during which the worker holds the data lock.
    LumoEmu_SetFaults("delay:100");
    const int threads = 4;
    const int rounds = 4;
    std::atomic<int> finished{0};
    std::atomic<int> wrong{0};
    std::atomic<long> scans{0};
    std::vector<std::thread> hosts;
    for (int t = 0; t < threads; ++t) {
        hosts.emplace_back([&, t] {
            for (int round = 0; round < rounds; ++round) {
                std::vector<PI::CObject> topology;
                wrong += Execute(PI::GET_TOPOLOGY, 0, &topology) != 0u ? 1 : 0;
                PI::CProperty property(PROP_POLL_INTERVAL, false);
                // After the restart below the old identifiers are unknown (20008).
                const std::uint32_t read = Execute(PI::GET_PROPERTY, plugin, &property);
                wrong += read != 0u && read != 20008u ? 1 : 0;
                PI::COperation scan(OP_SCAN_CONFIGURATION); // forces a slow cycle each time
                const std::uint32_t status = Execute(PI::EXECUTE_OPERATION, adapter, &scan);
                wrong += status != 0u && status != 20008u ? 1 : 0;
                scans += status == 0u ? 1 : 0;
                if (t == 0 && round == rounds / 2) {
                    // A host restart meets the slow controller inside Initialize.
                    wrong += Execute(PI::DEINITIALIZE, 0, nullptr) != 0u ? 1 : 0;
                    std::vector<PI::CAdapterID> ids;
                    wrong += Execute(PI::INITIALIZE, 0, &ids) != 0u || ids.size() != 1u ? 1 : 0;
                    wrong += StartThreads() != 0u ? 1 : 0;
                }
            }
            finished.fetch_add(1);
        });
    }
    // A generous bound: every exchange is slow, but nothing waits on anything that never comes.
    if (!Eventually([&] { return finished.load() == threads; }, 240)) {
        std::fprintf(stderr, "slow controller: host threads still blocked\n");
        std::abort();
    }
    for (auto& host : hosts) {
        host.join();
    }
    EXPECT_EQ(wrong.load(), 0);
    LumoEmu_SetFaults("none");
    long collected = 0;
    EXPECT_TRUE(Eventually([&] {
        collected += static_cast<long>(CollectEvents().size());
        return collected == scans.load();
    })) << collected
        << " of " << scans.load() << " events";
}
} // namespace
} // namespace reliability
