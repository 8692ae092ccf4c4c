// The rows of the shown objects: the keys they are found by, missing rows, failures and their trace
// texts, and the drive links.
#include <new>
#include <stdexcept>

#include "support/PluginFixture.h"

namespace {
using namespace test_support;
using NAMESPACE_piDorv::CDorvAdapter;

class RowRoutines : public PluginTest {};

std::shared_ptr<CDorvAdapter> MakeAdapter(std::uint32_t number, const std::string& name) {
    auto adapter = std::make_shared<CDorvAdapter>();
    adapter->m_GlobalAdapterNumber = number;
    adapter->m_Name = name;
    return adapter;
}

// A database whose every query throws what the test asks for.
struct FailingDAO : DatabaseWrapper::DatabaseDAO {
    std::function<void()> fail = [] { throw DBEXCEPTION::DatabaseException("locked"); };
    Rows query(std::string) override {
        fail();
        return {};
    }
};

TEST_F(RowRoutines, EachReportsItsResultInTheTraceAndFailsAsGeneral) {
    auto adapter = MakeAdapter(7, "first");
    std::vector<NAMESPACE_piDorv::CDorvPhysicalDrive> pd = {MakePhysicalDrive(1)};
    std::vector<NAMESPACE_piDorv::CDorvLogicalDrive> ld = {MakeLogicalDrive(nullptr, 0, 0, {1})};
    auto& plugin = Peer::plugin(Plugin());
    const std::string what = " (Storage query exception thrown! (locked))";
    const std::string unread = " (Storage query exception thrown! Cannot read ID from database!" + what;
    const std::vector<std::tuple<std::function<std::uint32_t()>, std::string, std::string>> routines = {
        {[&] { return Plugin().InsertObjectToDatabase(adapter, false); }, "Adapter (first) (7) inserted to db.",
         "Storage query exception thrown during inserting Adapter (first) (7) to db."},
        {[&] { return Plugin().InsertObjectToDatabase(pd[0], false); }, "PD (SD1) (1) entry inserted to db.",
         "Storage query exception thrown during inserting PD (SD1) (1) to db." + unread},
        {[&] { return Plugin().InsertObjectToDatabase(ld[0], false); }, "LD (LogicalDrive_0) (0) inserted to db.",
         "Storage query exception thrown during inserting LD (LogicalDrive_0) (0) to db." + unread},
        {[&] { return Plugin().InsertObjectToDatabase(plugin, false); }, "Plugin Dorv100 inserted to db.",
         "Exception thrown during inserting Dorv100 plugin object to db." + unread},
        {[&] { return Plugin().InsertAdapterPdToLdAssociationsToDb(ld, pd); },
         "PdLdAssociation LD number (0) and PD slot number (1) inserted to db.",
         "Storage query exception thrown during inserting PD nad LD association for LD number (0) and PD slot number "
         "(1)." +
             what},
        {[&] { return Plugin().UpdateObjectInDatabase(adapter); }, "Adapter (first) (7) entry updated in db.",
         "Storage query exception thrown during updating Adapter (first) (7) in db." + what},
        {[&] { return Plugin().UpdateObjectInDatabase(pd[0]); }, "PD (SD1) (1) entry updated id db.",
         "Storage query exception thrown during updating PD (SD1) (1) id db." + what},
        {[&] { return Plugin().UpdateObjectInDatabase(ld[0]); }, "LD number (0) entry updated id db.",
         "Storage query exception thrown during updating LD number (0) id db." + what},
        {[&] { return Plugin().UpdateObjectInDatabase(plugin); }, "Plugin Dorv100 updated in db.",
         "Exception thrown during updating Dorv100 plugin object entry in db." + what},
        {[&] { return Plugin().DeleteObjectFromDatabase(boost::optional<std::shared_ptr<CDorvAdapter>&>(adapter)); },
         "Dorv100 adapter removed from db.",
         "Storage query exception thrown during removing Dorv100 adapter from db." + what},
        {[&] { return Plugin().DeleteObjectFromDatabase(pd[0]); }, "", ""}, // a drive's row stays
        {[&] { return Plugin().DeleteObjectFromDatabase(ld[0]); }, "LD (LogicalDrive_0) (0) removed from db.",
         "Storage query exception thrown during removing LD (LogicalDrive_0) (0) from db." + what},
        {[&] { return Plugin().DeleteObjectFromDatabase(plugin); }, "Plugin Dorv removed from db.",
         "Exception thrown during removing Dorv plugin object from db." + what},
    };
    auto dao = std::make_shared<FailingDAO>();
    for (const bool failing : {false, true}) {
        if (failing) {
            Peer::setDatabase(Plugin(),
                              std::make_shared<DatabaseORM::storage_t>(dao, m_Db->tables(), m_Db->fieldsMaps()));
        }
        for (const auto& [routine, done, failed] : routines) {
            TraceCapture trace(0x80);
            const std::string& text = failing ? failed : done;
            EXPECT_EQ(routine(), failing && !text.empty() ? 20000u : 0u) << text;
            EXPECT_EQ(trace.Messages(), text.empty() ? Texts{} : Texts{text});
        }
    }
    EXPECT_EQ(Count("PD"), 1u);
    // Updates end on a stored text that is not a number as well; memory exhaustion is no routine's to swallow.
    for (const auto& [routine, done, failed] : routines) {
        if (done.find("updated") != std::string::npos) {
            for (const bool conversion : {true, false}) {
                dao->fail = conversion ? std::function<void()>([] { throw std::invalid_argument("stoi"); })
                                       : [] { throw std::out_of_range("stoi"); };
                EXPECT_EQ(routine(), 20000u) << done;
            }
        }
        dao->fail = [] { throw std::bad_alloc(); };
        if (!done.empty()) {
            EXPECT_THROW(routine(), std::bad_alloc) << done;
        }
    }
}

TEST_F(RowRoutines, RowsAreFoundByTheirKeys) {
    auto adapter = MakeAdapter(7, "first");
    auto& plugin = Peer::plugin(Plugin());
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(adapter) + Plugin().UpdateObjectInDatabase(plugin), 0u);
    EXPECT_EQ(Count("Adapter") + Count("Plugin"), 0u);
    auto second = MakeAdapter(2, "b");
    ASSERT_EQ(Plugin().InsertObjectToDatabase(adapter, false) + Plugin().InsertObjectToDatabase(second, false), 0u);
    adapter->m_Name = "renamed";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(adapter), 0u);
    EXPECT_EQ(Query("SELECT Name, GlobalAdapterNumber FROM Adapter ORDER BY ID"), (Rows{{"renamed", "7"}, {"b", "2"}}));
    EXPECT_EQ(Plugin().DeleteObjectFromDatabase(boost::none), 0u); // every Dorv adapter row of this host
    EXPECT_EQ(Count("Adapter"), 0u);

    auto physical = MakePhysicalDrive(1);
    ASSERT_EQ(Plugin().InsertObjectToDatabase(physical, false), 0u);
    physical.m_Name = "renamed";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(physical), 0u);
    EXPECT_EQ(Query("SELECT Name, HostName FROM PD"), (Rows{{"renamed", "localhost"}}));

    auto drive = MakeLogicalDrive(nullptr, 0, ID_BASE | 20);
    auto twin = MakeLogicalDrive(nullptr, 0, ID_BASE | 21);
    ASSERT_EQ(Plugin().InsertObjectToDatabase(drive, false) + Plugin().InsertObjectToDatabase(twin, false), 0u);
    drive.m_UniqueID = "ignored";
    EXPECT_EQ(Plugin().UpdateObjectInDatabase(drive), 0u);
    EXPECT_EQ(Query("SELECT UniqueID FROM LD"), (Rows{{"LD-0"}, {"LD-0"}}));
}

TEST_F(RowRoutines, DriveLinksFollowTheConfigurationAndAFailureSkipsTheRestOfItsDrive) {
    std::vector<NAMESPACE_piDorv::CDorvPhysicalDrive> physical = {MakePhysicalDrive(0), MakePhysicalDrive(1),
                                                                  MakePhysicalDrive(2)};
    std::vector<NAMESPACE_piDorv::CDorvLogicalDrive> logical = {MakeLogicalDrive(nullptr, 0, 0, {0, 1}),
                                                                MakeLogicalDrive(nullptr, 1, 0, {2})};
    EXPECT_EQ(Plugin().InsertAdapterPdToLdAssociationsToDb(logical, physical), 0u);
    EXPECT_EQ(Query("SELECT LogicalDriveNumber, SlotNumber, LogicalDriveUniqueID, PhysicalDriveUniqueID FROM PD_LD"),
              (Rows{{"0", "0", "LD-0", "PD-0"}, {"0", "1", "LD-0", "PD-1"}, {"1", "2", "LD-1", "PD-2"}}));

    Query("DELETE FROM PD_LD");
    Query("CREATE TRIGGER refuse BEFORE INSERT ON PD_LD WHEN NEW.LogicalDriveNumber = 0 "
          "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    EXPECT_EQ(Plugin().InsertAdapterPdToLdAssociationsToDb(logical, physical), 20000u);
    EXPECT_EQ(Query("SELECT LogicalDriveNumber, SlotNumber FROM PD_LD"), (Rows{{"1", "2"}}));
}
} // namespace
