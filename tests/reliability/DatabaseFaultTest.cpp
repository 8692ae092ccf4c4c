// Faults of the host database while the plugin runs. Each time the plugin keeps answering the host,
// reports the failed statement in its database trace, and writes again once the fault is gone.
#include <sqlite3.h>

#include "support/PluginFixture.h"

namespace {
using namespace test_support;

struct DatabaseFaultCase {
    const char* name;
    bool onOtherConnection; // else on the plugin's own connection
    const char* inject;
    const char* clear;
    const char* reported; // part of the database's message in the failure trace
};

class DatabaseFault : public HostedPluginTest, public ::testing::WithParamInterface<DatabaseFaultCase> {
protected:
    // On the plugin's connection, or on another to the same file as another process of the host would.
    void Run(bool onOther, const char* sql) {
        if (!onOther) {
            Query(sql);
        } else {
            EXPECT_EQ(sqlite3_exec(m_Other.get(), sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
        }
    }
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> m_Other{nullptr, sqlite3_close}; // closed after the plugin
};

TEST_P(DatabaseFault, PluginServesThroughTheFaultAndCatchesUp) {
    const DatabaseFaultCase& fault = GetParam();
    const std::string path = (m_ConfigDir / "mirror.db").string();
    m_Db = DatabaseWrapper::openDatabase(path);
    Query("PRAGMA busy_timeout = 50;"); // a blocked statement gives up after this wait
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    m_Other.reset(other);
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Create();
    Initialize();

    TraceCapture trace(TRACE_DATABASE);
    Run(fault.onOtherConnection, fault.inject);
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Renamed during the fault (0)"}}).c_str());
    EXPECT_EQ(SetPollInterval(3), 0u);
    EXPECT_TRUE(Plugin().WorkerDo(true));
    EXPECT_EQ(AdapterNames(), Texts{"Renamed during the fault (0)"}) << "the model is current";
    ExpectServed();
    EXPECT_GT(trace.Count(fault.reported), 0) << "the database's message reaches the trace";

    Run(fault.onOtherConnection, fault.clear);
    trace.Clear();
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Renamed after the fault (0)"}}).c_str());
    EXPECT_TRUE(Plugin().WorkerDo(true));
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

// The host could not open its database at all: every statement fails.
TEST_F(DatabaseFault, DatabaseThatCannotBeOpenedLeavesThePluginWorking) {
    Create();
    Peer::setDatabase(Plugin(), DatabaseWrapper::makeStorage(nullptr));
    TraceCapture trace(TRACE_DATABASE);
    EXPECT_EQ(Initialize().size(), 1u);
    EXPECT_GT(trace.Count("Exception thrown during inserting Dorv100 plugin object to db."), 0);
    EXPECT_GT(trace.Count("Storage query exception thrown during inserting Adapter"), 0);
    ExpectServed();
}
} // namespace
