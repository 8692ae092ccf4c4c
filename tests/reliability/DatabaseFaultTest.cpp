// Faults of the host database while the plugin runs: a database that refuses writes, another
// connection holding the write lock, a dropped table, a full disk. Each time the plugin keeps
// answering the host, reports the failed statement in its database trace, and writes again once the
// fault is gone.
#include <sqlite3.h>

#include <functional>
#include <string>

#include "FullDiskVfs.h"
#include "ReliabilitySupport.h"

namespace reliability {
namespace {
// Another connection to the same file, as another process of the host would hold it.
class OtherConnection {
public:
    explicit OtherConnection(const std::string& path) {
        if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
            ADD_FAILURE() << "cannot open " << path;
        }
    }
    ~OtherConnection() { sqlite3_close(db_); }
    OtherConnection(const OtherConnection&) = delete;
    OtherConnection& operator=(const OtherConnection&) = delete;

    void Run(const std::string& sql) {
        char* error = nullptr;
        if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << (error != nullptr ? error : "?");
        }
        sqlite3_free(error);
    }
    std::string Text(const std::string& sql) {
        sqlite3_stmt* statement = nullptr;
        std::string text;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW) {
            const auto* cell = sqlite3_column_text(statement, 0);
            text = cell != nullptr ? reinterpret_cast<const char*>(cell) : "";
        }
        sqlite3_finalize(statement);
        return text;
    }

private:
    sqlite3* db_ = nullptr;
};

class DatabaseFault : public PluginFixture {
protected:
    struct Fault {
        std::function<void()> inject;
        std::function<void()> clear;
        std::string reported;   // part of the database's message in the failure trace
        bool needsReinitialize; // rows lost with the fault come back with the next Initialize
    };

    void OpenFileDatabase(const std::string& uri) { db_ = DatabaseWrapper::openDatabase(uri); }
    std::string DatabasePath() const { return (tempDir_ / "mirror.db").string(); }

    std::uint32_t ScanConfiguration() {
        PI::COperation op(OP_SCAN_CONFIGURATION);
        return Execute(PI::EXECUTE_OPERATION, AdapterIds().at(0), &op);
    }
    int StoredPollInterval() { return std::stoi(Query("SELECT PollInterval FROM Plugin").at(0).at(0)); }

    // A running plugin meets the fault, goes on serving the host through it, and mirrors the model
    // again after it.
    void Exercise(const Fault& fault) {
        LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
        Create();
        ASSERT_EQ(Initialize(), 0u);
        ASSERT_EQ(SetPollInterval(2), 0u);
        ASSERT_EQ(StartThreads(), 0u);
        ASSERT_TRUE(WaitForCycles(1));
        ExpectRowsMirrorModel();

        TraceCapture trace(TRACE_DATABASE);
        fault.inject();
        LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Renamed during the fault (0)"}}).c_str());
        EXPECT_EQ(SetPollInterval(3), 0u);
        EXPECT_EQ(ScanConfiguration(), 0u);
        ASSERT_TRUE(WaitForCycles(2, 60));

        // Still serving the host, with the model up to date.
        EXPECT_EQ(AdapterNames(), std::vector<std::string>{"Renamed during the fault (0)"});
        std::vector<PI::CObject> topology;
        EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
        EXPECT_EQ(topology.size(), 2u);
        std::uint32_t status = 1;
        const auto events = CollectEvents(&status);
        EXPECT_EQ(status, 0u);
        EXPECT_GT(trace.Count(fault.reported), 0) << "the database's message reaches the trace";
        EXPECT_GT(trace.Count("Storage query exception thrown during updating Adapter (Renamed during the fault (0))"),
                  0);

        fault.clear();
        trace.Clear();
        if (fault.needsReinitialize) {
            ASSERT_EQ(Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
            ASSERT_EQ(Initialize(), 0u);
            ASSERT_EQ(StartThreads(), 0u);
        }
        LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Renamed after the fault (0)"}}).c_str());
        ASSERT_TRUE(WaitForCycles(2, 60));
        EXPECT_EQ(trace.Count("exception thrown"), 0);
        EXPECT_EQ(trace.Count("Exception thrown"), 0);
        EXPECT_EQ(StoredPollInterval(), 3) << "the plugin row caught up";
        ExpectRowsMirrorModel();
    }
};

TEST_F(DatabaseFault, ReadOnlyDatabase) {
    OpenFileDatabase(DatabasePath());
    Exercise({[&] { Query("PRAGMA query_only = ON;"); }, [&] { Query("PRAGMA query_only = OFF;"); },
              "readonly database", false});
}

TEST_F(DatabaseFault, AnotherConnectionHoldsTheWriteLock) {
    OpenFileDatabase(DatabasePath());
    Query("PRAGMA busy_timeout = 50;"); // each blocked statement gives up after this wait
    auto other = std::make_unique<OtherConnection>(DatabasePath());
    Exercise({[&] { other->Run("BEGIN IMMEDIATE;"); }, [&] { other->Run("COMMIT;"); }, "database is locked", false});
}

TEST_F(DatabaseFault, DroppedTable) {
    OpenFileDatabase(DatabasePath());
    OtherConnection other(DatabasePath());
    const std::string create = other.Text("SELECT sql FROM sqlite_master WHERE name = 'Adapter'");
    ASSERT_FALSE(create.empty());
    Exercise(
        {[&] { other.Run("DROP TABLE Adapter;"); }, [&] { other.Run(create + ";"); }, "no such table: Adapter", true});
}

TEST_F(DatabaseFault, FullDisk) {
    RegisterFullDiskVfs();
    OpenFileDatabase("file:" + DatabasePath() + "?vfs=" + FULL_DISK_VFS);
    Exercise({[] { SetDiskFull(true); }, [] { SetDiskFull(false); }, "full", false});
}

TEST_F(DatabaseFault, DatabaseThatCannotBeOpenedLeavesThePluginWorking) {
    // The host could not open its database at all: every statement fails.
    db_ = DatabaseWrapper::makeStorage(nullptr);
    Create();
    Peer::setDatabase(Impl(), db_);
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
