// The scan and reconcile cycle: adapters kept, updated and adopted; logical drives removed, changed
// and added; the rows that follow.
#include "CoreTestSupport.h"

namespace core_test {
namespace {
using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;
using AdapterList = std::vector<std::shared_ptr<CDorvAdapter>>;

const char* const SERIAL_A = "0123456789ABCDEF0123456789ABCDEF";
const char* const SERIAL_B = "FEDCBA9876543210FEDCBA9876543210";

class ScanTest : public CoreTest {
protected:
    // One scan and reconcile with the locks held, as a worker cycle runs it.
    std::uint32_t Reconcile(std::vector<CDorvLogicalDrive> newLogicalDrives = {}) {
        std::lock_guard<std::mutex> data(Peer::dL(Plugin()));
        std::lock_guard<std::mutex> events(Peer::eL(Plugin()));
        AdapterList adapters;
        std::vector<CDorvPhysicalDrive> physical;
        std::vector<CDorvLogicalDrive> logical;
        EXPECT_EQ(Plugin().ScanSystem(adapters, physical, logical, false), 0u);
        for (auto& drive : newLogicalDrives) {
            logical.push_back(drive);
        }
        return Plugin().UpdateSystem(adapters, physical, logical);
    }

    std::uint32_t UpdateWith(std::vector<CDorvLogicalDrive> newLogicalDrives) {
        std::lock_guard<std::mutex> data(Peer::dL(Plugin()));
        std::lock_guard<std::mutex> events(Peer::eL(Plugin()));
        std::vector<CDorvPhysicalDrive> physical;
        return Plugin().UpdateSystem(AdapterList{}, physical, newLogicalDrives);
    }

    // Initialize with the adapters the controller reports; gives the first adapter.
    std::shared_ptr<CDorvAdapter> InitializeWith(const std::vector<TreeAdapter>& adapters) {
        LumoEmu_SetAnswer(DeviceTree(adapters).c_str());
        Initialize();
        return Peer::adapters(Plugin()).at(0);
    }

    // A current logical drive of the adapter, with its row.
    CDorvLogicalDrive AddCurrentDrive(const std::shared_ptr<CDorvAdapter>& adapter, int number) {
        CDorvLogicalDrive drive = MakeLogicalDrive(adapter, number, Plugin().NewID());
        Peer::logicalDrives(Plugin()).push_back(drive);
        adapter->m_Children.push_back(drive.m_ID);
        EXPECT_EQ(Plugin().InsertObjectToDatabase(drive, false), 0u);
        return drive;
    }
};

TEST_F(ScanTest, AdapterIsKeptAndUpdatedInPlaceAndInItsRow) {
    const auto adapter = InitializeWith({{SERIAL_A, "Dorv100 (0)"}});
    const std::uint64_t counter = adapter->m_UpdateCounter;
    EXPECT_EQ(Reconcile(), 20000u); // unchanged: nothing to do
    EXPECT_EQ(adapter->m_UpdateCounter, counter);

    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)", "2.0 (LPC), 2.1 (FX3S)"}}).c_str());
    EXPECT_EQ(Reconcile(), 0u);
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::adapters(Plugin())[0], adapter); // the same shared object
    EXPECT_EQ(adapter->m_FirmwareVersion, "2.0 (LPC), 2.1 (FX3S)");
    EXPECT_EQ(adapter->m_ID, ID_BASE | 1); // the identifier the host knows stays
    EXPECT_EQ(adapter->m_UpdateCounter, counter + 1);
    EXPECT_EQ(Query("SELECT FirmwareVersion, ObjectID FROM Adapter"),
              (Rows{{"2.0 (LPC), 2.1 (FX3S)", std::to_string(ID_BASE | 1)}}));

    // A worker cycle brings the change to the row as well, rebuilds the relations and counts itself.
    const std::uint64_t pluginCounter = PluginUpdateCounter();
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)", "3.0"}}).c_str());
    Plugin().WorkerDo(false);
    EXPECT_EQ(Query("SELECT FirmwareVersion FROM Adapter"), (Rows{{"3.0"}}));
    EXPECT_EQ(adapter->m_Parents, std::vector<std::uint64_t>{ID_BASE});
    EXPECT_EQ(Peer::plugin(Plugin()).m_Children, std::vector<std::uint64_t>{ID_BASE | 1});
    EXPECT_EQ(PluginUpdateCounter(), pluginCounter + 1);
}

TEST_F(ScanTest, EachAdapterKeepsItsOwnNumberAndRow) {
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}});
    const auto& adapters = Peer::adapters(Plugin());
    ASSERT_EQ(adapters.size(), 2u);
    EXPECT_NE(adapters[0]->m_GlobalAdapterNumber, adapters[1]->m_GlobalAdapterNumber);
    EXPECT_EQ(Count("Plugin"), 1u); // one plugin row, however many adapters

    // A change of the second adapter reaches its own row only.
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)", "9.9"}}).c_str());
    EXPECT_EQ(Reconcile(), 0u);
    EXPECT_EQ(Query("SELECT UniqueID, FirmwareVersion FROM Adapter ORDER BY ID"),
              (Rows{{SERIAL_A, "1.5 (LPC), 1.7 (FX3S)"}, {SERIAL_B, "9.9"}}));
}

TEST_F(ScanTest, AdaptersSharingASerialAreMatchedInTurn) {
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_A, "Dorv100 (1)"}});
    const auto& adapters = Peer::adapters(Plugin());
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_A, "Dorv100 (1)", "9.9"}}).c_str());
    EXPECT_EQ(Reconcile(), 0u);
    EXPECT_EQ(Reconcile(), 20000u); // settled: the first adapter does not follow the second element
    ASSERT_EQ(adapters.size(), 2u);
    EXPECT_EQ((std::vector<std::string>{adapters[0]->m_Name, adapters[0]->m_FirmwareVersion, adapters[1]->m_Name,
                                        adapters[1]->m_FirmwareVersion}),
              (std::vector<std::string>{"Dorv100 (0)", "1.5 (LPC), 1.7 (FX3S)", "Dorv100 (1)", "9.9"}));
}

TEST_F(ScanTest, InitializeWithoutAdaptersStillWritesThePluginRow) {
    LumoEmu_SetAnswer(DeviceTree({}).c_str());
    Initialize();
    EXPECT_TRUE(Peer::adapters(Plugin()).empty());
    EXPECT_EQ(Count("Plugin"), 1u);
}

TEST_F(ScanTest, CycleBeforeTheFirstInitializeIsReplacedByIt) {
    // A host that starts the threads first: a worker cycle adopts the adapter before Initialize.
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Plugin().WorkerDo(true);
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 1u);
    Initialize();
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 1u);
    EXPECT_EQ(Count("Adapter"), 1u);
    EXPECT_EQ(Count("Plugin"), 1u);
}

TEST_F(ScanTest, NewAdapterIsAdoptedWithAFreshIdentifierAndInserted) {
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}});
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}}).c_str());
    EXPECT_EQ(Reconcile(), 20000u);
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 2u);
    EXPECT_EQ(Peer::adapters(Plugin())[1]->m_UniqueID, SERIAL_B);
    EXPECT_EQ(Peer::adapters(Plugin())[1]->m_ID, ID_BASE | 2);
    EXPECT_EQ(Count("Adapter"), 2u);

    // A failed exchange removes nothing.
    LumoEmu_SetFaults("no-controller");
    EXPECT_EQ(Reconcile(), 20000u);
    EXPECT_EQ(Peer::adapters(Plugin()).size(), 2u);
}

TEST_F(ScanTest, LogicalDrivesAreAdoptedUpdatedAndRemoved) {
    const auto adapter = InitializeWith({{SERIAL_A, "Dorv100 (0)"}});
    std::uint64_t counter = adapter->m_UpdateCounter;
    const auto& drives = Peer::logicalDrives(Plugin());

    // A new drive, tied to the scan's copy of the same adapter, is adopted with an identifier of its
    // own (a worker scan's records carry 0) and inserted.
    CDorvLogicalDrive drive = MakeLogicalDrive(std::make_shared<CDorvAdapter>(*adapter), 1);
    EXPECT_EQ(UpdateWith({drive}), 0u);
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].m_Adapter, adapter);
    EXPECT_EQ(drives[0].m_ID, ID_BASE | 2);
    EXPECT_EQ(adapter->m_Children, std::vector<std::uint64_t>{ID_BASE | 2});
    EXPECT_EQ(adapter->m_UpdateCounter, counter + 1);
    EXPECT_EQ(Query("SELECT Number, Name, ObjectID FROM LD"),
              (Rows{{"1", "LogicalDrive_1", std::to_string(ID_BASE | 2)}}));
    // The same drive again: nothing to do.
    EXPECT_EQ(UpdateWith({drive}), 20000u);
    EXPECT_EQ(drives.size(), 1u);
    // A changed drive is updated, in its row as well, which keeps the drive's identifier.
    drive.m_Status = 40094;
    EXPECT_EQ(UpdateWith({drive}), 0u);
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(drives[0].m_Status, 40094);
    EXPECT_EQ(Query("SELECT Status, ObjectID FROM LD"), (Rows{{"DEGRADED", std::to_string(ID_BASE | 2)}}));
    // A renamed drive's row is found by the name it was written with.
    drive.m_Name = "renamed";
    EXPECT_EQ(UpdateWith({drive}), 0u);
    EXPECT_EQ(Query("SELECT Name FROM LD"), (Rows{{"renamed"}}));
    EXPECT_TRUE(Peer::events(Plugin()).empty());

    // A vanished drive raises an event and loses its row.
    counter = adapter->m_UpdateCounter;
    EXPECT_EQ(UpdateWith({}), 0u);
    EXPECT_TRUE(drives.empty());
    EXPECT_TRUE(adapter->m_Children.empty());
    EXPECT_EQ(adapter->m_UpdateCounter, counter + 1);
    EXPECT_EQ(Count("LD"), 0u);
    const auto& events = Peer::events(Plugin());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(std::make_tuple(events[0].m_Code, events[0].m_Code2, events[0].m_SourceID),
              std::make_tuple(10081, 3, adapter->m_ID));
    EXPECT_EQ((std::vector<std::string>{events[0].m_SourceName, events[0].m_PlaceHolder1, events[0].m_PlaceHolder2}),
              (std::vector<std::string>{"Dorv100 (0)", "Dorv100 (0)", "1"}));
}

TEST_F(ScanTest, WithSeveralAdaptersEachPassTreatsOnlyItsOwnDrives) {
    const auto a = InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}});
    const auto b = Peer::adapters(Plugin()).at(1);
    const CDorvLogicalDrive kept = AddCurrentDrive(a, 0);
    const CDorvLogicalDrive added = MakeLogicalDrive(a, 1, ID_BASE | 0x60);

    EXPECT_EQ(UpdateWith({kept, added}), 0u);
    const auto& drives = Peer::logicalDrives(Plugin());
    ASSERT_EQ(drives.size(), 2u); // the current drive stays, the new one is taken once
    EXPECT_EQ(drives[0].m_Number, 0);
    EXPECT_EQ(drives[1].m_Number, 1);
    EXPECT_EQ(drives[1].m_Adapter, a);
    EXPECT_TRUE(Peer::events(Plugin()).empty());
    EXPECT_TRUE(b->m_Children.empty());
    EXPECT_EQ(Count("LD"), 2u);

    // A new drive of the second adapter is adopted by that adapter.
    const CDorvLogicalDrive second = MakeLogicalDrive(b, 7);
    EXPECT_EQ(UpdateWith({kept, added, second}), 0u);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[2].m_Adapter, b);
    EXPECT_EQ(b->m_Children, std::vector<std::uint64_t>{drives[2].m_ID});
    EXPECT_EQ(UpdateWith({kept, added}), 0u); // and leaves with it
    EXPECT_EQ(drives.size(), 2u);
    Peer::events(Plugin()).clear();

    // A drive of the second adapter goes only when that adapter's list lacks it, and only its own
    // row goes with it although the first adapter has a drive 0 as well.
    const CDorvLogicalDrive other = AddCurrentDrive(b, 0);
    EXPECT_EQ(UpdateWith({kept, added, other}), 20000u);
    EXPECT_EQ(Peer::logicalDrives(Plugin()).size(), 3u);
    EXPECT_EQ(UpdateWith({kept, added}), 0u);
    ASSERT_EQ(Peer::events(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::events(Plugin())[0].m_SourceID, b->m_ID);
    EXPECT_EQ(Peer::logicalDrives(Plugin()).size(), 2u);
    EXPECT_EQ(Query("SELECT ObjectID FROM LD WHERE Number = 0"), (Rows{{std::to_string(kept.m_ID)}}));
}

} // namespace
} // namespace core_test
