// Object routing by identifier, and the topology answer.
#include "CoreTestSupport.h"
#include "support/ObjectText.h"

namespace core_test {
namespace {
class RoutingTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        Initialize();
    }
    // Two SD cards and one mirror over them, as the object model holds them.
    void AddDrives() {
        for (int port : {0, 1}) {
            Peer::physicalDrives(Plugin()).push_back(MakePhysicalDrive(port, Plugin().NewID()));
        }
        Peer::logicalDrives(Plugin()).push_back(
            MakeLogicalDrive(Peer::adapters(Plugin()).at(0), 0, Plugin().NewID(), {0, 1}));
    }
};

TEST_F(RoutingTest, TopologyListsPluginAdapterAndDrivesInOrder) {
    AddDrives();
    std::vector<PI::CObject> objects(4); // destroyed first
    ASSERT_EQ(Plugin().Execute(PI::GET_TOPOLOGY, 0, &objects), 0u);
    ASSERT_EQ(objects.size(), 5u);
    const std::vector<std::uint64_t> ids = {ID_BASE, ID_BASE | 1, Peer::physicalDrives(Plugin())[0].m_ID,
                                            Peer::physicalDrives(Plugin())[1].m_ID,
                                            Peer::logicalDrives(Plugin())[0].m_ID};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(objects[i].m_ID, ids[i]) << i;
        EXPECT_FALSE(objects[i].m_Properties.empty()) << i;
    }
    EXPECT_EQ(std::make_pair(objects[0].m_Type, objects[1].m_Type), std::make_pair(19006, 19037));

    EXPECT_EQ(objects[0].m_Properties.size(), 5u);
    EXPECT_EQ(test_support::Describe(objects[0].m_Operations),
              std::vector<std::string>{"50002 kind=6 block={1,1,1,1,0,1}"});
    // The adapter's RAID-level operation arrives already run.
    const auto& operations = objects[1].m_Operations;
    ASSERT_EQ(operations.size(), 2u);
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

// The object commands against an adapter, and against a drive, which is not routed.
TEST_F(RoutingTest, AdapterRequestsReachTheAdapterAndDriveRequestsNothing) {
    AddDrives();
    const std::uint64_t drive = Peer::physicalDrives(Plugin())[0].m_ID;
    for (const std::uint64_t id : {AdapterId(), drive}) {
        const bool adapter = id != drive;
        SCOPED_TRACE(adapter ? "adapter" : "drive");
        std::vector<PI::CProperty> properties;
        EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTIES, id, &properties), adapter ? 0u : 20008u);
        EXPECT_EQ(properties.empty(), !adapter);
        std::vector<PI::COperation> operations;
        EXPECT_EQ(Plugin().Execute(PI::GET_OPERATIONS, id, &operations), adapter ? 0u : 20008u);
        EXPECT_EQ(operations.size(), adapter ? 2u : 0u);
        PI::CProperty property(30007, false);
        EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTY, id, &property), adapter ? 0u : 20008u);
        EXPECT_EQ(Plugin().Execute(PI::SET_PROPERTY, id, &property), adapter ? 20004u : 20008u);
        PI::COperation unknown(50000);
        EXPECT_EQ(Plugin().Execute(PI::CHECK_OPERATION, id, &unknown), adapter ? 0u : 20008u);
        EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, id, &unknown), adapter ? 20005u : 20008u);
    }
    PI::COperation scan(50007);
    EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, drive, &scan), 20008u);
    EXPECT_TRUE(Peer::events(Plugin()).empty());
}

TEST_F(RoutingTest, GetPropertyCountsTheReadAndRejectsUnknownCodes) {
    const std::uint64_t before = PluginUpdateCounter();
    PI::CProperty poll(30005, false);
    ASSERT_EQ(Plugin().Execute(PI::GET_PROPERTY, PluginId(), &poll), 0u);
    EXPECT_EQ(test_support::Describe(poll), "30005 label=23335 extra=21007 rw #10 [2..255/1]");
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

} // namespace
} // namespace core_test
