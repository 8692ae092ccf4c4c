// Object routing by identifier, and the topology answer.
#include "CoreTestSupport.h"

namespace core_test {
namespace {
using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;

class RoutingTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        Initialize();
    }
    // Two SD cards and one mirror over them, as the object model holds them.
    void AddDrives() {
        auto adapter = Peer::adapters(Plugin()).at(0);
        for (int port : {0, 1}) {
            CDorvPhysicalDrive drive;
            drive.m_ID = Plugin().NewID();
            drive.m_PortNumber = port;
            drive.m_Name = "SD" + std::to_string(port);
            Peer::physicalDrives(Plugin()).push_back(drive);
        }
        CDorvLogicalDrive drive(adapter);
        drive.m_ID = Plugin().NewID();
        drive.m_Number = 0;
        drive.m_Name = "LogicalDrive_0";
        drive.m_RaidLevel = 40009;
        Peer::logicalDrives(Plugin()).push_back(drive);
    }
};

TEST_F(RoutingTest, TopologyListsPluginAdapterAndDrivesInOrder) {
    AddDrives();
    std::vector<PI::CObject> objects(4); // destroyed first
    ASSERT_EQ(Plugin().Execute(PI::GET_TOPOLOGY, 0, &objects), 0u);
    ASSERT_EQ(objects.size(), 5u);
    EXPECT_EQ(objects[0].m_ID, ID_BASE);
    EXPECT_EQ(objects[0].m_Type, 19006);
    EXPECT_EQ(objects[1].m_ID, ID_BASE | 1);
    EXPECT_EQ(objects[1].m_Type, 19037);
    EXPECT_EQ(objects[2].m_ID, Peer::physicalDrives(Plugin())[0].m_ID);
    EXPECT_EQ(objects[3].m_ID, Peer::physicalDrives(Plugin())[1].m_ID);
    EXPECT_EQ(objects[4].m_ID, Peer::logicalDrives(Plugin())[0].m_ID);

    EXPECT_EQ(objects[0].m_Properties.size(), 5u);
    ASSERT_EQ(objects[0].m_Operations.size(), 1u);
    EXPECT_EQ(objects[0].m_Operations[0].m_Code, 50002);
    for (const auto& object : objects) {
        EXPECT_FALSE(object.m_Properties.empty()) << std::hex << object.m_ID;
    }

    // The adapter's RAID-level operation arrives already run.
    const auto& operations = objects[1].m_Operations;
    ASSERT_EQ(operations.size(), 2u);
    EXPECT_EQ(operations[0].m_Code, 50007);
    EXPECT_TRUE(operations[0].m_Levels.empty());
    EXPECT_EQ(operations[1].m_Code, 50003);
    EXPECT_FALSE(operations[1].m_Levels.empty());

    // The stored objects themselves carry no lists.
    EXPECT_TRUE(Peer::plugin(Plugin()).m_Properties.empty());
    EXPECT_TRUE(Peer::adapters(Plugin())[0]->m_Operations.empty());
}

TEST_F(RoutingTest, TopologyAfterAFailedScanStillAnswers) {
    LumoEmu_SetFaults("no-controller");
    Plugin().WorkerDo(true);
    std::vector<PI::CObject> objects;
    ASSERT_EQ(Plugin().Execute(PI::GET_TOPOLOGY, 0, &objects), 0u);
    ASSERT_EQ(objects.size(), 2u); // the adapter list keeps its adapter
    EXPECT_EQ(objects[1].m_ID, ID_BASE | 1);
}

TEST_F(RoutingTest, DriveIdentifiersAreNotRouted) {
    AddDrives();
    const unsigned long drive = Peer::physicalDrives(Plugin())[0].m_ID;
    std::vector<PI::CProperty> properties;
    EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTIES, drive, &properties), 20008u);
    EXPECT_TRUE(properties.empty());
    PI::CProperty property(30007, false);
    EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTY, drive, &property), 20008u);
    EXPECT_EQ(Plugin().Execute(PI::SET_PROPERTY, drive, &property), 20008u);
    PI::COperation op(50007);
    EXPECT_EQ(Plugin().Execute(PI::CHECK_OPERATION, drive, &op), 20008u);
    EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, drive, &op), 20008u);
    EXPECT_TRUE(Peer::events(Plugin()).empty());
}

TEST_F(RoutingTest, GetPropertyCountsTheReadAndRejectsUnknownCodes) {
    const std::uint64_t before = PluginUpdateCounter();
    PI::CProperty poll(30005, false);
    ASSERT_EQ(Plugin().Execute(PI::GET_PROPERTY, PluginId(), &poll), 0u);
    EXPECT_TRUE(poll.m_Changeable);
    ASSERT_NE(poll.Number(), nullptr);
    EXPECT_TRUE(poll.Number()->ranged);
    EXPECT_EQ(PluginUpdateCounter(), before + 1);

    PI::CProperty unknown(30050, false);
    unknown.SetValue(std::string("kept"));
    const PI::CProperty copy = unknown;
    EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTY, PluginId(), &unknown), 20000u);
    EXPECT_EQ(unknown, copy);
    EXPECT_EQ(PluginUpdateCounter(), before + 2);

    // The same rules for an adapter.
    const auto adapter = Peer::adapters(Plugin()).at(0);
    const std::uint64_t adapterBefore = adapter->m_UpdateCounter;
    PI::CProperty name(30007, false);
    ASSERT_EQ(Plugin().Execute(PI::GET_PROPERTY, AdapterId(), &name), 0u);
    ASSERT_NE(name.String(), nullptr);
    EXPECT_EQ(name.String()->text, adapter->m_Name);
    PI::CProperty driverVersion(30018, false); // offered only with a driver version
    EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTY, AdapterId(), &driverVersion), 20000u);
    EXPECT_EQ(adapter->m_UpdateCounter, adapterBefore + 2);
}

TEST_F(RoutingTest, AdapterRequestsReachTheAdapter) {
    std::vector<PI::CProperty> properties;
    ASSERT_EQ(Plugin().Execute(PI::GET_PROPERTIES, AdapterId(), &properties), 0u);
    EXPECT_FALSE(properties.empty());
    std::vector<PI::COperation> operations;
    ASSERT_EQ(Plugin().Execute(PI::GET_OPERATIONS, AdapterId(), &operations), 0u);
    EXPECT_EQ(operations.size(), 2u);
    PI::CProperty property(30007, false);
    EXPECT_EQ(Plugin().Execute(PI::SET_PROPERTY, AdapterId(), &property), 20004u);
    PI::COperation unknown(50000);
    EXPECT_EQ(Plugin().Execute(PI::CHECK_OPERATION, AdapterId(), &unknown), 0u);
    EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, AdapterId(), &unknown), 20005u);
    EXPECT_TRUE(Peer::events(Plugin()).empty());
}
} // namespace
} // namespace core_test
