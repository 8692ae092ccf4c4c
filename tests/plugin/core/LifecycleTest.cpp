// Initialize, SetAdapterIDs and DeInitialize, and the plugin's own shown object.
#include "CoreTestSupport.h"
#include "support/ObjectText.h"

namespace core_test {
namespace {
class LifecycleTest : public CoreTest {};

TEST_F(LifecycleTest, InitializeBuildsTheModelAndItsRows) {
    TraceCapture trace(0x2 | 0x10);
    testing::internal::CaptureStdout();
    std::vector<PI::CAdapterID> ids(1); // not emptied first
    ASSERT_EQ(Plugin().Execute(PI::INITIALIZE, 0, &ids), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "piDorv:  Initialize:  adapter count is 1\n");

    auto& plugin = Peer::plugin(Plugin());
    auto& adapters = Peer::adapters(Plugin());
    EXPECT_EQ(std::make_tuple(plugin.m_ID, plugin.m_Type), std::make_tuple(ID_BASE, 19006));
    ASSERT_EQ(adapters.size(), 1u);
    const auto& adapter = *adapters[0];
    EXPECT_EQ(std::make_tuple(adapter.m_ID, adapter.PI::CObject::m_Type, adapter.m_Type, adapter.m_Status,
                              adapter.m_StatusWord2, adapter.m_UpdateCounter),
              std::make_tuple(ID_BASE | 1, 19037, std::string("Dorv"), 40024, 1, 1ul));
    EXPECT_EQ(adapter.m_Parents, std::vector<std::uint64_t>{ID_BASE});
    EXPECT_EQ(plugin.m_Children, std::vector<std::uint64_t>{ID_BASE | 1});
    EXPECT_TRUE(Peer::physicalDrives(Plugin()).empty());
    EXPECT_TRUE(Peer::logicalDrives(Plugin()).empty());

    // The host-wide number is the one the numbering hands out for this adapter of this host.
    PI::CGlobalAdapterID global("localhost");
    global.SetAdapterUniqueID(adapter.m_UniqueID);
    EXPECT_EQ(adapter.m_GlobalAdapterNumber, global.GenerateUniqueAdapterNumber());

    ASSERT_EQ(ids.size(), 2u);
    PI::CAdapterID expected;
    expected.m_Bus = static_cast<std::int32_t>(adapter.m_PciBus);
    expected.m_Device = static_cast<std::int32_t>(adapter.m_PciDevice);
    expected.m_Function = static_cast<std::int32_t>(adapter.m_PciFunction);
    EXPECT_EQ(ids[1], expected);
    EXPECT_EQ(ids[1].m_Last, -1);

    EXPECT_EQ(
        Query("SELECT ObjectID, Name, PollInterval, UniqueID, Vendor, Version, SettableProperties FROM Plugin"),
        (Rows{{std::to_string(ID_BASE), "Dorv-Plugin", "10", "Plugin:ID=310", "Linux", "7.12.1",
               R"({""settableProperties"":[{""name"":""pollinterval"",""formatStr"":""<int32>[2..255, 1]""}]})"}}));
    EXPECT_EQ(Query("SELECT ObjectID, GlobalAdapterNumber, HostName FROM Adapter"),
              (Rows{{std::to_string(ID_BASE | 1), std::to_string(adapter.m_GlobalAdapterNumber), "localhost"}}));

    EXPECT_GE(trace.Find("ENTER ScanSystem(1) PhyDrive=0 LogDrive=0"), 0);
    EXPECT_GE(trace.Find("ScanSystem() ret = 0 physicalDrives_=0"), 0);
    EXPECT_GE(trace.Find("LEAVE Initialize() -> 0"), 0);
}

TEST_F(LifecycleTest, InitializeWithoutControllerSucceedsWithNoAdapter) {
    LumoEmu_SetFaults("no-controller");
    std::vector<PI::CAdapterID> ids;
    testing::internal::CaptureStdout();
    EXPECT_EQ(Plugin().Execute(PI::INITIALIZE, 0, &ids), 0u);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "piDorv:  Initialize:  adapter count is 1\n");
    EXPECT_TRUE(ids.empty());
    EXPECT_TRUE(Peer::adapters(Plugin()).empty());
    EXPECT_EQ(PluginId(), ID_BASE);
}

TEST_F(LifecycleTest, SecondInitializeReplacesTheModel) {
    Initialize();
    StartThreads();
    ASSERT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    const auto ids = Initialize();

    EXPECT_EQ(ids.size(), 1u);
    EXPECT_EQ(Peer::plugin(Plugin()).m_ID, ID_BASE | 2); // identifiers never repeat
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::adapters(Plugin())[0]->m_ID, ID_BASE | 3);
    EXPECT_EQ(Peer::plugin(Plugin()).m_Children, std::vector<std::uint64_t>{ID_BASE | 3});
    EXPECT_EQ(Query("SELECT ObjectID FROM Plugin"), (Rows{{std::to_string(ID_BASE | 2)}}));
    EXPECT_EQ(Query("SELECT ObjectID FROM Adapter"), (Rows{{std::to_string(ID_BASE | 3)}}));
}

TEST_F(LifecycleTest, DeInitializeBeforeSetAdapterIdsLeavesNoStopEventBehind) {
    Initialize();
    TraceCapture trace(0x8 | 0x10);
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_GE(trace.Find("Dorv... (Worker) is not joinable"), 0);
    EXPECT_GE(trace.Find("Dorv... (Event Pool) is not joinable"), 0);
    EXPECT_EQ(Peer::eventHandler(Plugin()).pending(0), 0);

    // Threads started later are not stopped by a stale event.
    StartThreads();
    trace.Clear();
    Plugin().sendWorkerEvent(NAMESPACE_piDorv::IPLUGINAPI_IMPL::CPluginEvents::FORCE_WORK);
    EXPECT_TRUE(trace.WaitFor("After UpdateSystem() ret ="));
    EXPECT_TRUE(Peer::workerRunning(Plugin()));
    EXPECT_EQ(trace.Count("stop event received"), 0);
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
}

TEST_F(LifecycleTest, DeInitializeJoinsBothThreadsWithTimingTraces) {
    Initialize();
    StartThreads();
    TraceCapture trace(0x2 | 0x8);
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_FALSE(Peer::workerRunning(Plugin()));
    EXPECT_FALSE(Peer::eventPoolRunning(Plugin()));
    EXPECT_EQ(trace.Count("LEAVE Worker()"), 1);
    EXPECT_EQ(trace.Count("LEAVE EventPoll()"), 1);
    EXPECT_GE(trace.Find("Dorv... (Worker) is joinable"), 0);
    EXPECT_GE(trace.Find("Dorv... (Event Pool) is joinable"), 0);
    const int waited = trace.Find("workerTh_.thread_.join()waited for");
    EXPECT_GE(waited, 0);
    const int held = trace.Find("workerTh_.thread_.join() . Lock held for microseconds: ");
    EXPECT_GT(held, waited);
    EXPECT_NE(trace.Lines()[static_cast<std::size_t>(held)].find("~CAutoScopeLeaveLogger_"), std::string::npos);
    for (const std::string join : {"workerTh_.thread_.join()", "eventPoolTh_.thread_.join()"}) {
        EXPECT_EQ(trace.Count("\tDeInitialize\t" + join), 2) << join; // the expression and the wait line
    }
    EXPECT_EQ(Peer::eventHandler(Plugin()).pending(0), 0);
}

TEST_F(LifecycleTest, SetAdapterIdsWhileThreadsRunStartsNothing) {
    Initialize();
    std::vector<PI::CAdapterID> ids(1);
    ASSERT_EQ(Plugin().Execute(PI::SET_ADAPTER_IDS, 0, &ids), 0u);
    EXPECT_EQ(Peer::adapterIDs(Plugin()).size(), 1u);
    EXPECT_EQ(Plugin().Execute(PI::SET_ADAPTER_IDS, 0, &ids), 20000u);
    EXPECT_EQ(Peer::adapterIDs(Plugin()).size(), 1u);
    EXPECT_TRUE(Peer::workerRunning(Plugin()));

    TraceCapture trace(0x2);
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    EXPECT_EQ(trace.Count("LEAVE Worker()"), 1);
    // After a DeInitialize the threads may be started again.
    EXPECT_EQ(Plugin().Execute(PI::SET_ADAPTER_IDS, 0, &ids), 0u);
    EXPECT_EQ(Plugin().Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
}

// ---- The plugin object ----

TEST_F(LifecycleTest, PluginPropertiesAndOperation) {
    Initialize();
    std::vector<PI::CProperty> all;
    ASSERT_EQ(Plugin().Execute(PI::GET_PROPERTIES, PluginId(), &all), 0u);
    EXPECT_EQ(test_support::Describe(all),
              (std::vector<std::string>{"30137 pos=0 'Plugin:ID=310'", "30007 label=23334 'Dorv-Plugin'",
                                        "30099 label=23339 '7.12.1'", "30003 label=23338 'Linux'",
                                        "30005 label=23335 extra=21007 rw #10 [2..255/1]"}));
    auto& plugin = Peer::plugin(Plugin());
    std::vector<PI::CProperty> one;
    EXPECT_EQ(Plugin().GetPluginProperties(plugin, one, 30005), 0u);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], all.at(4));
    EXPECT_EQ(Plugin().GetPluginProperties(plugin, one, 30050), 0u);
    EXPECT_TRUE(one.empty());

    std::vector<PI::COperation> operations(3);
    ASSERT_EQ(Plugin().Execute(PI::GET_OPERATIONS, PluginId(), &operations), 0u);
    EXPECT_EQ(test_support::Describe(operations), std::vector<std::string>{"50002 kind=6 block={1,1,1,1,0,1}"});
    PI::COperation any(50999);
    EXPECT_EQ(Plugin().Execute(PI::CHECK_OPERATION, PluginId(), &any), 0u);
    EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, PluginId(), &any), 20005u);
}

TEST_F(LifecycleTest, SettingThePollIntervalPersistsItAndWakesTheWorker) {
    Initialize();
    const std::uint64_t before = PluginUpdateCounter();
    EXPECT_EQ(SetPollInterval(30), 0u);
    EXPECT_EQ(Peer::pollInterval(Plugin()), 30u);
    EXPECT_EQ(PluginUpdateCounter(), before + 1);
    EXPECT_NE(ReadConfig().find("PollInterval=30"), std::string::npos);
    EXPECT_EQ(Peer::eventHandler(Plugin()).pending(2), 1);

    // The stored interval is what a new plugin object starts with.
    IPLUGINAPI_IMPL other;
    EXPECT_EQ(Peer::pollInterval(other), 30u);

    PI::CProperty name(30007, false);
    name.SetValue(std::string("x"));
    EXPECT_EQ(Plugin().Execute(PI::SET_PROPERTY, PluginId(), &name), 20004u);
    EXPECT_EQ(Peer::pollInterval(Plugin()), 30u);
}

TEST_F(LifecycleTest, PollIntervalThatIsNotARangedValueStaysInBounds) {
    Initialize();
    PI::CProperty text(30005, true);
    text.SetValue(std::string("fast")); // reads back as 0
    Plugin().Execute(PI::SET_PROPERTY, PluginId(), &text);
    EXPECT_EQ(Peer::pollInterval(Plugin()), 2u);

    PI::CProperty huge(30005, true);
    huge.SetValue(std::uint64_t{100000});
    Plugin().Execute(PI::SET_PROPERTY, PluginId(), &huge);
    EXPECT_EQ(Peer::pollInterval(Plugin()), 255u);
}

TEST_F(LifecycleTest, FailedConfigurationWriteIsReportedButTheValueIsUsed) {
    Initialize();
    // A configuration directory that does not exist makes the write fail.
    setenv("PI_CONFIG_DIR", (m_ConfigDir / "missing" / "deeper").string().c_str(), 1);
    EXPECT_NE(SetPollInterval(20), 0u);
    EXPECT_EQ(Peer::pollInterval(Plugin()), 20u);
    EXPECT_EQ(Peer::eventHandler(Plugin()).pending(2), 1);
}
} // namespace
} // namespace core_test
