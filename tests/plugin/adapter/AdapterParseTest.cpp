// The device-tree answer turned into adapters: what is read, and what stays when an answer is unreadable.
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "AdapterTestSupport.h"
#include "piDorv/Src/piDorvAdapter.h"
#include "support/SmallStack.h"

using namespace adapter_test;
using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::parseDorv100JSON;

namespace {
std::size_t Count(const std::string& answer) {
    return parseDorv100JSON(answer.c_str()).size();
}

TEST(DeviceTreeParse, FullAnswerGivesItsAdaptersInOrder) {
    const auto adapters = parseDorv100JSON(
        Envelope(Tree({Element(0), Element(1, {{"AdapterNumber", "-1"}, {"Name", R"("Dorv\u0000hidden")"}})})).c_str());
    ASSERT_EQ(2u, adapters.size());
    CDorvAdapter expected; // every member not read keeps its default
    expected.PI::CObject::m_Type = 19051;
    expected.m_Type = "Dorv";
    expected.m_Name = "Dorv100 Dual SD (0)";
    expected.m_UniqueID = expected.m_SerialNumber = Serial(0);
    expected.m_Product = "Dorv100 Dual SD";
    expected.m_Vendor = "Kelto";
    expected.m_FirmwareVersion = "1.5 (LPC), 1.7 (FX3S)";
    expected.m_Status = 40024;
    expected.m_StatusWord2 = 1;
    const CDorvAdapter& a = adapters[0];
    EXPECT_TRUE(expected == a);
    EXPECT_EQ(std::make_tuple("0x7A11", "0x0D10", 0l, 0u), // left out of the comparison
              std::make_tuple(a.m_VendorID, a.m_DeviceID, a.m_AdapterNumber, a.m_GlobalAdapterNumber));
    // a number keeps its sign, a text ends at a zero
    EXPECT_EQ(std::make_tuple(0xFFFFFFFFFFFFFFFFull, "Dorv", Serial(1)),
              std::make_tuple(std::uint64_t(adapters[1].m_AdapterNumber), adapters[1].m_Name, adapters[1].m_UniqueID));
    // The answer's status and operation code are not looked at.
    EXPECT_EQ(1u, Count(Envelope(Tree({Element(0)}), 9, 1234)));
}

TEST(DeviceTreeParse, UnreadableAnswersGiveNoAdapter) {
    const std::string tree = Tree({Element(0)});
    const std::string texts[] = {
        "",
        "garbage{",
        R"({"PIS":{"V":1,"CMD":[]}})",
        R"({"SIP":{"V":1,"CMD":{"OC":8624}}})",
        R"({"SIP":{"V":1,"CMD":[]}})",
        R"({"SIP":{"V":1,"CMD":[5]}})",
        R"({"SIP":{"V":1,"CMD":[{"OC":8624,"ST":0}]}})",
        Envelope("{\"TavrinStorageDeviceTree\":"),
        Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":{}}})"),
        Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":[]}})"),
        Envelope(R"({"TavrinStorageDeviceTree":{"Adapter":["x"]}})"),
        Envelope(tree.substr(0, 30) + std::string(1, '\0') + tree.substr(30)), // a zero inside "DA"
        // nesting as deep as a whole answer buffer can hold, read by a thread with a small stack
        std::string(64000, '['),
        Envelope(std::string(63900, '[')),
    };
    const test_support::TraceCapture trace(0xFFFFFFFFu); // every record written on the way
    test_support::RunOnSmallStack([&] {
        for (const std::string& text : texts) {
            EXPECT_EQ(0u, Count(text)) << text.substr(0, 80);
        }
    });
    EXPECT_TRUE(parseDorv100JSON(nullptr).empty());
}

// An element is taken only when all eight members were read: a missing or mistyped one ends the list.
TEST(DeviceTreeParse, ElementLackingAMemberOrOfWrongTypeEndsTheList) {
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
                                                           {"Name", "[\"x\"]"}};
    for (const auto& [member, value] : changes) {
        const auto adapters =
            parseDorv100JSON(Envelope(Tree({Element(0), Element(1, {{member, value}}), Element(2)})).c_str());
        ASSERT_EQ(1u, adapters.size()) << member << " = " << (value ? value : "(dropped)");
        EXPECT_EQ(Serial(0), adapters[0].m_UniqueID);
    }
}

} // namespace
