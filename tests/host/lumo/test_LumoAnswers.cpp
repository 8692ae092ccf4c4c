// Where answers come from and what they hold: the built-in sample, device-tree files, in-process answers.
#include "LumoTestSupport.h"

#include <regex>

using namespace LumoTest;

namespace {

class AnswerTest : public EmulatorTest {};

bool isHex(const rapidjson::Value& value, const char* pattern) {
    return value.IsString() && std::regex_match(value.GetString(), std::regex(pattern));
}

void expectString(const rapidjson::Value& object, const char* name, const char* expected) {
    ASSERT_TRUE(object.HasMember(name)) << name;
    ASSERT_TRUE(object[name].IsString()) << name;
    EXPECT_STREQ(object[name].GetString(), expected) << name;
}

void expectInt(const rapidjson::Value& object, const char* name, int expected) {
    ASSERT_TRUE(object.HasMember(name)) << name;
    ASSERT_TRUE(object[name].IsInt()) << name;
    EXPECT_EQ(object[name].GetInt(), expected) << name;
}

TEST_F(AnswerTest, BuiltInSampleIsAFullEnvelope) {
    const Exchange exchange = connectedRequest();
    ASSERT_GT(exchange.result, 0);
    EXPECT_EQ(exchange.result, static_cast<int32_t>(exchange.answer.size()));
    EXPECT_EQ(exchange.errorCode, LUMO_OK);
    EXPECT_EQ(exchange.errorText, "OK");

    rapidjson::Document envelope;
    ASSERT_TRUE(parses(exchange.answer, envelope));
    const auto& sip = envelope["SIP"];
    expectInt(sip, "V", 1);
    ASSERT_TRUE(sip["CMD"].IsArray());
    ASSERT_EQ(sip["CMD"].Size(), 1u);
    const auto& entry = sip["CMD"][0];
    expectInt(entry, "OC", 8624);
    expectInt(entry, "ST", 0);
    expectInt(entry, "MI", 196613);
    EXPECT_TRUE(entry["DA"].IsString());
}

TEST_F(AnswerTest, BuiltInSampleAdapterHasEveryMember) {
    rapidjson::Document tree;
    treeOf(connectedRequest().answer, tree);
    const auto& root = tree["TavrinStorageDeviceTree"];
    expectInt(root, "@Version", 1);
    expectString(root, "@Status", "OK");
    ASSERT_TRUE(root["Adapter"].IsArray());
    ASSERT_EQ(root["Adapter"].Size(), 1u);

    const auto& adapter = root["Adapter"][0];
    expectInt(adapter, "@Nr", 0);
    ASSERT_TRUE(adapter["Product"].IsString());
    const std::string product = adapter["Product"].GetString();
    EXPECT_FALSE(product.empty());
    expectString(adapter, "Name", (product + " (0)").c_str());
    ASSERT_TRUE(adapter["Vendor"].IsString());
    EXPECT_GT(adapter["Vendor"].GetStringLength(), 0u);
    expectString(adapter, "Type", "USB");
    expectString(adapter, "BusType", "USB");
    expectInt(adapter, "PortCount", 2);
    expectString(adapter, "PortType", "Intern");
    expectString(adapter, "Protocol", "SD");
    expectString(adapter, "FirmwareVersion", "1.5 (LPC), 1.7 (FX3S)");
    expectString(adapter, "HardwareVersion", "02");
    EXPECT_TRUE(isHex(adapter["SerialNumber"], "[0-9A-Fa-f]{32}"));
    EXPECT_TRUE(isHex(adapter["VendorID"], "0x[0-9A-Fa-f]{4}"));
    EXPECT_TRUE(isHex(adapter["DeviceID"], "0x[0-9A-Fa-f]{4}"));
    expectInt(adapter, "AdapterNumber", 0);
    expectString(adapter, "Status", "OK");
    expectString(adapter, "ControllerFamily", "Dorv100");
    expectInt(adapter, "CurrentDevice", 2);
    expectInt(adapter, "CurrentLogicalDrives", 1);
    expectInt(adapter, "MaxPhysDevices", 2);
    expectInt(adapter, "MaxLogDrives", 1);
}

TEST_F(AnswerTest, BuiltInSampleDrivesHaveEveryMember) {
    rapidjson::Document tree;
    treeOf(connectedRequest().answer, tree);
    const auto& adapter = tree["TavrinStorageDeviceTree"]["Adapter"][0];

    ASSERT_TRUE(adapter["LogicalDrive"].IsArray());
    ASSERT_EQ(adapter["LogicalDrive"].Size(), 1u);
    const auto& ld = adapter["LogicalDrive"][0];
    expectInt(ld, "@Nr", 0);
    expectInt(ld, "LogDriveNumber", 0);
    expectInt(ld, "LogicalSize", 60416);
    expectInt(ld, "PhysicalSize", 120832);
    expectString(ld, "RAIDLevel", "RAID-1");
    expectString(ld, "Name", "LogicalDrive_0");
    expectString(ld, "Status", "Operational");
    expectString(ld, "DisplayName", "LogicalDrive_0 (0)");
    const auto& containers = ld["Layout"]["Container"];
    ASSERT_TRUE(containers.IsArray());
    ASSERT_EQ(containers.Size(), 1u);
    expectInt(containers[0], "@Nr", 0);
    ASSERT_EQ(containers[0]["PhysDrive"].Size(), 2u);

    ASSERT_TRUE(adapter["PhysicalDrive"].IsArray());
    ASSERT_EQ(adapter["PhysicalDrive"].Size(), 2u);
    for (rapidjson::SizeType i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const auto& pd = adapter["PhysicalDrive"][i];
        expectInt(pd, "@Nr", static_cast<int>(i));
        for (const char* name : {"PortNumber", "DeviceNumber", "Slot"}) {
            EXPECT_TRUE(pd.HasMember(name) && pd[name].IsInt()) << name;
        }
        for (const char* name : {"Name", "Vendor", "Product"}) {
            EXPECT_TRUE(pd.HasMember(name) && pd[name].IsString()) << name;
        }
        expectString(pd, "Type", "SD");
        expectString(pd, "MediaType", "SD");
        expectString(pd, "Status", "Operational");
        expectString(pd, "Activity", "Idle");
        expectInt(pd, "VendorId", 3);
        expectInt(pd, "PhysicalSize", 60416);
        expectInt(pd, "RatedEndurancePercent", 1);
        const auto& logDrives = pd["Layout"]["LogDrive"];
        ASSERT_TRUE(logDrives.IsArray());
        ASSERT_EQ(logDrives.Size(), 1u);
        expectString(logDrives[0], "Name", "LogicalDrive_0");
        // The logical drive's layout names the same cards.
        expectString(containers[0]["PhysDrive"][i], "Name", pd["Name"].GetString());
    }
}

TEST_F(AnswerTest, SampleExampleFileEqualsBuiltInSample) {
    rapidjson::Document fromFile;
    ASSERT_TRUE(parses(readFile(examplePath("sample.json")), fromFile));
    rapidjson::Document builtIn;
    treeOf(connectedRequest().answer, builtIn);
    EXPECT_TRUE(fromFile == builtIn);
}

TEST_F(AnswerTest, ExampleFilesDifferFromSampleAsNamed) {
    rapidjson::Document sample, renamed, two;
    ASSERT_TRUE(parses(readFile(examplePath("sample.json")), sample));
    ASSERT_TRUE(parses(readFile(examplePath("renamed-adapter.json")), renamed));
    ASSERT_TRUE(parses(readFile(examplePath("two-adapters.json")), two));
    const auto& first = sample["TavrinStorageDeviceTree"]["Adapter"][0];

    const auto& renamedAdapter = renamed["TavrinStorageDeviceTree"]["Adapter"][0];
    EXPECT_EQ(renamedAdapter["SerialNumber"], first["SerialNumber"]);
    EXPECT_NE(renamedAdapter["Name"], first["Name"]);

    const auto& adapters = two["TavrinStorageDeviceTree"]["Adapter"];
    ASSERT_EQ(adapters.Size(), 2u);
    EXPECT_EQ(adapters[0], first);
    EXPECT_NE(adapters[1]["SerialNumber"], first["SerialNumber"]);
    EXPECT_TRUE(isHex(adapters[1]["SerialNumber"], "[0-9A-Fa-f]{32}"));

    rapidjson::Document malformed;
    EXPECT_FALSE(parses(readFile(examplePath("malformed.json")), malformed));
}

TEST_F(AnswerTest, BareTreeFileIsWrappedIntoAnEnvelope) {
    const auto path = examplePath("two-adapters.json");
    setenv("LUMO_DEVICE_TREE", path.c_str(), 1);
    const Exchange exchange = connectedRequest();

    rapidjson::Document envelope;
    ASSERT_TRUE(parses(exchange.answer, envelope));
    const auto& entry = envelope["SIP"]["CMD"][0];
    expectInt(entry, "OC", 8624);
    expectInt(entry, "ST", 0);
    expectInt(entry, "MI", 196613);

    rapidjson::Document tree, expected;
    treeOf(exchange.answer, tree);
    ASSERT_TRUE(parses(readFile(path), expected));
    EXPECT_TRUE(tree == expected);
}

TEST_F(AnswerTest, EnvelopeFileIsSentByteForByte) {
    // Odd values and spacing on purpose: nothing of it may be rewritten.
    const std::string envelope = R"({ "SIP": {"V":1, "CMD":[{"OC":8624,"ST":7,"DA":"{\"x\":1}","MI":42}]}})";
    writeFile(dir_ / "envelope.json", envelope);
    setenv("LUMO_DEVICE_TREE", (dir_ / "envelope.json").c_str(), 1);
    EXPECT_EQ(connectedRequest().answer, envelope);
}

TEST_F(AnswerTest, OtherTextsArePassedThroughUnchanged) {
    setenv("LUMO_DEVICE_TREE", examplePath("malformed.json").c_str(), 1);
    EXPECT_EQ(connectedRequest().answer, readFile(examplePath("malformed.json")));

    // Valid JSON that is neither an envelope nor a tree.
    writeFile(dir_ / "other.json", R"({"Something":[1,2]})");
    setenv("LUMO_DEVICE_TREE", (dir_ / "other.json").c_str(), 1);
    EXPECT_EQ(connectedRequest().answer, R"({"Something":[1,2]})");
}

TEST_F(AnswerTest, DeviceTreeFileIsReadAnewAtEveryRequest) {
    const auto path = dir_ / "tree.json";
    writeFile(path, readFile(examplePath("sample.json")));
    setenv("LUMO_DEVICE_TREE", path.c_str(), 1);

    LUMO_SESSION session{};
    ASSERT_EQ(Lumo_Connect("Kelto-piDorv", &session), 1u);
    rapidjson::Document before;
    treeOf(sendRequest().answer, before);
    EXPECT_EQ(before["TavrinStorageDeviceTree"]["Adapter"].Size(), 1u);

    // Edited within the same session: the next request shows it.
    writeFile(path, readFile(examplePath("two-adapters.json")));
    rapidjson::Document after;
    treeOf(sendRequest().answer, after);
    EXPECT_EQ(after["TavrinStorageDeviceTree"]["Adapter"].Size(), 2u);
}

TEST_F(AnswerTest, MissingDeviceTreeFileFailsAndWritesNothing) {
    const auto path = dir_ / "absent.json";
    setenv("LUMO_DEVICE_TREE", path.c_str(), 1);
    LUMO_SESSION session{};
    ASSERT_EQ(Lumo_Connect("Kelto-piDorv", &session), 1u);

    std::string buffer(100, '#');
    const int32_t result =
        Lumo_PemraRequest(kTreeRequest.data(), static_cast<uint32_t>(kTreeRequest.size()), buffer.data(), 100, 5);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(Lumo_GetLastErrorCode(), LUMO_E_DEVICE_TREE);
    EXPECT_NE(std::string(Lumo_GetLastErrorMessage()).find(path.string()), std::string::npos);
    EXPECT_EQ(buffer, std::string(100, '#'));

    // Once the file appears, the same session answers again.
    writeFile(path, readFile(examplePath("sample.json")));
    EXPECT_GT(sendRequest().result, 0);
}

TEST_F(AnswerTest, InProcessAnswerWinsOverFileUntilCleared) {
    setenv("LUMO_DEVICE_TREE", examplePath("two-adapters.json").c_str(), 1);
    LumoEmu_SetAnswer(readFile(examplePath("renamed-adapter.json")).c_str());
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
