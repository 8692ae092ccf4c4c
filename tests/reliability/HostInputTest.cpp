// Input from outside the plugin's control: commands out of order, identifiers and codes at the edges
// of their types, device data that looks like SQL or holds control characters, texts far longer
// than usual, and garbage in the stored rows.
#include <climits>
#include <cstdint>
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

    // The statuses of GetTopology and of the six object commands sent to the identifier with the
    // property and operation code. A command that fails must leave the host's record as it was.
    std::vector<std::uint32_t> Statuses(unsigned long id, PI::_PROPERTY_ID code, std::int32_t operation) {
        std::vector<PI::CObject> topology;
        std::vector<PI::CProperty> properties(3);
        PI::CProperty property(code, true);
        property.SetValue(std::int64_t{4}, std::int64_t{2}, std::int64_t{255}, std::int64_t{1});
        const PI::CProperty before = property;
        std::vector<PI::COperation> operations(2);
        PI::COperation op(operation);
        const std::vector<std::uint32_t> statuses = {
            Execute(PI::GET_TOPOLOGY, id, &topology),     Execute(PI::GET_PROPERTIES, id, &properties),
            Execute(PI::GET_PROPERTY, id, &property),     Execute(PI::SET_PROPERTY, id, &property),
            Execute(PI::GET_OPERATIONS, id, &operations), Execute(PI::CHECK_OPERATION, id, &op),
            Execute(PI::EXECUTE_OPERATION, id, &op)};
        EXPECT_TRUE(statuses[1] == 0u || properties.empty());
        EXPECT_TRUE(statuses[2] == 0u || property == before);
        EXPECT_TRUE(statuses[4] == 0u || operations.empty());
        return statuses;
    }
    // Each status one its command may return, for both kinds of property and operation.
    void ExpectAllowedStatuses(unsigned long id) {
        SCOPED_TRACE(id);
        const PI::_COMMAND commands[] = {PI::GET_TOPOLOGY,     PI::GET_PROPERTIES, PI::GET_PROPERTY,
                                         PI::SET_PROPERTY,     PI::GET_OPERATIONS, PI::CHECK_OPERATION,
                                         PI::EXECUTE_OPERATION};
        for (const auto& [code, operation] :
             {std::make_pair(PROP_POLL_INTERVAL, OP_SCAN_CONFIGURATION), std::make_pair(PROP_NAME, OP_GET_EVENTS)}) {
            const std::vector<std::uint32_t> statuses = Statuses(id, code, operation);
            for (std::size_t i = 0; i < statuses.size(); ++i) {
                EXPECT_TRUE(IsAllowedStatus(commands[i], statuses[i])) << commands[i] << " gave " << statuses[i];
            }
        }
    }
};

TEST_F(HostInput, CommandsBeforeInitializeAndAfterDeInitializeGetAllowedStatuses) {
    for (unsigned long id : {0ul, 1ul, 0x0136000000000000ul, ULONG_MAX}) {
        ExpectAllowedStatuses(id);
    }
    EXPECT_EQ(Execute(PI::DEINITIALIZE, 0, nullptr), 0u) << "nothing to stop yet";
    ASSERT_EQ(Initialize(), 0u);
    ASSERT_EQ(StartThreads(), 0u);
    ExpectRowsMirrorModel();
    const std::uint64_t adapter = AdapterIds().at(0);
    ASSERT_EQ(Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
    ExpectAllowedStatuses(PluginId());
    ExpectAllowedStatuses(adapter);
    ASSERT_EQ(Initialize(), 0u);
    ExpectRowsMirrorModel();
}

TEST_F(HostInput, IdentifiersAndCodesAtTheEdgesOfTheirType) {
    ASSERT_EQ(Initialize(), 0u);
    const unsigned long plugin = PluginId();
    const unsigned long adapter = AdapterIds().at(0);
    const std::vector<std::uint32_t> unknownObject = {0, 20008, 20008, 20008, 20008, 20008, 20008};
    for (unsigned long id : {0ul, 1ul, plugin - 1, adapter + 1, plugin | 0xFFFFFFFFul, 0x7FFFFFFFFFFFFFFFul,
                             0x8000000000000000ul, ULONG_MAX}) {
        EXPECT_EQ(Statuses(id, PROP_NAME, OP_SCAN_CONFIGURATION), unknownObject) << id;
    }
    const std::vector<std::uint32_t> unknownCode = {0, 0, 20000, 20004, 0, 0, 20005};
    for (unsigned long id : {plugin, adapter}) {
        for (std::int32_t code : {INT_MIN, -1, 0, 2, 29999, 40000, 50000, 50001, 50004, 50008, INT_MAX}) {
            EXPECT_EQ(Statuses(id, code, code), unknownCode) << id << " code " << code;
        }
    }
    EXPECT_TRUE(CollectEvents().empty()) << "nothing above raised an event";
}

TEST_F(HostInput, DeviceDataThatLooksLikeSqlIsStoredLiterally) {
    const std::string name = "x'); DROP TABLE Adapter; --";
    const std::string serial = "AB'CD;--\\\\ \\\"quoted\\\""; // JSON escapes: AB'CD;--\ "quoted"
    LumoEmu_SetAnswer(DeviceTree({{serial, name, "1.0'; DELETE FROM Plugin; --"}}).c_str());
    ASSERT_EQ(Initialize(), 0u);
    EXPECT_EQ(StoredAdapterName(), name);
    EXPECT_EQ(Query("SELECT UniqueID FROM Adapter").at(0).at(0), "AB'CD;--\\ \"quoted\"");
    ExpectRowsMirrorModel();

    // A rename to another such text goes through the update statement.
    const std::string renamed = "'; UPDATE Adapter SET Name = 'owned'; --";
    LumoEmu_SetAnswer(DeviceTree({{serial, renamed}}).c_str());
    ASSERT_EQ(StartThreads(), 0u);
    ASSERT_TRUE(WaitForCycles(2));
    EXPECT_EQ(StoredAdapterName(), renamed);
    ExpectRowsMirrorModel();
}

TEST_F(HostInput, DeviceTextsOfEveryShape) {
    // Long enough to matter, short enough for the controller's 64000-byte answer.
    std::string longName;
    while (longName.size() < 30000) {
        longName += "Dorv100 \xc3\xa4\xe2\x82\xac (0) ";
    }
    // A JSON \u0000 ends the C text the plugin takes; other control characters stay.
    for (const auto& [sent, kept] : std::vector<std::pair<std::string, std::string>>{
             {longName, longName},
             {"before\\u0000after", "before"},
             {"tab\\there\\nnew line\\u0001", "tab\there\nnew line\x01"}}) {
        Release();
        db_ = DatabaseWrapper::resetDatabaseForTests();
        LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, sent}}).c_str());
        Create();
        ASSERT_EQ(Initialize(), 0u);
        EXPECT_EQ(AdapterNames(), std::vector<std::string>{kept});
        ExpectRowsMirrorModel();
        PI::COperation scan(OP_SCAN_CONFIGURATION);
        ASSERT_EQ(Execute(PI::EXECUTE_OPERATION, AdapterIds().at(0), &scan), 0u);
        const auto events = CollectEvents();
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(std::make_pair(events[0].m_SourceName, events[0].m_PlaceHolder1), std::make_pair(kept, kept));
    }
}

// Another program of the host may write anything into the shared tables; SQLite keeps text in an
// INTEGER column as text. Reading such a row back must not take the host down.
TEST_F(HostInput, GarbageInAStoredRowDoesNotEscapeToTheHost) {
    ASSERT_EQ(Initialize(), 0u);
    Query("UPDATE Plugin SET PollInterval = 'not a number'; UPDATE Adapter SET PciBus = '99999999999999999999';");
    std::uint32_t status = 1;
    EXPECT_NO_THROW(CollectEvents(&status));
    EXPECT_EQ(status, 0u);
    ASSERT_EQ(StartThreads(), 0u);
    LumoEmu_SetAnswer(DeviceTree({{SERIAL_A, "Renamed (0)"}}).c_str());
    std::vector<PI::CObject> topology;
    EXPECT_EQ(Execute(PI::GET_TOPOLOGY, 0, &topology), 0u);
    EXPECT_TRUE(WaitForCycles(2)) << "the worker goes on";
}
} // namespace
} // namespace reliability
