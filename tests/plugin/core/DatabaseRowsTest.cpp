// The rows of the shown objects: keys, missing rows, failures and the drive links.
#include <new>
#include <stdexcept>

#include "CoreTestSupport.h"

namespace core_test {
namespace {
using NAMESPACE_piDorv::CDorvAdapter;

class DatabaseRowsTest : public CoreTest {
protected:
    std::shared_ptr<CDorvAdapter> MakeAdapter(std::uint32_t number, const std::string& name) {
        auto adapter = std::make_shared<CDorvAdapter>();
        adapter->m_ID = ID_BASE | number;
        adapter->m_GlobalAdapterNumber = number;
        adapter->m_Name = name;
        adapter->m_UniqueID = "serial-" + std::to_string(number);
        return adapter;
    }
};

TEST_F(DatabaseRowsTest, AdapterRowsAreFoundByNumberAndHostAndDeletedTogether) {
    auto adapter = MakeAdapter(7, "first");
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(adapter), 0u); // no row yet: nothing written
    EXPECT_EQ(Count("Adapter"), 0u);
    ASSERT_EQ(Plugin().InsertObjectToDatabase(adapter, false), 0u);
    adapter->m_Name = "renamed";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(adapter), 0u);
    EXPECT_EQ(Query("SELECT Name, GlobalAdapterNumber FROM Adapter"), (Rows{{"renamed", "7"}}));

    // A delete removes every Dorv row of this host.
    auto second = MakeAdapter(2, "b");
    Plugin().InsertObjectToDatabase(second, false);
    ASSERT_EQ(Count("Adapter"), 2u);
    EXPECT_EQ(Plugin().DeleteObjectFromDatabase(boost::optional<std::shared_ptr<CDorvAdapter>&>(adapter)), 0u);
    EXPECT_EQ(Count("Adapter"), 0u);
}

TEST_F(DatabaseRowsTest, FailuresAreTracedAndReportedAsGeneral) {
    TraceCapture trace(0x80);
    Query("DROP TABLE Adapter; DROP TABLE Plugin");
    auto adapter = MakeAdapter(3, "gone");
    EXPECT_EQ(Plugin().InsertObjectToDatabase(adapter, false), 20000u);
    const int line = trace.Find("Storage query exception thrown during inserting Adapter (gone) (3) to db.");
    ASSERT_GE(line, 0);
    // The adapter's insert failure carries no database message.
    const std::string text = trace.Lines()[static_cast<std::size_t>(line)];
    EXPECT_EQ(text.substr(text.size() - 6), "to db.");

    EXPECT_EQ(Plugin().UpdateObjectInDatabase(adapter), 20000u);
    EXPECT_EQ(Plugin().DeleteObjectFromDatabase(boost::none), 20000u);
    EXPECT_GE(trace.Find("Storage query exception thrown during removing Dorv100 adapter from db. ("), 0);
    auto& plugin = Peer::plugin(Plugin());
    EXPECT_EQ(Plugin().InsertObjectToDatabase(plugin, false), 20000u);
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(plugin), 20000u);
    EXPECT_EQ(Plugin().DeleteObjectFromDatabase(plugin), 20000u);
    EXPECT_GE(trace.Find("Exception thrown during removing Dorv plugin object from db. ("), 0);
}

TEST_F(DatabaseRowsTest, UpdatesEndOnDatabaseAndConversionErrorsOnly) {
    struct FailingDAO : DatabaseWrapper::DatabaseDAO {
        std::function<void()> fail;
        Rows query(std::string) override {
            fail();
            return {};
        }
    };
    auto dao = std::make_shared<FailingDAO>();
    Peer::setDatabase(Plugin(), std::make_shared<DatabaseORM::storage_t>(dao, m_Db->tables(), m_Db->fieldsMaps()));
    auto adapter = MakeAdapter(1, "a");
    auto physical = MakePhysicalDrive(1);
    auto logical = MakeLogicalDrive(nullptr, 0);
    const std::vector<std::function<std::uint32_t()>> updates = {
        [&] { return Plugin().UpdateObjectInDatabase(adapter); },
        [&] { return Plugin().UpdateObjectInDatabase(physical); },
        [&] { return Plugin().UpdateObjectInDatabase(logical); },
        [&] { return Plugin().UpdateObjectInDatabase(Peer::plugin(Plugin())); }};
    for (std::size_t i = 0; i < updates.size(); ++i) {
        SCOPED_TRACE(i);
        dao->fail = [] { throw DBEXCEPTION::DatabaseException("locked"); };
        EXPECT_EQ(updates[i](), 20000u);
        dao->fail = [] { throw std::invalid_argument("stoi"); }; // a stored text that is not a number
        EXPECT_EQ(updates[i](), 20000u);
        dao->fail = [] { throw std::out_of_range("stoi"); };
        EXPECT_EQ(updates[i](), 20000u);
        dao->fail = [] { throw std::bad_alloc(); }; // memory exhaustion is not theirs to swallow
        EXPECT_THROW(updates[i](), std::bad_alloc);
    }
}

TEST_F(DatabaseRowsTest, DriveRows) {
    // Physical drive rows are updated but never deleted.
    auto physical = MakePhysicalDrive(1);
    ASSERT_EQ(Plugin().InsertObjectToDatabase(physical, false), 0u);
    physical.m_Name = "renamed";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(physical), 0u);
    EXPECT_EQ(Query("SELECT Name, HostName FROM PD"), (Rows{{"renamed", "localhost"}}));
    EXPECT_EQ(Plugin().DeleteObjectFromDatabase(physical), 0u);
    EXPECT_EQ(Count("PD"), 1u);

    // A logical drive row is updated only when it is the one row of its name.
    auto drive = MakeLogicalDrive(nullptr, 0);
    ASSERT_EQ(Plugin().InsertObjectToDatabase(drive, false), 0u);
    drive.m_UniqueID = "changed";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(drive), 0u);
    EXPECT_EQ(Query("SELECT UniqueID FROM LD"), (Rows{{"changed"}}));
    auto twin = drive;
    twin.m_Number = 1;
    ASSERT_EQ(Plugin().InsertObjectToDatabase(twin, false), 0u);
    drive.m_UniqueID = "ignored";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(drive), 0u);
    EXPECT_EQ(Query("SELECT UniqueID FROM LD ORDER BY Number"), (Rows{{"changed"}, {"changed"}}));
    EXPECT_EQ(Plugin().DeleteObjectFromDatabase(twin), 0u);
    EXPECT_EQ(Query("SELECT Number FROM LD"), (Rows{{"0"}}));
}

TEST_F(DatabaseRowsTest, DriveLinksFollowTheConfiguration) {
    TraceCapture trace(0x80);
    std::vector<NAMESPACE_piDorv::CDorvPhysicalDrive> physical = {MakePhysicalDrive(0), MakePhysicalDrive(1),
                                                                  MakePhysicalDrive(2)};
    std::vector<NAMESPACE_piDorv::CDorvLogicalDrive> logical = {MakeLogicalDrive(nullptr, 0, 0, {0, 1}),
                                                                MakeLogicalDrive(nullptr, 1, 0, {2})};
    EXPECT_EQ(Plugin().InsertAdapterPdToLdAssociationsToDb(logical, physical), 0u);
    EXPECT_EQ(Query("SELECT LogicalDriveNumber, SlotNumber, LogicalDriveUniqueID, PhysicalDriveUniqueID FROM PD_LD"),
              (Rows{{"0", "0", "LD-0", "PD-0"}, {"0", "1", "LD-0", "PD-1"}, {"1", "2", "LD-1", "PD-2"}}));
    EXPECT_GE(trace.Find("PdLdAssociation LD number (0) and PD slot number (1) inserted to db."), 0);

    // A failed link skips the rest of that logical drive only.
    Query("DELETE FROM PD_LD");
    Query("CREATE TRIGGER refuse BEFORE INSERT ON PD_LD WHEN NEW.LogicalDriveNumber = 0 "
          "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    trace.Clear();
    EXPECT_EQ(Plugin().InsertAdapterPdToLdAssociationsToDb(logical, physical), 20000u);
    EXPECT_EQ(Query("SELECT LogicalDriveNumber, SlotNumber FROM PD_LD"), (Rows{{"1", "2"}}));
    EXPECT_EQ(trace.Count("Storage query exception thrown during inserting PD nad LD association for LD number (0) "
                          "and PD slot number (0)."),
              1);
    EXPECT_EQ(trace.Count("association for LD number (0) and PD slot number (1)"), 0);
    EXPECT_GE(trace.Find("refused"), 0);
}

TEST_F(DatabaseRowsTest, PluginRowIsUpdatedByName) {
    auto& plugin = Peer::plugin(Plugin());
    plugin.m_ID = ID_BASE | 9;
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(plugin), 0u); // no row: nothing happens
    EXPECT_EQ(Count("Plugin"), 0u);
    ASSERT_EQ(Plugin().InsertObjectToDatabase(plugin, false), 0u);
    plugin.m_ID = ID_BASE | 10;
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(plugin), 0u);
    EXPECT_EQ(Query("SELECT ObjectID, Name FROM Plugin"), (Rows{{std::to_string(ID_BASE | 10), "Dorv-Plugin"}}));
    EXPECT_EQ(Plugin().DeleteObjectFromDatabase(plugin), 0u);
    EXPECT_EQ(Count("Plugin"), 0u);
}
} // namespace
} // namespace core_test
