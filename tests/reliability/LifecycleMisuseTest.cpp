// The host calls commands out of order: before Initialize, after DeInitialize, after a failed
// Initialize, and each command twice in a row. The plugin answers each with a status the command may
// return, never crashes, and works normally once the host gets the order right.
#include <climits>
#include <string>
#include <vector>

#include "ReliabilitySupport.h"

namespace reliability {
namespace {
class LifecycleMisuse : public PluginFixture {
protected:
    // Sends every command but Initialize and DeInitialize once to the given identifier; returns how
    // many statuses were outside what the command may return.
    int SendObjectCommands(unsigned long id) {
        int wrong = 0;
        auto check = [&](PI::_COMMAND command, std::uint32_t status) {
            if (!IsAllowedStatus(command, status)) {
                ADD_FAILURE() << "command " << command << " gave " << status;
                ++wrong;
            }
        };
        std::vector<PI::CObject> topology;
        check(PI::GET_TOPOLOGY, Execute(PI::GET_TOPOLOGY, id, &topology));
        std::vector<PI::CProperty> properties;
        check(PI::GET_PROPERTIES, Execute(PI::GET_PROPERTIES, id, &properties));
        PI::CProperty property(PROP_NAME, false);
        check(PI::GET_PROPERTY, Execute(PI::GET_PROPERTY, id, &property));
        PI::CProperty interval(PROP_POLL_INTERVAL, true);
        interval.SetValue(std::int64_t{4}, std::int64_t{2}, std::int64_t{255}, std::int64_t{1});
        check(PI::SET_PROPERTY, Execute(PI::SET_PROPERTY, id, &interval));
        std::vector<PI::COperation> operations;
        check(PI::GET_OPERATIONS, Execute(PI::GET_OPERATIONS, id, &operations));
        PI::COperation scan(OP_SCAN_CONFIGURATION);
        check(PI::CHECK_OPERATION, Execute(PI::CHECK_OPERATION, id, &scan));
        check(PI::EXECUTE_OPERATION, Execute(PI::EXECUTE_OPERATION, id, &scan));
        PI::COperation events(OP_GET_EVENTS);
        check(PI::EXECUTE_OPERATION, Execute(PI::EXECUTE_OPERATION, id, &events));
        return wrong;
    }

    // The plugin after the misuse: a normal start finds the adapter and mirrors it.
    void ExpectNormalStart() {
        std::vector<PI::CAdapterID> ids;
        ASSERT_EQ(Initialize(&ids), 0u);
        EXPECT_EQ(ids.size(), 1u);
        const std::uint32_t started = StartThreads();
        EXPECT_TRUE(started == 0u || started == 20000u) << started;
        EXPECT_TRUE(Peer::threadsRunning(Impl()));
        std::vector<PI::CObject> topology;
        EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
        EXPECT_EQ(topology.size(), 2u);
        ExpectRowsMirrorModel();
    }
};

TEST_F(LifecycleMisuse, EveryCommandBeforeInitialize) {
    Create();
    for (unsigned long id : {0ul, 1ul, 0x0136000000000000ul, ULONG_MAX}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(SendObjectCommands(id), 0);
    }
    EXPECT_EQ(Execute(PI::DEINITIALIZE, 0, nullptr), 0u) << "nothing to stop yet";
    EXPECT_EQ(SetPollInterval(2), 0u);
    EXPECT_EQ(StartThreads(), 0u) << "threads before Initialize";
    EXPECT_TRUE(WaitForCycles(1)) << "the worker scans before Initialize";
    EXPECT_EQ(SendObjectCommands(0), 0);
    std::vector<PI::CAdapterID> ids;
    EXPECT_EQ(Initialize(&ids), 0u);
    EXPECT_FALSE(ids.empty());
    // A second Initialize starts from an empty model, whatever the worker found before.
    ExpectNormalStart();
}

TEST_F(LifecycleMisuse, EveryCommandAfterDeInitialize) {
    Create();
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(StartThreads(), 0u);
    PI::COperation scan(OP_SCAN_CONFIGURATION);
    ASSERT_EQ(Execute(PI::EXECUTE_OPERATION, AdapterIds().at(0), &scan), 0u);
    ASSERT_EQ(Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_FALSE(Peer::threadsRunning(Impl()));

    for (unsigned long id : {static_cast<unsigned long>(PluginId()), static_cast<unsigned long>(AdapterIds().at(0))}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(SendObjectCommands(id), 0);
    }
    EXPECT_EQ(Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    // The plugin's GET_EVENTS above took the event queued before the stop; the adapter's scan
    // after it queued one more, which waits for the next call.
    EXPECT_EQ(CollectEvents().size(), 1u);

    const std::uint64_t oldPlugin = PluginId();
    ExpectNormalStart();
    EXPECT_NE(PluginId(), oldPlugin) << "identifiers never repeat";
}

TEST_F(LifecycleMisuse, CommandsAfterAFailedInitialize) {
    Create();
    EXPECT_EQ(Execute(PI::INITIALIZE, 0, nullptr), 20006u) << "no list to fill";
    EXPECT_EQ(SendObjectCommands(0), 0);
    EXPECT_EQ(Execute(PI::SET_ADAPTER_IDS, 0, nullptr), 20006u);
    ExpectNormalStart();
}

TEST_F(LifecycleMisuse, InitializeWithoutControllerThenTheControllerComes) {
    Create();
    LumoEmu_SetFaults("no-controller");
    std::vector<PI::CAdapterID> ids;
    EXPECT_EQ(Initialize(&ids), 0u) << "an unreachable controller is not a failure";
    EXPECT_TRUE(ids.empty());
    EXPECT_EQ(SendObjectCommands(PluginId()), 0);
    EXPECT_EQ(SendObjectCommands(PluginId() + 1), 0);
    ASSERT_EQ(SetPollInterval(2), 0u);
    ASSERT_EQ(StartThreads(), 0u);
    ASSERT_TRUE(WaitForCycles(1));
    EXPECT_TRUE(AdapterIds().empty());

    LumoEmu_SetFaults("none");
    ASSERT_TRUE(WaitForCycles(2));
    EXPECT_EQ(AdapterIds().size(), 1u);
    std::vector<PI::CObject> topology;
    EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
    EXPECT_EQ(topology.size(), 2u);
    EXPECT_EQ(Count("Adapter"), 1u) << "the adapter found by the worker is stored";
}

TEST_F(LifecycleMisuse, EveryCommandTwiceInARow) {
    Create();
    std::vector<PI::CAdapterID> first;
    std::vector<PI::CAdapterID> second;
    ASSERT_EQ(Initialize(&first), 0u);
    const std::uint64_t firstAdapter = AdapterIds().at(0);
    ASSERT_EQ(Initialize(&second), 0u);
    EXPECT_EQ(second.size(), 1u);
    EXPECT_EQ(AdapterIds().size(), 1u) << "a repeated Initialize does not duplicate the adapter";
    EXPECT_NE(AdapterIds().at(0), firstAdapter);
    EXPECT_EQ(Count("Plugin"), 1u);
    EXPECT_EQ(Count("Adapter"), 1u);

    EXPECT_EQ(StartThreads(), 0u);
    EXPECT_EQ(StartThreads(), 20000u) << "the threads already run";

    const unsigned long plugin = PluginId();
    const unsigned long adapter = AdapterIds().at(0);
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(SendObjectCommands(plugin), 0);
        EXPECT_EQ(SendObjectCommands(adapter), 0);
    }
    CollectEvents();
    PI::COperation scan(OP_SCAN_CONFIGURATION);
    EXPECT_EQ(Execute(PI::EXECUTE_OPERATION, adapter, &scan), 0u);
    EXPECT_EQ(Execute(PI::EXECUTE_OPERATION, adapter, &scan), 0u);
    const auto events = CollectEvents();
    EXPECT_EQ(events.size(), 2u);
    EXPECT_TRUE(CollectEvents().empty()) << "each event is handed out once";

    EXPECT_EQ(Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_EQ(Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    ExpectNormalStart();
}

TEST_F(LifecycleMisuse, UnknownCommandsLeaveTheDataAlone) {
    Create();
    ASSERT_EQ(Initialize(), 0u);
    for (std::int32_t code : {0, 11, 12, -1, INT_MIN, INT_MAX}) {
        std::vector<PI::CObject> data(1);
        data.front().m_ID = 42;
        EXPECT_EQ(Execute(static_cast<PI::_COMMAND>(code), 0, &data), 20002u) << code;
        ASSERT_EQ(data.size(), 1u);
        EXPECT_EQ(data.front().m_ID, 42u);
    }
}

TEST_F(LifecycleMisuse, ReleaseWithoutDeInitializeStopsTheThreads) {
    Create();
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(SetPollInterval(2), 0u);
    ASSERT_EQ(StartThreads(), 0u);
    PI::COperation scan(OP_SCAN_CONFIGURATION);
    ASSERT_EQ(Execute(PI::EXECUTE_OPERATION, AdapterIds().at(0), &scan), 0u);
    releaseIf(&api_); // no DeInitialize first
    EXPECT_EQ(api_, nullptr);
    releaseIf(&api_); // a holder that already holds nothing
    releaseIf(nullptr);
    db_ = DatabaseWrapper::resetDatabaseForTests(); // a new plugin object starts a new mirror
    Create();
    ExpectNormalStart();
}
} // namespace
} // namespace reliability
