// Input from outside the plugin's control: device data that looks like SQL, identifiers and codes at
// the edges of their types, and texts far longer than usual.
#include <climits>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "ReliabilitySupport.h"

namespace reliability {
namespace {
class HostInput : public PluginFixture {
protected:
    void SetUp() override {
        PluginFixture::SetUp();
        Create();
    }
    std::string StoredAdapterName() { return Query("SELECT Name FROM Adapter").at(0).at(0); }
};

TEST_F(HostInput, DeviceDataThatLooksLikeSqlIsStoredLiterally) {
    const std::string name = "x'); DROP TABLE Adapter; --";
    const std::string serial = "AB'CD;--\\\\ \\\"quoted\\\""; // JSON escapes: AB'CD;--\ "quoted"
    LumoEmu_SetAnswer(DeviceTree({{serial, name, "1.0'; DELETE FROM Plugin; --"}}).c_str());
    std::vector<PI::CAdapterID> ids;
    ASSERT_EQ(Initialize(&ids), 0u);
    ASSERT_EQ(ids.size(), 1u);
    EXPECT_EQ(StoredAdapterName(), name);
    EXPECT_EQ(Query("SELECT UniqueID FROM Adapter").at(0).at(0), "AB'CD;--\\ \"quoted\"");
    EXPECT_EQ(Count("Plugin"), 1u);
    ExpectRowsMirrorModel();

    // A rename to another such text goes through the update statement.
    const std::string renamed = "'; UPDATE Adapter SET Name = 'owned'; --";
    LumoEmu_SetAnswer(DeviceTree({{serial, renamed}}).c_str());
    ASSERT_EQ(SetPollInterval(2), 0u);
    ASSERT_EQ(StartThreads(), 0u);
    ASSERT_TRUE(WaitForCycles(2));
    EXPECT_EQ(StoredAdapterName(), renamed);
    ExpectRowsMirrorModel();
}

TEST_F(HostInput, IdentifiersAtTheEdgesOfTheirType) {
    ASSERT_EQ(Initialize(), 0u);
    const unsigned long plugin = PluginId();
    const unsigned long adapter = AdapterIds().at(0);
    for (unsigned long id : {0ul, 1ul, plugin - 1, adapter + 1, plugin | 0xFFFFFFFFul, 0x7FFFFFFFFFFFFFFFul,
                             0x8000000000000000ul, ULONG_MAX}) {
        SCOPED_TRACE(id);
        std::vector<PI::CProperty> properties(3);
        EXPECT_EQ(Execute(PI::GET_PROPERTIES, id, &properties), 20008u);
        EXPECT_TRUE(properties.empty());
        PI::CProperty property(PROP_NAME, false);
        property.SetValue(std::string("untouched"));
        EXPECT_EQ(Execute(PI::GET_PROPERTY, id, &property), 20008u);
        ASSERT_NE(property.String(), nullptr);
        EXPECT_EQ(property.String()->text, "untouched");
        EXPECT_EQ(Execute(PI::SET_PROPERTY, id, &property), 20008u);
        std::vector<PI::COperation> operations(2);
        EXPECT_EQ(Execute(PI::GET_OPERATIONS, id, &operations), 20008u);
        EXPECT_TRUE(operations.empty());
        PI::COperation op(OP_SCAN_CONFIGURATION);
        EXPECT_EQ(Execute(PI::CHECK_OPERATION, id, &op), 20008u);
        EXPECT_EQ(Execute(PI::EXECUTE_OPERATION, id, &op), 20008u);
    }
    EXPECT_TRUE(CollectEvents().empty());
}

TEST_F(HostInput, PropertyCodesAtTheEdgesOfTheirType) {
    ASSERT_EQ(Initialize(), 0u);
    const std::vector<unsigned long> objects = {PluginId(), AdapterIds().at(0)};
    for (unsigned long id : objects) {
        for (std::int32_t code : {INT_MIN, -1, 0, 2, 29999, 40000, INT_MAX}) {
            SCOPED_TRACE(std::to_string(id) + " code " + std::to_string(code));
            PI::CProperty property(code, false);
            property.SetValue(std::string("untouched"));
            const PI::CProperty before = property;
            EXPECT_EQ(Execute(PI::GET_PROPERTY, id, &property), 20000u) << "no such property";
            EXPECT_EQ(property, before);
            EXPECT_EQ(Execute(PI::SET_PROPERTY, id, &property), 20004u);
        }
        // Code 1 asks for all; the first one comes back.
        PI::CProperty all(1, false);
        EXPECT_EQ(Execute(PI::GET_PROPERTY, id, &all), 0u);
        EXPECT_NE(all.m_Code, 1);
    }
}

TEST_F(HostInput, PollIntervalValuesAtTheEdgesAreKeptInRange) {
    ASSERT_EQ(Initialize(), 0u);
    const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    const std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    struct Case {
        std::int64_t value, minimum, maximum, step;
        std::uint32_t expected;
    };
    for (const Case& c : {Case{lowest, 2, 255, 1, 2}, Case{highest, 2, 255, 1, 255}, Case{0, 2, 255, 1, 2},
                          Case{highest, lowest, highest, 1, 255}, Case{lowest, lowest, highest, 0, 2},
                          Case{7, 2, 255, 0, 7}, Case{100, 2, 255, highest, 2}}) {
        SCOPED_TRACE(std::to_string(c.value) + " in " + std::to_string(c.minimum) + ".." + std::to_string(c.maximum) +
                     " step " + std::to_string(c.step));
        PI::CProperty property(PROP_POLL_INTERVAL, true);
        property.SetValue(c.value, c.minimum, c.maximum, c.step);
        EXPECT_EQ(Execute(PI::SET_PROPERTY, PluginId(), &property), 0u);
        EXPECT_GE(Peer::pollInterval(Impl()), 2u);
        EXPECT_LE(Peer::pollInterval(Impl()), 255u);
        EXPECT_EQ(Peer::pollInterval(Impl()), c.expected);
    }
    // Not a ranged value at all.
    PI::CProperty text(PROP_POLL_INTERVAL, true);
    text.SetValue(std::string("300"));
    EXPECT_EQ(Execute(PI::SET_PROPERTY, PluginId(), &text), 0u);
    EXPECT_GE(Peer::pollInterval(Impl()), 2u);
    EXPECT_LE(Peer::pollInterval(Impl()), 255u);
}

TEST_F(HostInput, OperationCodesAtTheEdgesOfTheirType) {
    ASSERT_EQ(Initialize(), 0u);
    const unsigned long plugin = PluginId();
    const unsigned long adapter = AdapterIds().at(0);
    for (std::int32_t code : {INT_MIN, -1, 0, 1, 50000, 50001, 50004, 50008, INT_MAX}) {
        SCOPED_TRACE(code);
        PI::COperation op(code);
        EXPECT_EQ(Execute(PI::CHECK_OPERATION, plugin, &op), 0u);
        EXPECT_EQ(Execute(PI::CHECK_OPERATION, adapter, &op), 0u);
        EXPECT_EQ(Execute(PI::EXECUTE_OPERATION, plugin, &op), 20005u);
        EXPECT_EQ(Execute(PI::EXECUTE_OPERATION, adapter, &op), 20005u);
    }
    EXPECT_TRUE(CollectEvents().empty()) << "no operation above raised an event";
}

TEST_F(HostInput, VeryLongTextsTravelWholeIntoEventsAndRows) {
    // Long enough to matter, short enough for the controller's 64000-byte answer.
    std::string name;
    while (name.size() < 30000) {
        name += "Dorv100 \xc3\xa4\xe2\x82\xac (0) ";
    }
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, name}}).c_str());
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(AdapterNames(), std::vector<std::string>{name});
    EXPECT_EQ(StoredAdapterName(), name);

    const unsigned long adapter = AdapterIds().at(0);
    PI::COperation scan(OP_SCAN_CONFIGURATION);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(Execute(PI::EXECUTE_OPERATION, adapter, &scan), 0u);
    }
    const auto events = CollectEvents();
    ASSERT_EQ(events.size(), 50u);
    for (const auto& event : events) {
        EXPECT_EQ(event.m_Code, EVENT_SCAN_CONFIGURATION);
        EXPECT_EQ(event.m_SourceName, name);
        EXPECT_EQ(event.m_PlaceHolder1, name);
    }
    std::vector<PI::CObject> topology;
    EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
    ExpectRowsMirrorModel();
}

TEST_F(HostInput, AnswerLongerThanTheControllerBufferGivesNoAdapter) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, std::string(70000, 'n')}}).c_str());
    std::vector<PI::CAdapterID> ids;
    EXPECT_EQ(Initialize(&ids), 0u);
    EXPECT_TRUE(ids.empty()) << "a cut answer is not JSON";
    std::vector<PI::CObject> topology;
    EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
    EXPECT_EQ(topology.size(), 1u);
}

TEST_F(HostInput, ControlCharactersAndEmbeddedZerosInDeviceTexts) {
    // A JSON \u0000 ends the C text the plugin takes.
    for (const auto& [sent, kept] : std::vector<std::pair<std::string, std::string>>{
             {"before\\u0000after", "before"}, {"tab\\there\\nnew line\\u0001", "tab\there\nnew line\x01"}}) {
        db_ = DatabaseWrapper::resetDatabaseForTests();
        Release();
        LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, sent}}).c_str());
        Create();
        ASSERT_EQ(Initialize(), 0u);
        EXPECT_EQ(AdapterNames(), std::vector<std::string>{kept});
        ExpectRowsMirrorModel();
    }
}
} // namespace
} // namespace reliability

namespace reliability {
namespace {
// Another program of the host may write anything into the shared tables; SQLite keeps text in an
// INTEGER column as text. Reading such a row back must not take the host down.
TEST_F(HostInput, GarbageInAStoredRowDoesNotEscapeToTheHost) {
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Dorv100 (0)"}}).c_str());
    ASSERT_EQ(Initialize(), 0u);
    Query("UPDATE Plugin SET PollInterval = 'not a number'; UPDATE Adapter SET PciBus = '99999999999999999999';");
    std::uint32_t status = 1;
    EXPECT_NO_THROW(CollectEvents(&status));
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(SetPollInterval(2), 0u);
    ASSERT_EQ(StartThreads(), 0u);
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Renamed (0)"}}).c_str());
    std::vector<PI::CObject> topology;
    EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
    EXPECT_TRUE(WaitForCycles(2)) << "the worker goes on";
}
} // namespace
} // namespace reliability
