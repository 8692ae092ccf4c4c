// The device-tree answer turned into adapters: every way an answer can be unreadable, and what stays.
#include <climits>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "AdapterTestSupport.h"
#include "support/SmallStack.h"
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

TEST_F(DeviceTreeParse, FullAnswerGivesOneAdapterAndIsDumped) {
    const std::string answer = Envelope({Element(0)});
    const CDorvAdapterList adapters = Parse(answer);
    ASSERT_EQ(1u, adapters.size());
    const auto& a = adapters[0];
    EXPECT_EQ(std::make_tuple("Dorv100 Dual SD (0)", "Kelto", "Dorv100 Dual SD", "1.5 (LPC), 1.7 (FX3S)"),
              std::make_tuple(a.m_Name, a.m_Vendor, a.m_Product, a.m_FirmwareVersion));
    EXPECT_EQ("8A3F0C21D94E4B7A9E6155C2F0B13D00", a.m_SerialNumber);
    EXPECT_EQ(a.m_SerialNumber, a.m_UniqueID);
    EXPECT_EQ(std::make_tuple("0x7A11", "0x0D10", 0l, "Dorv"),
              std::make_tuple(a.m_VendorID, a.m_DeviceID, a.m_AdapterNumber, a.m_Type));
    EXPECT_EQ(std::make_tuple(40024, 1, 19051), std::make_tuple(a.m_Status, a.m_StatusWord2, a.PI::CObject::m_Type));
    EXPECT_EQ(0u, a.m_ID);
    EXPECT_TRUE(NotableLines().empty());
    EXPECT_EQ(std::vector<std::string>{"parseDorv100JSON JSON to parse : " + answer}, m_Trace.Messages("4"));

    // The answer's status and operation code are not looked at.
    EXPECT_EQ(1u, Parse(Envelope(Tree({Element(0)}), 9, 1234)).size());
}

TEST_F(DeviceTreeParse, UnreadableAnswersGiveNoAdapter) {
    const std::string goodTree = Tree({Element(0)});
    const std::string entry = R"({"OC":8624,"ST":0,"DA":"{}"})";
    struct Row {
        const char* name;
        std::string text;
        const char* notable; // the one level-10 line, if any
    };
    const Row rows[] = {
        {"empty text", "", nullptr},
        {"not JSON", "garbage{", nullptr},
        {"SIP missing", R"({"PIS":{"V":1,"CMD":[]}})", nullptr},
        {"SIP not an object", R"({"SIP":[1]})", nullptr},
        {"CMD missing", R"({"SIP":{"V":1}})", nullptr},
        {"CMD not an array", R"({"SIP":{"V":1,"CMD":{"OC":8624}}})", nullptr},
        {"CMD empty", R"({"SIP":{"V":1,"CMD":[]}})", "parseDorv100JSON ERROR: Found no CMD in response"},
        {"three CMDs", R"({"SIP":{"V":1,"CMD":[)" + entry + "," + entry + "," + entry + "]}}",
         "parseDorv100JSON ERROR: Found more CMDs then expected! Dont know what to do 3"},
        {"entry not an object", R"({"SIP":{"V":1,"CMD":[5]}})", nullptr},
        {"DA missing", R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0}]}})", nullptr},
        {"DA not a string", R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0,"DA":{"TavrinStorageDeviceTree":{}}}]}})",
         nullptr},
        {"DA not JSON", Envelope("{\"TavrinStorageDeviceTree\":"), nullptr},
        {"root missing", Envelope(R"({"StorageDeviceTree":{"Adapter":[]}})"), nullptr},
        {"root not an object", Envelope(R"({"TavrinStorageDeviceTree":"x"})"), nullptr},
        {"Adapter missing", Envelope(R"({"TavrinStorageDeviceTree":{"@Version":1}})"), nullptr},
        {"Adapter not an array", Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":{}}})"), nullptr},
        {"Adapter empty", Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":[]}})"), nullptr},
        {"element not an object", Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":["x"]}})"), nullptr},
        {"zero inside DA", Envelope(goodTree.substr(0, 30) + std::string(1, '\0') + goodTree.substr(30)), nullptr},
        // nesting as deep as a whole answer buffer can hold, read by a thread with a small stack
        {"answer nested too deep", std::string(64000, '['), nullptr},
        {"DA nested too deep", Envelope(std::string(63900, '[')), nullptr},
    };
    test_support::RunOnSmallStack([&] {
        for (const Row& row : rows) {
            m_Trace.Clear();
            EXPECT_TRUE(Parse(row.text).empty()) << row.name;
            EXPECT_EQ(row.notable ? std::vector<std::string>{row.notable} : std::vector<std::string>{}, NotableLines())
                << row.name;
        }
    });
    EXPECT_TRUE(parseDorv100JSON(nullptr).empty());
}

TEST_F(DeviceTreeParse, ElementLackingAMemberOrOfWrongTypeEndsTheList) {
    const std::pair<const char*, const char*> changes[] = {{"FirmwareVersion", nullptr},
                                                           {"SerialNumber", nullptr},
                                                           {"Product", nullptr},
                                                           {"Vendor", nullptr},
                                                           {"Name", nullptr},
                                                           {"VendorID", nullptr},
                                                           {"DeviceID", nullptr},
                                                           {"AdapterNumber", nullptr},
                                                           {"AdapterNumber", "\"1\""},
                                                           {"AdapterNumber", "1.5"},
                                                           {"AdapterNumber", "4294967296"},
                                                           {"VendorID", "4660"},
                                                           {"SerialNumber", "null"},
                                                           {"Name", "[\"x\"]"},
                                                           {"DeviceID", "true"}};
    for (const auto& change : changes) {
        SCOPED_TRACE(std::string(change.first) + " = " + (change.second ? change.second : "(dropped)"));
        const CDorvAdapterList adapters =
            Parse(Envelope({Element(0), Element(1).Set(change.first, change.second), Element(2)}));
        ASSERT_EQ(1u, adapters.size());
        EXPECT_EQ("8A3F0C21D94E4B7A9E6155C2F0B13D00", adapters[0].m_UniqueID);
    }
}

TEST_F(DeviceTreeParse, NumbersKeepTheirSignAndTextsEndAtAnEmbeddedZero) {
    Element zeros(3);
    zeros.Set("Name", R"("Dorv\u0000hidden")").Set("SerialNumber", R"("\u0000ABC")");
    const CDorvAdapterList adapters =
        Parse(Envelope({Element(0).Set("AdapterNumber", "-1"), Element(1).Set("AdapterNumber", "-2147483648"),
                        Element(2).Set("AdapterNumber", "2147483647"), zeros}));
    ASSERT_EQ(4u, adapters.size());
    EXPECT_EQ(0xFFFFFFFFFFFFFFFFull, static_cast<std::uint64_t>(adapters[0].m_AdapterNumber));
    EXPECT_EQ(static_cast<std::int64_t>(INT_MIN), adapters[1].m_AdapterNumber);
    EXPECT_EQ(static_cast<std::int64_t>(INT_MAX), adapters[2].m_AdapterNumber);
    EXPECT_EQ(std::string("Dorv"), adapters[3].m_Name);
    EXPECT_EQ("", adapters[3].m_SerialNumber);
    EXPECT_EQ("", adapters[3].m_UniqueID);
}
} // namespace
