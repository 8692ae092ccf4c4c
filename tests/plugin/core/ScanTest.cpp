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

    // A current logical drive of the adapter, with its row.
    CDorvLogicalDrive AddCurrentDrive(const std::shared_ptr<CDorvAdapter>& adapter, int number) {
        CDorvLogicalDrive drive(adapter);
        drive.m_ID = Plugin().NewID();
        drive.m_Number = number;
        drive.m_AuxNumber2 = 0;
        drive.m_Name = "LogicalDrive_" + std::to_string(number);
        drive.m_UniqueID = "LD-" + std::to_string(number);
        drive.m_RaidLevel = 40009;
        Peer::logicalDrives(Plugin()).push_back(drive);
        adapter->m_Children.push_back(drive.m_ID);
        EXPECT_EQ(Plugin().InsertObjectToDatabase(drive, false), 0u);
        return drive;
    }
};

TEST_F(ScanTest, UnchangedAdapterKeepsEverythingAndReportsNoChange) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Initialize();
    const auto adapter = Peer::adapters(Plugin()).at(0);
    const std::uint64_t counter = adapter->m_UpdateCounter;
    EXPECT_EQ(Reconcile(), 20000u);
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::adapters(Plugin())[0], adapter);
    EXPECT_EQ(adapter->m_ID, ID_BASE | 1);
    EXPECT_EQ(adapter->m_Parents, std::vector<std::uint64_t>{ID_BASE});
    EXPECT_EQ(adapter->m_UpdateCounter, counter);
}

TEST_F(ScanTest, ChangedAdapterIsUpdatedInPlaceAndInItsRow) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Initialize();
    const auto adapter = Peer::adapters(Plugin()).at(0);
    const std::uint64_t counter = adapter->m_UpdateCounter;

    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)", "2.0 (LPC), 2.1 (FX3S)"}}).c_str());
    EXPECT_EQ(Reconcile(), 0u);
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::adapters(Plugin())[0], adapter); // the same shared object
    EXPECT_EQ(adapter->m_FirmwareVersion, "2.0 (LPC), 2.1 (FX3S)");
    EXPECT_EQ(adapter->m_ID, ID_BASE | 1); // the identifier the host knows stays
    EXPECT_EQ(adapter->m_UpdateCounter, counter + 1);
    EXPECT_EQ(Query("SELECT FirmwareVersion, ObjectID FROM Adapter"),
              (Rows{{"2.0 (LPC), 2.1 (FX3S)", std::to_string(ID_BASE | 1)}}));

    // Through a worker cycle the same change reaches the row as well.
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)", "3.0"}}).c_str());
    Plugin().WorkerDo(false);
    EXPECT_EQ(Query("SELECT FirmwareVersion FROM Adapter"), (Rows{{"3.0"}}));
    EXPECT_EQ(adapter->m_Parents, std::vector<std::uint64_t>{ID_BASE});
}

TEST_F(ScanTest, NewAdapterIsAdoptedWithAFreshIdentifierAndInserted) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Initialize();
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

TEST_F(ScanTest, VanishedLogicalDriveRaisesAnEventAndLosesItsRow) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Initialize();
    const auto adapter = Peer::adapters(Plugin()).at(0);
    const CDorvLogicalDrive drive = AddCurrentDrive(adapter, 0);
    ASSERT_EQ(Count("LD"), 1u);
    const std::uint64_t counter = adapter->m_UpdateCounter;

    EXPECT_EQ(UpdateWith({}), 0u);
    EXPECT_TRUE(Peer::logicalDrives(Plugin()).empty());
    EXPECT_TRUE(adapter->m_Children.empty());
    EXPECT_EQ(adapter->m_UpdateCounter, counter + 1);
    EXPECT_EQ(Count("LD"), 0u);

    const auto& events = Peer::events(Plugin());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].m_Code, 10081);
    EXPECT_EQ(events[0].m_Code2, 3);
    EXPECT_EQ(events[0].m_SourceID, adapter->m_ID);
    EXPECT_EQ(events[0].m_SourceName, "Dorv100 (0)");
    EXPECT_EQ(events[0].m_PlaceHolder1, "Dorv100 (0)");
    EXPECT_EQ(events[0].m_PlaceHolder2, "0");
}

TEST_F(ScanTest, NewLogicalDriveIsAdoptedAndInserted) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Initialize();
    const auto adapter = Peer::adapters(Plugin()).at(0);
    const std::uint64_t counter = adapter->m_UpdateCounter;

    auto scanned = std::make_shared<CDorvAdapter>(*adapter); // the scan's copy of the same adapter
    CDorvLogicalDrive fresh(scanned);
    fresh.m_ID = ID_BASE | 0x50;
    fresh.m_Number = 1;
    fresh.m_Name = "LogicalDrive_1";
    fresh.m_UniqueID = "LD-1";
    EXPECT_EQ(UpdateWith({fresh}), 0u);

    ASSERT_EQ(Peer::logicalDrives(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::logicalDrives(Plugin())[0].m_Adapter, adapter);
    EXPECT_EQ(adapter->m_Children, std::vector<std::uint64_t>{ID_BASE | 0x50});
    EXPECT_EQ(adapter->m_UpdateCounter, counter + 1);
    EXPECT_EQ(Query("SELECT Number, Name FROM LD"), (Rows{{"1", "LogicalDrive_1"}}));
    EXPECT_TRUE(Peer::events(Plugin()).empty());

    // The same drive again: nothing to do.
    EXPECT_EQ(UpdateWith({fresh}), 20000u);
    EXPECT_EQ(Peer::logicalDrives(Plugin()).size(), 1u);
}

TEST_F(ScanTest, ChangedLogicalDriveIsUpdated) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    Initialize();
    const auto adapter = Peer::adapters(Plugin()).at(0);
    CDorvLogicalDrive changed = AddCurrentDrive(adapter, 0);
    changed.m_Status = 40094; // degraded
    EXPECT_EQ(UpdateWith({changed}), 0u);
    ASSERT_EQ(Peer::logicalDrives(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::logicalDrives(Plugin())[0].m_Status, 40094);
    EXPECT_EQ(Query("SELECT Status FROM LD"), (Rows{{"DEGRADED"}}));
}

TEST_F(ScanTest, WithSeveralAdaptersEachPassTreatsOnlyItsOwnDrives) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}}).c_str());
    Initialize();
    const auto a = Peer::adapters(Plugin()).at(0);
    const auto b = Peer::adapters(Plugin()).at(1);
    const CDorvLogicalDrive kept = AddCurrentDrive(a, 0);
    CDorvLogicalDrive added(a);
    added.m_ID = ID_BASE | 0x60;
    added.m_Number = 1;
    added.m_Name = "LogicalDrive_1";

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
    CDorvLogicalDrive second(b);
    second.m_ID = ID_BASE | 0x61;
    second.m_Number = 7;
    EXPECT_EQ(UpdateWith({kept, added, second}), 0u);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[2].m_Adapter, b);
    EXPECT_EQ(b->m_Children, std::vector<std::uint64_t>{ID_BASE | 0x61});
    EXPECT_EQ(UpdateWith({kept, added}), 0u); // and leaves with it
    EXPECT_EQ(drives.size(), 2u);
    Peer::events(Plugin()).clear();

    // A drive of the second adapter goes only when that adapter's list lacks it.
    const CDorvLogicalDrive other = AddCurrentDrive(b, 0);
    EXPECT_EQ(UpdateWith({kept, added, other}), 20000u);
    EXPECT_EQ(Peer::logicalDrives(Plugin()).size(), 3u);
    EXPECT_EQ(UpdateWith({kept, added}), 0u);
    ASSERT_EQ(Peer::events(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::events(Plugin())[0].m_SourceID, b->m_ID);
    EXPECT_EQ(Peer::logicalDrives(Plugin()).size(), 2u);
}

TEST_F(ScanTest, WorkerCycleRebuildsRelationsAndCountsItself) {
    Initialize();
    const std::uint64_t counter = PluginUpdateCounter();
    const std::uint64_t adapterCounter = Peer::adapters(Plugin()).at(0)->m_UpdateCounter;
    Plugin().WorkerDo(true);
    EXPECT_EQ(PluginUpdateCounter(), counter + 1);
    EXPECT_EQ(Peer::plugin(Plugin()).m_Children, std::vector<std::uint64_t>{ID_BASE | 1});
    EXPECT_EQ(Peer::adapters(Plugin())[0]->m_UpdateCounter, adapterCounter + 1);
}
} // namespace
} // namespace core_test
