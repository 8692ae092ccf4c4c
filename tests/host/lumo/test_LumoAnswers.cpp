// Where answers come from and what they hold: the built-in sample, device-tree files, in-process answers.
#include "LumoTestSupport.h"
#include "support/SmallStack.h"

#include <regex>

using namespace LumoTest;

namespace {

class AnswerTest : public EmulatorTest {};

// Every member of `expected` is in `actual` with an equal value (objects recursively, arrays element-wise).
void expectHas(const rapidjson::Value& actual, const rapidjson::Value& expected, const std::string& where = "") {
    if (!expected.IsObject() && !expected.IsArray()) {
        EXPECT_TRUE(actual == expected) << where;
    } else if (expected.IsArray()) {
        ASSERT_TRUE(actual.IsArray() && actual.Size() == expected.Size()) << where;
        for (rapidjson::SizeType i = 0; i < expected.Size(); ++i)
            expectHas(actual[i], expected[i], where + "[" + std::to_string(i) + "]");
    } else {
        ASSERT_TRUE(actual.IsObject()) << where;
        for (const auto& member : expected.GetObject()) {
            const std::string name = where + "/" + member.name.GetString();
            ASSERT_TRUE(actual.HasMember(member.name)) << name;
            expectHas(actual[member.name], member.value, name);
        }
    }
}

void expectHas(const rapidjson::Value& actual, const char* expectedJson) {
    rapidjson::Document expected;
    ASSERT_TRUE(parses(expectedJson, expected)) << expectedJson;
    expectHas(actual, expected);
}

bool isHex(const rapidjson::Value& value, const char* pattern) {
    return value.IsString() && std::regex_match(value.GetString(), std::regex(pattern));
}

TEST_F(AnswerTest, BuiltInSampleIsAFullEnvelopeAroundOneMirror) {
    const Exchange exchange = connectedRequest();
    EXPECT_EQ(exchange.result, static_cast<int32_t>(exchange.answer.size()));
    EXPECT_EQ(exchange.errorCode, LUMO_OK);
    EXPECT_EQ(exchange.errorText, "OK");
    rapidjson::Document envelope, tree;
    ASSERT_TRUE(parses(exchange.answer, envelope));
    expectHas(envelope, R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0,"MI":196613}]}})");
    treeOf(exchange.answer, tree);
    // One Dorv100 adapter with two SD cards that carry one RAID-1 drive, whose layout names them.
    expectHas(tree, R"J({"TavrinStorageDeviceTree":{"@Version":1,"@Status":"OK","Adapter":[{"@Nr":0,"Type":"USB",
        "BusType":"USB","PortCount":2,"Protocol":"SD","FirmwareVersion":"1.5 (LPC), 1.7 (FX3S)","AdapterNumber":0,
        "Status":"OK","ControllerFamily":"Dorv100","CurrentDevice":2,"CurrentLogicalDrives":1,"MaxPhysDevices":2,
        "LogicalDrive":[{"@Nr":0,"LogDriveNumber":0,"LogicalSize":60416,"PhysicalSize":120832,"RAIDLevel":"RAID-1",
          "Name":"LogicalDrive_0","Status":"Operational","DisplayName":"LogicalDrive_0 (0)",
          "Layout":{"Container":[{"@Nr":0,"PhysDrive":[{"Name":"SD Card 0"},{"Name":"SD Card 1"}]}]}}],
        "PhysicalDrive":[
          {"@Nr":0,"Slot":0,"Name":"SD Card 0","Type":"SD","Status":"Operational","PhysicalSize":60416,
           "Layout":{"LogDrive":[{"Name":"LogicalDrive_0"}]}},
          {"@Nr":1,"Slot":1,"Name":"SD Card 1","Type":"SD","Status":"Operational","PhysicalSize":60416,
           "Layout":{"LogDrive":[{"Name":"LogicalDrive_0"}]}}]}]}})J");

    const auto& adapter = tree["TavrinStorageDeviceTree"]["Adapter"][0];
    ASSERT_TRUE(adapter["Product"].IsString() && adapter["Vendor"].IsString());
    EXPECT_EQ(adapter["Name"].GetString(), adapter["Product"].GetString() + std::string(" (0)"));
    EXPECT_GT(adapter["Vendor"].GetStringLength(), 0u);
    EXPECT_TRUE(isHex(adapter["SerialNumber"], "[0-9A-Fa-f]{32}"));
    EXPECT_TRUE(isHex(adapter["VendorID"], "0x[0-9A-Fa-f]{4}") && isHex(adapter["DeviceID"], "0x[0-9A-Fa-f]{4}"));
    for (const auto& pd : adapter["PhysicalDrive"].GetArray())
        EXPECT_TRUE(pd["Vendor"].IsString() && pd["Product"].IsString());
}

TEST_F(AnswerTest, ExampleFilesAreTheSampleAndVariationsOfIt) {
    rapidjson::Document sample, two, builtIn, malformed;
    ASSERT_TRUE(parses(example("sample.json"), sample));
    ASSERT_TRUE(parses(example("two-adapters.json"), two));
    treeOf(connectedRequest().answer, builtIn);
    EXPECT_TRUE(sample == builtIn);
    EXPECT_FALSE(parses(example("malformed.json"), malformed));
    const auto& adapters = two["TavrinStorageDeviceTree"]["Adapter"];
    ASSERT_EQ(adapters.Size(), 2u);
    EXPECT_EQ(adapters[0], sample["TavrinStorageDeviceTree"]["Adapter"][0]);
    EXPECT_NE(adapters[1]["SerialNumber"], adapters[0]["SerialNumber"]);
    EXPECT_TRUE(isHex(adapters[1]["SerialNumber"], "[0-9A-Fa-f]{32}"));
}

TEST_F(AnswerTest, BareTreeFileIsWrappedIntoAnEnvelope) {
    useTreeFile(examplePath("two-adapters.json"));
    const Exchange exchange = connectedRequest();
    rapidjson::Document envelope, tree, expected;
    ASSERT_TRUE(parses(exchange.answer, envelope));
    expectHas(envelope, R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0,"MI":196613}]}})");
    treeOf(exchange.answer, tree);
    ASSERT_TRUE(parses(example("two-adapters.json"), expected));
    EXPECT_TRUE(tree == expected);
}

// An envelope (odd values and spacing on purpose), a malformed text or other JSON is sent byte for byte.
TEST_F(AnswerTest, EnvelopesAndOtherTextsArePassedThroughUnchanged) {
    for (const std::string& text :
         {std::string(R"({ "SIP": {"V":1, "CMD":[{"OC":8624,"ST":7,"DA":"{\"x\":1}","MI":42}]}})"),
          example("malformed.json"), std::string(R"({"Something":[1,2]})")}) {
        writeFile(dir_ / "answer.json", text);
        useTreeFile(dir_ / "answer.json");
        EXPECT_EQ(connectedRequest().answer, text);
    }
    // A tree nested too deep to read, in a file far larger than an answer, on a small stack: sent as it is
    // (cut to the capacity), with or without a status to set.
    const std::string deep =
        R"({"TavrinStorageDeviceTree":{"Adapter":)" + std::string(200000, '[') + std::string(200000, ']') + "}}";
    writeFile(dir_ / "deep.json", deep);
    useTreeFile(dir_ / "deep.json");
    for (const char* faults : {"", "status:3"}) {
        LumoEmu_SetFaults(faults);
        test_support::RunOnSmallStack([&] { EXPECT_EQ(connectedRequest().answer, deep.substr(0, kPluginCapacity)); });
    }
}

TEST_F(AnswerTest, DeviceTreeFileIsReadAnewAtEveryRequestAndAMissingOneFails) {
    const auto path = dir_ / "tree.json";
    useTreeFile(path);
    connect();
    std::string buffer(100, '#');
    EXPECT_EQ(requestInto(buffer), -1);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_DEVICE_TREE);
    EXPECT_NE(std::string(Lumo_GetLastErrorMessage()).find(path.string()), std::string::npos);
    EXPECT_EQ(buffer, std::string(100, '#'));

    // Once the file appears, and whenever it is edited, the same session answers from it.
    rapidjson::Document tree;
    writeFile(path, example("sample.json"));
    treeOf(sendRequest().answer, tree);
    EXPECT_EQ(tree["TavrinStorageDeviceTree"]["Adapter"].Size(), 1u);
    writeFile(path, example("two-adapters.json"));
    treeOf(sendRequest().answer, tree);
    EXPECT_EQ(tree["TavrinStorageDeviceTree"]["Adapter"].Size(), 2u);
}

TEST_F(AnswerTest, InProcessAnswerWinsOverFileUntilCleared) {
    useTreeFile(examplePath("two-adapters.json"));
    LumoEmu_SetAnswer(example("renamed-adapter.json").c_str());
    rapidjson::Document tree;
    treeOf(connectedRequest().answer, tree);
    EXPECT_STREQ(tree["TavrinStorageDeviceTree"]["Adapter"][0]["Name"].GetString(), "Dorv100 Boot Mirror (0)");
    EXPECT_EQ(tree["TavrinStorageDeviceTree"]["Adapter"].Size(), 1u);

    LumoEmu_SetAnswer(nullptr);
    treeOf(connectedRequest().answer, tree);
    EXPECT_EQ(tree["TavrinStorageDeviceTree"]["Adapter"].Size(), 2u);

    // An envelope given in process is kept as it is too.
    const std::string envelope = R"({"SIP":{"V":1,"CMD":[]}})";
    LumoEmu_SetAnswer(envelope.c_str());
    EXPECT_EQ(connectedRequest().answer, envelope);
}

} // namespace
