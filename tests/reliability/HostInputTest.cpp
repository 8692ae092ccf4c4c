// Input from outside the plugin's control: commands out of order, identifiers and codes at the edges
// of their types, device data that looks like SQL or holds control characters, and texts far longer
// than usual.
#include <climits>

#include "support/PluginFixture.h"

namespace {
using namespace test_support;
using Statuses = std::vector<std::uint32_t>;

class HostInput : public HostedPluginTest {
protected:
    void SetUp() override {
        HostedPluginTest::SetUp();
        Create();
    }
    // The statuses of the six object commands sent to the identifier with the code as property and
    // operation. A command that fails leaves the host's record as it was.
    Statuses Send(unsigned long id, std::int32_t code) {
        std::vector<PI::CProperty> properties(3);
        PI::CProperty property(code, true);
        property.SetValue(std::int64_t{4}, std::int64_t{2}, std::int64_t{255}, std::int64_t{1});
        const PI::CProperty before = property;
        std::vector<PI::COperation> operations(2);
        PI::COperation op(code);
        const Statuses statuses = {
            Execute(PI::GET_PROPERTIES, id, &properties), Execute(PI::GET_PROPERTY, id, &property),
            Execute(PI::SET_PROPERTY, id, &property),     Execute(PI::GET_OPERATIONS, id, &operations),
            Execute(PI::CHECK_OPERATION, id, &op),        Execute(PI::EXECUTE_OPERATION, id, &op)};
        EXPECT_TRUE(statuses[0] == 0u || properties.empty());
        EXPECT_TRUE(statuses[1] == 0u || property == before);
        EXPECT_TRUE(statuses[3] == 0u || operations.empty());
        return statuses;
    }
};

// Until Initialize the plugin answers at identifier 0; after DeInitialize the model stays and answers.
TEST_F(HostInput, IdentifiersAndCodesAtTheEdgesOfTheirTypeBeforeDuringAndAfterARun) {
    std::vector<unsigned long> objects = {0};
    std::vector<unsigned long> strangers = {1ul, 0x7FFFFFFFFFFFFFFFul, 0x8000000000000000ul, ULONG_MAX};
    for (const char* state : {"before Initialize", "running", "after DeInitialize"}) {
        SCOPED_TRACE(state);
        for (unsigned long id : strangers) {
            EXPECT_EQ(Send(id, 30007), (Statuses{20008, 20008, 20008, 20008, 20008, 20008})) << id;
        }
        for (unsigned long id : objects) {
            for (std::int32_t code : {INT_MIN, -1, 0, 2, 29999, 40000, 50000, 50001, 50004, 50008, INT_MAX}) {
                EXPECT_EQ(Send(id, code), (Statuses{0, 20000, 20004, 0, 0, 20005})) << id << " code " << code;
            }
        }
        EXPECT_EQ(Send(objects[0], 30005), (Statuses{0, 0, 0, 0, 0, 20005})) << "the plugin's own property";
        if (objects.size() == 1) {
            Initialize();
            StartThreads();
            objects = {PluginId(), AdapterId()};
            strangers.insert(strangers.end(), {0ul, ID_BASE - 1, ID_BASE | 2, ID_BASE | 0xFFFFFFFFul});
        } else {
            ASSERT_EQ(Execute(PI::DEINITIALIZE, 0, nullptr), 0u);
        }
    }
    EXPECT_TRUE(CollectEvents().empty()) << "nothing above raised an event";
    Initialize();
    ExpectRowsMirrorModel();
}

// Device data that looks like SQL, holds control characters or runs far longer than usual is stored
// as it came, by the insert and by the update statements.
TEST_F(HostInput, DeviceTextsOfEveryShapeAreStoredLiterally) {
    const std::string serial = "AB'CD;--\\\\ \\\"quoted\\\""; // JSON escapes: AB'CD;--\ "quoted"
    LumoEmu_SetAnswer(DeviceTree({{serial, "x'); DROP TABLE Adapter; --", "1.0'; DELETE FROM Plugin; --"}}).c_str());
    Initialize();
    EXPECT_EQ(Query("SELECT UniqueID, Name FROM Adapter"),
              (Rows{{"AB'CD;--\\ \"quoted\"", "x'); DROP TABLE Adapter; --"}}));
    ExpectRowsMirrorModel();
    // Long enough to matter, short enough for the controller's 64000-byte answer.
    std::string longName;
    while (longName.size() < 30000) {
        longName += "Dorv100 \xc3\xa4\xe2\x82\xac (0) ";
    }
    // Control characters stay (a JSON \u0000 ending the text: the adapter's parse tests).
    for (const auto& [sent, kept] : std::vector<std::pair<std::string, std::string>>{
             {"'; UPDATE Adapter SET Name = 'owned'; --", "'; UPDATE Adapter SET Name = 'owned'; --"},
             {longName, longName},
             {"tab\\there\\nnew line\\u0001", "tab\there\nnew line\x01"}}) {
        LumoEmu_SetAnswer(DeviceTree({{serial, sent}}).c_str());
        EXPECT_TRUE(Plugin().WorkerDo(true));
        EXPECT_EQ(AdapterNames(), Texts{kept});
        ExpectRowsMirrorModel();
    }
}
} // namespace
