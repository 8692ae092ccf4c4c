// Object routing by identifier, and the topology answer.
#include "support/ObjectText.h"
#include "support/PluginFixture.h"

namespace {
using namespace test_support;

class Routing : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
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

TEST_F(Routing, TopologyListsPluginAdapterAndDrivesInOrderWithTheirLists) {
    // After a failed scan the adapter list keeps its adapter.
    LumoEmu_SetFaults("no-controller");
    Plugin().WorkerDo(true);
    std::vector<PI::CObject> objects;
    ASSERT_EQ(Plugin().Execute(PI::GET_TOPOLOGY, 0, &objects), 0u);
    EXPECT_EQ(objects.size(), 2u);

    AddDrives();
    Peer::physicalDrives(Plugin())[0].m_Properties.emplace_back(30999, true); // a stale list is not shown
    objects.resize(4);                                                        // destroyed first
    ASSERT_EQ(Plugin().Execute(PI::GET_TOPOLOGY, 0, &objects), 0u);
    ASSERT_EQ(objects.size(), 5u);
    const std::vector<std::size_t> properties = {5, 23, 14, 14, 11};
    for (std::size_t i = 0; i < properties.size(); ++i) {
        EXPECT_EQ(std::make_pair(objects[i].m_ID, objects[i].m_Properties.size()),
                  std::make_pair(ID_BASE | i, properties[i]));
    }
    EXPECT_EQ(std::make_pair(objects[0].m_Type, objects[1].m_Type), std::make_pair(19006, 19037));
    EXPECT_EQ(Describe(objects[0].m_Properties),
              (Texts{"30137 pos=0 'Plugin:ID=310'", "30007 label=23334 'Dorv-Plugin'", "30099 label=23339 '7.12.1'",
                     "30003 label=23338 'Linux'", "30005 label=23335 extra=21007 rw #10 [2..255/1]"}));
    EXPECT_EQ(Describe(objects[0].m_Operations), Texts{"50002 kind=6 block={1,1,1,1,0,1}"});
    EXPECT_EQ(Describe(objects[4].m_Operations), Texts{"50005 kind=3 block={1,1,1,1,0,1}"});
    // The adapter's RAID-level operation arrives already run.
    ASSERT_EQ(objects[1].m_Operations.size(), 2u);
    EXPECT_EQ(std::make_tuple(objects[1].m_Operations[0].m_Levels.size(), objects[1].m_Operations[1].m_Code,
                              objects[1].m_Operations[1].m_Levels.size()),
              std::make_tuple(0ul, 50003, 1ul));
    // The stored objects themselves carry no lists.
    EXPECT_TRUE(Peer::plugin(Plugin()).m_Properties.empty() && Peer::adapters(Plugin())[0]->m_Operations.empty());
}

// The object commands reach the plugin and an adapter; drive and unknown identifiers reach nothing,
// and a failing list command hands back an empty list.
TEST_F(Routing, RequestsReachThePluginAndAdaptersOnly) {
    AddDrives();
    const std::tuple<std::uint64_t, std::size_t, std::uint32_t, std::uint32_t, std::uint32_t> cases[] = {
        {ID_BASE, 1, 0, 20004, 20005},
        {ID_BASE | 1, 2, 0, 20004, 20005},
        {ID_BASE | 2, 0, 20008, 20008, 20008},
        {ID_BASE | 0xFFFF, 0, 20008, 20008, 20008}};
    for (const auto& [id, operationCount, found, set, execute] : cases) {
        SCOPED_TRACE(id & 0xFFFF);
        std::vector<PI::CProperty> properties(3);
        EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTIES, id, &properties), found);
        EXPECT_EQ(properties.empty(), found != 0);
        std::vector<PI::COperation> operations(3);
        EXPECT_EQ(Plugin().Execute(PI::GET_OPERATIONS, id, &operations), found);
        EXPECT_EQ(operations.size(), operationCount);
        PI::CProperty property(30007, false);
        EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTY, id, &property), found);
        EXPECT_EQ(Plugin().Execute(PI::SET_PROPERTY, id, &property), set);
        PI::COperation unknown(50000);
        EXPECT_EQ(Plugin().Execute(PI::CHECK_OPERATION, id, &unknown), found);
        EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, id, &unknown), execute);
    }
    PI::COperation scan(50007);
    EXPECT_EQ(Plugin().Execute(PI::EXECUTE_OPERATION, ID_BASE | 2, &scan), 20008u);
    EXPECT_TRUE(Peer::events(Plugin()).empty());
}

TEST_F(Routing, GetPropertyCountsEveryReadAndRejectsCodesTheObjectLacks) {
    const auto adapter = Peer::adapters(Plugin()).at(0);
    const std::uint64_t pluginBefore = PluginUpdateCounter();
    const std::uint64_t adapterBefore = adapter->m_UpdateCounter;
    PI::CProperty poll(30005, false);
    ASSERT_EQ(Plugin().Execute(PI::GET_PROPERTY, PluginId(), &poll), 0u);
    EXPECT_EQ(Describe(poll), "30005 label=23335 extra=21007 rw #10 [2..255/1]");
    PI::CProperty name(30007, false);
    ASSERT_EQ(Plugin().Execute(PI::GET_PROPERTY, AdapterId(), &name), 0u);
    EXPECT_EQ(name.String()->text, adapter->m_Name);
    PI::CProperty unknown(30050, false);
    unknown.SetValue(std::string("kept"));
    EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTY, PluginId(), &unknown), 20000u);
    EXPECT_EQ(Describe(unknown), "30050 'kept'");
    PI::CProperty driverVersion(30018, false); // offered only with a driver version
    EXPECT_EQ(Plugin().Execute(PI::GET_PROPERTY, AdapterId(), &driverVersion), 20000u);
    EXPECT_EQ(std::make_pair(PluginUpdateCounter(), adapter->m_UpdateCounter),
              std::make_pair(pluginBefore + 2, adapterBefore + 2));
}

TEST_F(Routing, TracesEveryRequest) {
    Peer::physicalDrives(Plugin()).push_back(MakePhysicalDrive(0, Plugin().NewID()));
    Peer::logicalDrives(Plugin()).push_back(MakeLogicalDrive(Peer::adapters(Plugin())[0], 0, Plugin().NewID()));
    TraceCapture trace(0x2 | 0x4 | 0x8 | 0x10);
    std::vector<PI::CProperty> properties;
    Plugin().Execute(PI::GET_PROPERTIES, PluginId(), &properties);
    PI::CProperty property(30007, false);
    Plugin().Execute(PI::GET_PROPERTY, AdapterId(), &property);
    Plugin().Execute(PI::SET_PROPERTY, AdapterId(), &property);
    std::vector<PI::COperation> operations;
    Plugin().Execute(PI::GET_OPERATIONS, AdapterId(), &operations);
    Plugin().Execute(PI::GET_OPERATIONS, 5, &operations);
    PI::COperation op(50999);
    Plugin().Execute(PI::CHECK_OPERATION, 5, &op);
    Plugin().Execute(PI::EXECUTE_OPERATION, AdapterId(), &op);
    std::vector<PI::CObject> objects;
    Plugin().Execute(PI::GET_TOPOLOGY, 0, &objects);
    const std::string locked = "dL.lock()", waited = "dL.lock()waited for microseconds: N ";
    ExpectSaid(trace, {{"GetProperties", {locked, waited}},
                       {"GetProperty", {locked, waited}},
                       {"SetProperty", {locked, waited}},
                       {"GetOperations",
                        {"ENTER GetOperations object=0x136000000000001", locked, waited, "LEAVE GetOperations ret=0",
                         "ENTER GetOperations object=0x5", locked, waited, "LEAVE GetOperations ret=20008"}},
                       {"CheckOperation",
                        {"ENTER CheckOperation operation=50999", locked, waited, "LEAVE CheckOperation(20008)"}},
                       {"ExecuteOperation",
                        {"ENTER ExecuteOperation operation=50999", locked, waited, "LEAVE ExecuteOperation(20005)"}},
                       {"GetTopology",
                        {"ENTER GetTopology", locked, waited, "GetTopology() Adapter m_ID=0x136000000000001",
                         "GetTopology() PhysicalDrive (0/0) m_ID=0x136000000000002",
                         "GetTopology() LogicalDrive (0) m_ID=0x136000000000003", "LEAVE GetTopology"}}});
}
} // namespace
