// Faults of the host database while the plugin runs. Each time the plugin keeps answering the host,
// reports the failed statement in its database trace, and writes again once the fault is gone.
#include <sqlite3.h>

#include <string>

#include "ReliabilitySupport.h"

namespace reliability {
namespace {
struct DatabaseFaultCase {
    const char* name;
    bool onOtherConnection; // else on the plugin's own connection
    const char* inject;
    const char* clear;
    const char* reported; // part of the database's message in the failure trace
};

class DatabaseFault : public PluginFixture, public ::testing::WithParamInterface<DatabaseFaultCase> {
protected:
    void TearDown() override {
        PluginFixture::TearDown();
        sqlite3_close(other_);
    }
    // SQL on another connection to the same file, as another process of the host would run it.
    void OnOther(const std::string& sql) {
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(other_, sql.c_str(), nullptr, nullptr, &error), SQLITE_OK)
            << sql << ": " << (error != nullptr ? error : "");
        sqlite3_free(error);
    }
    void Run(bool onOther, const std::string& sql) { onOther ? OnOther(sql) : static_cast<void>(Query(sql)); }

    sqlite3* other_ = nullptr;
};

TEST_P(DatabaseFault, PluginServesThroughTheFaultAndCatchesUp) {
    const DatabaseFaultCase& fault = GetParam();
    const std::string path = (tempDir_ / "mirror.db").string();
    db_ = DatabaseWrapper::openDatabase(path);
    Query("PRAGMA busy_timeout = 50;"); // a blocked statement gives up after this wait
    ASSERT_EQ(sqlite3_open(path.c_str(), &other_), SQLITE_OK);
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Create();
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(StartThreads(), 0u);

    TraceCapture trace(TRACE_DATABASE);
    Run(fault.onOtherConnection, fault.inject);
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Renamed during the fault (0)"}}).c_str());
    EXPECT_EQ(SetPollInterval(3), 0u);
    ASSERT_TRUE(WaitForCycles(2));
    EXPECT_EQ(AdapterNames(), std::vector<std::string>{"Renamed during the fault (0)"}) << "the model is current";
    std::vector<PI::CObject> topology;
    EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
    EXPECT_EQ(topology.size(), 2u);
    std::uint32_t status = 1;
    CollectEvents(&status);
    EXPECT_EQ(status, 0u);
    EXPECT_GT(trace.Count(fault.reported), 0) << "the database's message reaches the trace";
    EXPECT_GT(trace.Count("Storage query exception thrown during updating Adapter (Renamed during the fault (0))"), 0);

    Run(fault.onOtherConnection, fault.clear);
    trace.Clear();
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Renamed after the fault (0)"}}).c_str());
    ASSERT_TRUE(WaitForCycles(2));
    EXPECT_EQ(trace.Count("xception thrown"), 0);
    EXPECT_EQ(Query("SELECT PollInterval FROM Plugin"), (Rows{{"3"}})) << "the plugin row caught up";
    ExpectRowsMirrorModel();
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, DatabaseFault,
    ::testing::Values(DatabaseFaultCase{"ReadOnly", false, "PRAGMA query_only = ON;", "PRAGMA query_only = OFF;",
                                        "readonly database"},
                      DatabaseFaultCase{"WriteLockHeldElsewhere", true, "BEGIN IMMEDIATE;", "COMMIT;",
                                        "database is locked"},
                      DatabaseFaultCase{"TableGone", true, "ALTER TABLE Adapter RENAME TO Away;",
                                        "ALTER TABLE Away RENAME TO Adapter;", "no such table: Adapter"}),
    [](const ::testing::TestParamInfo<DatabaseFaultCase>& info) { return std::string(info.param.name); });

TEST_F(DatabaseFault, DatabaseThatCannotBeOpenedLeavesThePluginWorking) {
    // The host could not open its database at all: every statement fails.
    Create();
    Peer::setDatabase(Impl(), DatabaseWrapper::makeStorage(nullptr));
    TraceCapture trace(TRACE_DATABASE);
    std::vector<PI::CAdapterID> ids;
    EXPECT_EQ(Initialize(&ids), 0u);
    EXPECT_EQ(ids.size(), 1u);
    EXPECT_GT(trace.Count("Exception thrown during inserting Dorv100 plugin object to db."), 0);
    EXPECT_GT(trace.Count("Storage query exception thrown during inserting Adapter"), 0);
    std::vector<PI::CObject> topology;
    EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
    EXPECT_EQ(topology.size(), 2u);
    std::uint32_t status = 1;
    CollectEvents(&status);
    EXPECT_EQ(status, 0u);
}
} // namespace
} // namespace reliability
