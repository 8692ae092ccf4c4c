// The device-tree answer turned into adapters: every way an answer can be unreadable, and what stays.
#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AdapterTestSupport.h"
#include "piDorv/Src/piDorvAdapter.h"

using namespace adapter_test;
using NAMESPACE_piDorv::CDorvAdapterList;
using NAMESPACE_piDorv::parseDorv100JSON;

namespace {
class DeviceTreeParse : public EmulatorFixture {
protected:
    void SetUp() override {
        EmulatorFixture::SetUp();
        SetMask(0xFFFFFFFFu);
    }
    CDorvAdapterList Parse(const std::string& text) { return parseDorv100JSON(text.c_str()); }
    std::vector<std::string> NotableLines() const { return m_Trace.Messages("10"); }
};

TEST_F(DeviceTreeParse, FullAnswerGivesOneAdapter) {
    const CDorvAdapterList adapters = Parse(Envelope({Element(0)}));
    ASSERT_EQ(1u, adapters.size());
    const auto& a = adapters[0];
    EXPECT_EQ("Dorv100 Dual SD (0)", a.m_Name);
    EXPECT_EQ("Kelto", a.m_Vendor);
    EXPECT_EQ("Dorv100 Dual SD", a.m_Product);
    EXPECT_EQ("1.5 (LPC), 1.7 (FX3S)", a.m_FirmwareVersion);
    EXPECT_EQ("8A3F0C21D94E4B7A9E6155C2F0B13D00", a.m_SerialNumber);
    EXPECT_EQ(a.m_SerialNumber, a.m_UniqueID);
    EXPECT_EQ("0x7A11", a.m_VendorID);
    EXPECT_EQ("0x0D10", a.m_DeviceID);
    EXPECT_EQ(0, a.m_AdapterNumber);
    EXPECT_EQ("Dorv", a.m_Type);
    EXPECT_EQ(40024, a.m_Status);
    EXPECT_EQ(1, a.m_StatusWord2);
    EXPECT_EQ(19051, a.PI::CObject::m_Type);
    // untouched by the parse
    EXPECT_EQ(0u, a.m_ID);
    EXPECT_EQ(0u, a.m_GlobalAdapterNumber);
    EXPECT_TRUE(a.m_DriverVersion.empty());
    EXPECT_EQ(0, a.m_PciBus);
    EXPECT_TRUE(a.m_AdditionalStatus.empty());
    EXPECT_FALSE(a.m_Flag);
    EXPECT_TRUE(NotableLines().empty());
}

TEST_F(DeviceTreeParse, DumpsTheAnswerAtLevelFour) {
    const std::string answer = Envelope({Element(0)});
    Parse(answer);
    const std::vector<std::string> details = m_Trace.Messages("4");
    ASSERT_EQ(1u, details.size());
    EXPECT_EQ("parseDorv100JSON JSON to parse : " + answer, details[0]);
}

struct UnreadableAnswer {
    const char* name;
    std::string text;
};

TEST_F(DeviceTreeParse, UnreadableAnswersGiveNoAdapterAndNoNotableTrace) {
    const std::string goodTree = Tree({Element(0)});
    const std::vector<UnreadableAnswer> rows = {
        {"empty text", ""},
        {"not JSON", "garbage{"},
        {"SIP missing", R"({"PIS":{"V":1,"CMD":[]}})"},
        {"SIP not an object", R"({"SIP":[1]})"},
        {"CMD missing", R"({"SIP":{"V":1}})"},
        {"CMD not an array", R"({"SIP":{"V":1,"CMD":{"OC":8624}}})"},
        {"entry not an object", R"({"SIP":{"V":1,"CMD":[5]}})"},
        {"DA missing", R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0}]}})"},
        {"DA not a string", R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0,"DA":{"TavrinStorageDeviceTree":{}}}]}})"},
        {"DA not JSON", Envelope("{\"TavrinStorageDeviceTree\":")},
        {"root missing", Envelope(R"({"StorageDeviceTree":{"Adapter":[]}})")},
        {"root not an object", Envelope(R"({"TavrinStorageDeviceTree":"x"})")},
        {"Adapter missing", Envelope(R"({"TavrinStorageDeviceTree":{"@Version":1}})")},
        {"Adapter not an array", Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":{}}})")},
        {"Adapter empty", Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":[]}})")},
        {"element not an object", Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":["x"]}})")},
        {"zero inside DA", Envelope(goodTree.substr(0, 30) + std::string(1, '\0') + goodTree.substr(30))},
    };
    for (const UnreadableAnswer& row : rows) {
        m_Trace.Clear();
        EXPECT_TRUE(Parse(row.text).empty()) << row.name;
        EXPECT_TRUE(NotableLines().empty()) << row.name;
    }
}

TEST_F(DeviceTreeParse, NullAnswerIsTakenAsEmpty) {
    EXPECT_TRUE(parseDorv100JSON(nullptr).empty());
}

TEST_F(DeviceTreeParse, EmptyCommandListIsReported) {
    EXPECT_TRUE(Parse(R"({"SIP":{"V":1,"CMD":[]}})").empty());
    const std::vector<std::string> notable = NotableLines();
    ASSERT_EQ(1u, notable.size());
    EXPECT_EQ("parseDorv100JSON ERROR: Found no CMD in response", notable[0]);
}

TEST_F(DeviceTreeParse, MoreThanOneCommandIsReportedWithCount) {
    const std::string entry = R"({"OC":8624,"ST":0,"DA":"{}"})";
    EXPECT_TRUE(Parse(R"({"SIP":{"V":1,"CMD":[)" + entry + "," + entry + "," + entry + "]}}").empty());
    const std::vector<std::string> notable = NotableLines();
    ASSERT_EQ(1u, notable.size());
    EXPECT_EQ("parseDorv100JSON ERROR: Found more CMDs then expected! Dont know what to do 3", notable[0]);
}

TEST_F(DeviceTreeParse, StatusAndOperationCodeOfAnswerAreNotChecked) {
    EXPECT_EQ(1u, Parse(Envelope(Tree({Element(0)}), 9, 1234)).size());
}

TEST_F(DeviceTreeParse, ElementLackingAMemberEndsTheList) {
    const char* const members[] = {"FirmwareVersion", "SerialNumber", "Product",      "Vendor", "Name",
                                   "VendorID",        "DeviceID",     "AdapterNumber"};
    for (const char* member : members) {
        Element broken(1);
        broken.Drop(member);
        const CDorvAdapterList adapters = Parse(Envelope({Element(0), broken, Element(2)}));
        ASSERT_EQ(1u, adapters.size()) << member;
        EXPECT_EQ(0, adapters[0].m_AdapterNumber) << member;
    }
}

TEST_F(DeviceTreeParse, ElementWithMemberOfWrongTypeEndsTheList) {
    struct Row {
        const char* member;
        const char* value;
    };
    const Row rows[] = {
        {"AdapterNumber", "\"1\""}, {"VendorID", "4660"}, {"SerialNumber", "null"},       {"Name", "[\"x\"]"},
        {"AdapterNumber", "1.5"},   {"DeviceID", "true"}, {"AdapterNumber", "4294967296"}};
    for (const Row& row : rows) {
        Element broken(1);
        broken.Set(row.member, row.value);
        const CDorvAdapterList adapters = Parse(Envelope({Element(0), broken}));
        EXPECT_EQ(1u, adapters.size()) << row.member << "=" << row.value;
    }
}

TEST_F(DeviceTreeParse, SecondOfThreeWithoutDeviceIdLeavesOnlyTheFirst) {
    Element second(1);
    second.Drop("DeviceID");
    const CDorvAdapterList adapters = Parse(Envelope({Element(0), second, Element(2)}));
    ASSERT_EQ(1u, adapters.size());
    EXPECT_EQ("8A3F0C21D94E4B7A9E6155C2F0B13D00", adapters[0].m_UniqueID);
}

TEST_F(DeviceTreeParse, AdapterNumberKeepsItsSign) {
    Element minusOne(0);
    minusOne.Set("AdapterNumber", "-1");
    Element lowest(1);
    lowest.Set("AdapterNumber", "-2147483648");
    Element highest(2);
    highest.Set("AdapterNumber", "2147483647");
    const CDorvAdapterList adapters = Parse(Envelope({minusOne, lowest, highest}));
    ASSERT_EQ(3u, adapters.size());
    EXPECT_EQ(-1, adapters[0].m_AdapterNumber);
    EXPECT_EQ(0xFFFFFFFFFFFFFFFFull, static_cast<std::uint64_t>(adapters[0].m_AdapterNumber));
    EXPECT_EQ(static_cast<std::int64_t>(INT_MIN), adapters[1].m_AdapterNumber);
    EXPECT_EQ(static_cast<std::int64_t>(INT_MAX), adapters[2].m_AdapterNumber);
}

TEST_F(DeviceTreeParse, TextMembersEndAtAnEmbeddedZero) {
    Element element(0);
    element.Set("Name", R"("Dorv\u0000hidden")").Set("SerialNumber", R"("\u0000ABC")");
    const CDorvAdapterList adapters = Parse(Envelope({element}));
    ASSERT_EQ(1u, adapters.size());
    EXPECT_EQ("Dorv", adapters[0].m_Name);
    EXPECT_EQ(4u, adapters[0].m_Name.size());
    EXPECT_EQ("", adapters[0].m_SerialNumber);
    EXPECT_EQ("", adapters[0].m_UniqueID);
}

TEST_F(DeviceTreeParse, HugeAdapterArrayIsReadWhole) {
    SetMask(0);
    std::vector<Element> elements;
    for (int i = 0; i < 5000; ++i) {
        elements.emplace_back(i);
    }
    const CDorvAdapterList adapters = Parse(Envelope(elements));
    ASSERT_EQ(5000u, adapters.size());
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(i, adapters[i].m_AdapterNumber);
    }
}
} // namespace
