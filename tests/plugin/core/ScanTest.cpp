// The scan and reconcile cycle: adapters kept, updated and adopted; logical drives removed, changed
// and added; the rows that follow.
#include "support/PluginFixture.h"

namespace {
using namespace test_support;
using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;
using AdapterList = std::vector<std::shared_ptr<CDorvAdapter>>;
using Ids = std::vector<std::uint64_t>;

const char* const SERIAL_A = "0123456789ABCDEF0123456789ABCDEF";
const char* const SERIAL_B = "FEDCBA9876543210FEDCBA9876543210";

class Scan : public PluginTest {
protected:
    // One reconcile with the locks held, as a worker cycle runs it: of a fresh scan, or of no adapter
    // and the given logical drives.
    std::uint32_t Reconcile(bool scan, std::vector<CDorvLogicalDrive> logical = {}) {
        std::lock_guard<std::mutex> data(Peer::dL(Plugin()));
        std::lock_guard<std::mutex> events(Peer::eL(Plugin()));
        AdapterList adapters;
        std::vector<CDorvPhysicalDrive> physical;
        if (scan) {
            EXPECT_EQ(Plugin().ScanSystem(adapters, physical, logical, false), 0u);
        }
        return Plugin().UpdateSystem(adapters, physical, logical);
    }
    void Answer(const std::vector<TreeAdapter>& adapters) { LumoEmu_SetAnswer(DeviceTree(adapters).c_str()); }
    // Initialize with the adapters the controller reports; gives the first adapter.
    std::shared_ptr<CDorvAdapter> InitializeWith(const std::vector<TreeAdapter>& adapters) {
        Answer(adapters);
        Initialize();
        return Peer::adapters(Plugin()).empty() ? nullptr : Peer::adapters(Plugin())[0];
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

TEST_F(Scan, AdapterIsKeptAndUpdatedInPlaceAndInItsRow) {
    const auto adapter = InitializeWith({{SERIAL_A, "Dorv100 (0)"}});
    EXPECT_EQ(Reconcile(true), 20000u); // unchanged: nothing to do
    EXPECT_EQ(adapter->m_UpdateCounter, 1u);

    Answer({{SERIAL_A, "Dorv100 (0)", "2.0"}});
    EXPECT_EQ(Reconcile(true), 0u);
    EXPECT_EQ(Peer::adapters(Plugin()), AdapterList{adapter}); // the same shared object
    EXPECT_EQ(std::make_tuple(adapter->m_FirmwareVersion, adapter->m_ID, adapter->m_UpdateCounter),
              std::make_tuple(std::string("2.0"), ID_BASE | 1, 2ul));
    EXPECT_EQ(Query("SELECT FirmwareVersion, ObjectID FROM Adapter"), (Rows{{"2.0", std::to_string(ID_BASE | 1)}}));

    // A worker cycle brings the change to the row as well, rebuilds the relations and counts itself.
    const std::uint64_t pluginCounter = PluginUpdateCounter();
    Answer({{SERIAL_A, "Dorv100 (0)", "3.0"}});
    Plugin().WorkerDo(false);
    EXPECT_EQ(Query("SELECT FirmwareVersion FROM Adapter"), (Rows{{"3.0"}}));
    EXPECT_EQ(std::make_tuple(adapter->m_Parents, Peer::plugin(Plugin()).m_Children, PluginUpdateCounter()),
              std::make_tuple(Ids{ID_BASE}, Ids{ID_BASE | 1}, pluginCounter + 1));

    // A failed exchange removes nothing.
    LumoEmu_SetFaults("no-controller");
    EXPECT_EQ(Reconcile(true), 20000u);
    EXPECT_EQ(std::make_pair(Peer::adapters(Plugin()).size(), Count("Adapter")), std::make_pair(1ul, 1ul));
}

TEST_F(Scan, EachAdapterKeepsItsOwnNumberAndRowAndSharedSerialsMatchInTurn) {
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}});
    const auto& adapters = Peer::adapters(Plugin());
    ASSERT_EQ(adapters.size(), 2u);
    EXPECT_NE(adapters[0]->m_GlobalAdapterNumber, adapters[1]->m_GlobalAdapterNumber);
    EXPECT_EQ(Count("Plugin"), 1u); // one plugin row, however many adapters
    Answer({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)", "9.9"}});
    EXPECT_EQ(Reconcile(true), 0u);
    EXPECT_EQ(Query("SELECT UniqueID, FirmwareVersion FROM Adapter ORDER BY ID"),
              (Rows{{SERIAL_A, "1.5 (LPC), 1.7 (FX3S)"}, {SERIAL_B, "9.9"}}));

    // Two elements sharing a serial: each current adapter follows its own element only.
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_A, "Dorv100 (1)"}});
    Answer({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_A, "Dorv100 (1)", "9.9"}});
    EXPECT_EQ(Reconcile(true), 0u);
    EXPECT_EQ(Reconcile(true), 20000u); // settled
    ASSERT_EQ(adapters.size(), 2u);
    EXPECT_EQ((Texts{adapters[0]->m_Name, adapters[0]->m_FirmwareVersion, adapters[1]->m_Name,
                     adapters[1]->m_FirmwareVersion}),
              (Texts{"Dorv100 (0)", "1.5 (LPC), 1.7 (FX3S)", "Dorv100 (1)", "9.9"}));
}

TEST_F(Scan, NewAdaptersAreAdoptedWithFreshIdentifiersAndRows) {
    // A host that starts the threads first: Initialize replaces what a worker cycle adopted before it,
    // and without adapters still writes the plugin row.
    Answer({{SERIAL_A, "Dorv100 (0)"}});
    Plugin().WorkerDo(true);
    EXPECT_EQ(InitializeWith({}), nullptr);
    EXPECT_EQ(std::make_pair(Count("Plugin"), Count("Adapter")), std::make_pair(1ul, 0ul));
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}});
    Answer({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}});
    EXPECT_EQ(Reconcile(true), 20000u);
    ASSERT_EQ(Peer::adapters(Plugin()).size(), 2u);
    EXPECT_EQ(std::make_pair(Peer::adapters(Plugin())[1]->m_UniqueID, Peer::adapters(Plugin())[1]->m_ID),
              std::make_pair(std::string(SERIAL_B), ID_BASE | 4));
    EXPECT_EQ(Count("Adapter"), 2u);
}

TEST_F(Scan, LogicalDrivesAreAdoptedUpdatedAndRemoved) {
    const auto adapter = InitializeWith({{SERIAL_A, "Dorv100 (0)"}});
    const auto& drives = Peer::logicalDrives(Plugin());
    // A new drive, tied to the scan's copy of the same adapter, is adopted with an identifier of its
    // own (a worker scan's records carry 0) and inserted.
    CDorvLogicalDrive drive = MakeLogicalDrive(std::make_shared<CDorvAdapter>(*adapter), 1);
    EXPECT_EQ(Reconcile(false, {drive}), 0u);
    ASSERT_EQ(drives.size(), 1u);
    EXPECT_EQ(std::make_tuple(drives[0].m_Adapter, drives[0].m_ID, adapter->m_Children, adapter->m_UpdateCounter),
              std::make_tuple(adapter, ID_BASE | 2, Ids{ID_BASE | 2}, 2ul));
    EXPECT_EQ(Query("SELECT Number, Name, ObjectID FROM LD"),
              (Rows{{"1", "LogicalDrive_1", std::to_string(ID_BASE | 2)}}));
    EXPECT_EQ(Reconcile(false, {drive}), 20000u); // the same drive again: nothing to do
    // A changed drive is updated, in its row as well, which keeps the drive's identifier; a renamed
    // drive's row is found by the name it was written with.
    drive.m_Status = 40094;
    drive.m_Name = "renamed";
    EXPECT_EQ(Reconcile(false, {drive}), 0u);
    EXPECT_EQ(std::make_pair(drives.size(), drives[0].m_Status), std::make_pair(1ul, 40094));
    EXPECT_EQ(Query("SELECT Status, Name, ObjectID FROM LD"),
              (Rows{{"DEGRADED", "renamed", std::to_string(ID_BASE | 2)}}));
    EXPECT_TRUE(Peer::events(Plugin()).empty());

    // A vanished drive raises an event and loses its row.
    EXPECT_EQ(Reconcile(false), 0u);
    EXPECT_TRUE(drives.empty() && adapter->m_Children.empty());
    EXPECT_EQ(std::make_pair(adapter->m_UpdateCounter, Count("LD")), std::make_pair(3ul, 0ul));
    const auto& events = Peer::events(Plugin());
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(std::make_tuple(events[0].m_Code, events[0].m_Code2, events[0].m_SourceID, events[0].m_SourceName,
                              events[0].m_PlaceHolder1, events[0].m_PlaceHolder2),
              std::make_tuple(10081, 3, adapter->m_ID, std::string("Dorv100 (0)"), std::string("Dorv100 (0)"),
                              std::string("1")));
}

TEST_F(Scan, WithSeveralAdaptersEachPassTreatsOnlyItsOwnDrives) {
    const auto a = InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}});
    const auto b = Peer::adapters(Plugin()).at(1);
    const auto& drives = Peer::logicalDrives(Plugin());
    const CDorvLogicalDrive kept = AddCurrentDrive(a, 0);
    const CDorvLogicalDrive added = MakeLogicalDrive(a, 1, ID_BASE | 0x60);
    EXPECT_EQ(Reconcile(false, {kept, added}), 0u);
    ASSERT_EQ(drives.size(), 2u); // the current drive stays, the new one is taken once
    EXPECT_EQ(std::make_tuple(drives[0].m_Number, drives[1].m_Number, drives[1].m_Adapter), std::make_tuple(0, 1, a));
    EXPECT_TRUE(Peer::events(Plugin()).empty() && b->m_Children.empty());
    EXPECT_EQ(Count("LD"), 2u);

    // A new drive of the second adapter is adopted by that adapter, and leaves with it.
    EXPECT_EQ(Reconcile(false, {kept, added, MakeLogicalDrive(b, 7)}), 0u);
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(std::make_pair(drives[2].m_Adapter, b->m_Children), std::make_pair(b, Ids{drives[2].m_ID}));
    EXPECT_EQ(Reconcile(false, {kept, added}), 0u);
    EXPECT_EQ(drives.size(), 2u);
    Peer::events(Plugin()).clear();

    // A drive of the second adapter goes only when that adapter's list lacks it, and only its own
    // row goes with it although the first adapter has a drive 0 as well.
    const CDorvLogicalDrive other = AddCurrentDrive(b, 0);
    EXPECT_EQ(Reconcile(false, {kept, added, other}), 20000u);
    EXPECT_EQ(Reconcile(false, {kept, added}), 0u);
    ASSERT_EQ(Peer::events(Plugin()).size(), 1u);
    EXPECT_EQ(Peer::events(Plugin())[0].m_SourceID, b->m_ID);
    EXPECT_EQ(drives.size(), 2u);
    EXPECT_EQ(Query("SELECT ObjectID FROM LD WHERE Number = 0"), (Rows{{std::to_string(kept.m_ID)}}));
}

TEST_F(Scan, TracesEachPass) {
    InitializeWith({{SERIAL_A, "Dorv100 (0)"}, {SERIAL_B, "Dorv100 (1)"}});
    TraceCapture trace(0x2 | 0x4 | 0x10);
    std::vector<CDorvLogicalDrive> logical = {MakeLogicalDrive(nullptr, 4)};
    std::vector<CDorvPhysicalDrive> physical = {MakePhysicalDrive(0)};
    AdapterList adapters;
    Plugin().UpdateSystem(adapters, physical, logical);
    Plugin().ScanSystem(adapters, physical, logical, false);
    ExpectSaid(trace, {{"ScanSystem",
                        {"ENTER ScanSystem(0) PhyDrive=1 LogDrive=1", "ScanSystem() before EnumerateAllDisks",
                         "LEAVE ScanSystem() -> 0"}},
                       {"UpdateSystem",
                        {"ENTER UpdateSystem for adapter, 1 physicalDrives, 1 logicalDrive(s)",
                         "UpdateSystem() Zul physicalDrives = 1", "UpdateSystem() Zul physicalDrives = 1",
                         "LEAVE UpdateSystem ret = 0"}}});
}
} // namespace
