#include <gtest/gtest.h>

#include <functional>

#include "pi/CObject.h"
#include "pi/COperation.h"
#include "tlx/Xml.h"

namespace {
TLX::XML::xml_document parse(const char* text) {
    TLX::XML::xml_document doc;
    EXPECT_TRUE(doc.load_string(text)) << text;
    return doc;
}

// A copy of `a` equals it; each change to a fresh copy makes it unequal.
template <class T> void expectEachChangeSeen(const T& a, const std::vector<std::function<void(T&)>>& changes) {
    EXPECT_EQ(a, T(a));
    for (std::size_t i = 0; i < changes.size(); ++i) {
        T b = a;
        changes[i](b);
        EXPECT_NE(a, b) << "change " << i;
    }
}

const char* const kMirror =
    "<LogicalDrive Number=\"0\" RaidLevel=\"40009\" StripeSize=\"40053\" Name=\"LogicalDrive_0\">"
    "<Container Number=\"0\">"
    "<Drive Port=\"0\" Device=\"0\" Size=\"60416\"/>"
    "<Drive Port=\"1\" Device=\"0\" Size=\"60416\"/>"
    "</Container></LogicalDrive>";
} // namespace

TEST(LogicalDriveXml, ReadsDriveAndContainers) {
    const PI::CLogicalDrive ld(parse(kMirror));
    EXPECT_EQ(0, ld.m_Number);
    EXPECT_EQ(40009, ld.GetRaidLevel());
    EXPECT_EQ(40053, ld.m_StripeSize);
    EXPECT_EQ("LogicalDrive_0", ld.m_Name);
    ASSERT_EQ(1u, ld.GetContainers().size());
    const PI::CContainer& c = ld.GetContainers()[0];
    EXPECT_EQ(0, c.m_Number);
    ASSERT_EQ(2u, c.m_Drives.size());
    EXPECT_EQ(0, c.m_Drives[0].m_PortNumber);
    EXPECT_EQ(1, c.m_Drives[1].m_PortNumber);
    EXPECT_EQ(0, c.m_Drives[1].m_DeviceNumber);
    EXPECT_EQ(60416u, c.m_Drives[1].m_Size);
}

TEST(LogicalDriveXml, EmptyForeignOrMalformedInputKeepsDefaults) {
    EXPECT_EQ(PI::CLogicalDrive(), PI::CLogicalDrive(TLX::XML::xml_document()));
    EXPECT_EQ(-1, PI::CLogicalDrive().GetRaidLevel());
    EXPECT_EQ(PI::CLogicalDrive(), PI::CLogicalDrive(parse("<Adapter Number=\"3\"><Container/></Adapter>")));

    const PI::CLogicalDrive ld(parse("<LogicalDrive RaidLevel=\"RAID-1\" StripeSize=\"12abc\" Number=\"99999999999\">"
                                     "<Container><Drive Port=\"2\" Size=\"-5\"/><Drive/></Container>"
                                     "<Container Number=\"1\"/></LogicalDrive>"));
    EXPECT_EQ(-1, ld.m_Number);
    EXPECT_EQ(-1, ld.m_RaidLevel);
    EXPECT_EQ(-1, ld.m_StripeSize);
    EXPECT_EQ("", ld.m_Name);
    ASSERT_EQ(2u, ld.GetContainers().size());
    EXPECT_EQ(-1, ld.GetContainers()[0].m_Number);
    ASSERT_EQ(2u, ld.GetContainers()[0].m_Drives.size());
    const PI::CDrive& drive = ld.GetContainers()[0].m_Drives[0];
    EXPECT_EQ(2, drive.m_PortNumber);
    EXPECT_EQ(-1, drive.m_DeviceNumber);
    EXPECT_EQ(0u, drive.m_Size);
    EXPECT_EQ(PI::CDrive(), ld.GetContainers()[0].m_Drives[1]);
    EXPECT_EQ(1, ld.GetContainers()[1].m_Number);
    EXPECT_TRUE(ld.GetContainers()[1].m_Drives.empty());
}

// Equality covers every field and the value, down to the carried records.
TEST(RecordEquality, PropertyComparesEveryFieldAndTheValue) {
    PI::CProperty a(30005, true);
    a.SetValue(std::int64_t{10}, 2, 255, 1);
    a.m_Label = 23335;
    expectEachChangeSeen<PI::CProperty>(a, {[](auto& b) { b.m_Flag = 0; }, [](auto& b) { b.m_StatusDisplay = 24000; },
                                            [](auto& b) { b.m_Changeable = false; },
                                            [](auto& b) { b.SetValue(std::int64_t{10}, 2, 255, 2); },
                                            [](auto& b) { b.SetValue(std::uint64_t{10}); }}); // same, not ranged
    PI::CProperty text(30007, false), number(30007, false);
    text.SetValue("0");
    number.SetValue(std::uint64_t{0});
    EXPECT_NE(text, number);
}

TEST(RecordEquality, DriveLevelOperationAndObjectCompareTheWholeRecord) {
    const PI::CLogicalDrive ld(parse(kMirror));
    expectEachChangeSeen<PI::CLogicalDrive>(
        ld, {[](auto& b) { b.m_Containers[0].m_Drives[1].m_Size = 1; }, [](auto& b) { b.m_Name = "other"; }});

    PI::CLevel level;
    level.m_Level = 40009;
    level.m_StripeSizes = {40049, 40053};
    expectEachChangeSeen<PI::CLevel>(level, {[](auto& b) { b.m_Reserved6 = 1; }, [](auto& b) { b.m_TextNumber = 5; },
                                             [](auto& b) { b.m_StripeSizes.pop_back(); }});

    PI::COperation operation(50003);
    EXPECT_EQ(50003, operation.m_Code2);
    operation.m_Levels.push_back(level);
    operation.m_Events.push_back(PI::CEvent(1, 10132, 2, 0, "adapter"));
    expectEachChangeSeen<PI::COperation>(
        operation, {[](auto& b) { b.m_Block[5] = 7; }, [](auto& b) { b.m_Events[0].SetPlaceHolder1("x"); },
                    [](auto& b) { b.m_LogicalDrives.push_back(PI::CLogicalDrive()); },
                    [](auto& b) { b.m_Result = 20005; }, [](auto& b) { b.m_Code2 = 1; }});

    PI::CObject object;
    object.m_ID = 0x0136000000000001ULL;
    object.m_Parents = {0x0136000000000000ULL};
    object.m_Properties.push_back(PI::CProperty(30007, false));
    object.m_Operations.push_back(PI::COperation(50007));
    expectEachChangeSeen<PI::CObject>(object, {[](auto& b) { b.m_Locked = true; }, [](auto& b) { b.m_UpdateCounter++; },
                                               [](auto& b) { b.m_Children.push_back(2); },
                                               [](auto& b) { b.m_Properties[0].SetValue("other"); },
                                               [](auto& b) { b.m_Operations[0].m_Flag = true; }});
}
