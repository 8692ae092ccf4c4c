#include <gtest/gtest.h>

#include "pi/CObject.h"
#include "pi/COperation.h"
#include "tlx/Xml.h"

namespace {
TLX::XML::xml_document parse(const char* text) {
    TLX::XML::xml_document doc;
    EXPECT_TRUE(doc.load_string(text)) << text;
    return doc;
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

TEST(LogicalDriveXml, EmptyOrForeignDocumentGivesEmptyRecord) {
    const PI::CLogicalDrive empty{TLX::XML::xml_document()};
    EXPECT_EQ(PI::CLogicalDrive(), empty);
    EXPECT_EQ(-1, empty.GetRaidLevel());
    EXPECT_TRUE(empty.GetContainers().empty());

    EXPECT_EQ(PI::CLogicalDrive(), PI::CLogicalDrive(parse("<Adapter Number=\"3\"><Container/></Adapter>")));
}

TEST(LogicalDriveXml, MissingOrMalformedAttributesKeepDefaults) {
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
    EXPECT_EQ(2, ld.GetContainers()[0].m_Drives[0].m_PortNumber);
    EXPECT_EQ(-1, ld.GetContainers()[0].m_Drives[0].m_DeviceNumber);
    EXPECT_EQ(0u, ld.GetContainers()[0].m_Drives[0].m_Size);
    EXPECT_EQ(PI::CDrive(), ld.GetContainers()[0].m_Drives[1]);
    EXPECT_EQ(1, ld.GetContainers()[1].m_Number);
    EXPECT_TRUE(ld.GetContainers()[1].m_Drives.empty());
}

TEST(LogicalDriveXml, EqualityCoversTheContainers) {
    const PI::CLogicalDrive a(parse(kMirror));
    PI::CLogicalDrive b = a;
    EXPECT_EQ(a, b);
    b.m_Containers[0].m_Drives[1].m_Size = 1;
    EXPECT_NE(a, b);
    b = a;
    b.m_Name = "other";
    EXPECT_NE(a, b);
}

TEST(RecordEquality, LevelComparesEveryField) {
    PI::CLevel a;
    a.m_Level = 40009;
    a.m_StripeSizes = {40049, 40053};
    a.m_DefaultStripeSize = 40053;
    a.m_MinDrives = 2;
    a.m_MaxDrives = 2;
    PI::CLevel b = a;
    EXPECT_EQ(a, b);
    b.m_Reserved6 = 1;
    EXPECT_NE(a, b);
    b = a;
    b.m_TextNumber = 5;
    EXPECT_NE(a, b);
    b = a;
    b.m_StripeSizes.pop_back();
    EXPECT_NE(a, b);
}

TEST(RecordEquality, OperationComparesBlockAndCarriedRecords) {
    PI::COperation a(50003);
    EXPECT_EQ(50003, a.m_Code2);
    a.m_Kind = 4;
    a.m_Block[4] = -1;
    a.m_Levels.push_back(PI::CLevel());
    a.m_Events.push_back(PI::CEvent(1, 10132, 2, 0, "adapter"));
    PI::COperation b = a;
    EXPECT_EQ(a, b);

    b.m_Block[5] = 7;
    EXPECT_NE(a, b);
    b = a;
    b.m_Events[0].SetPlaceHolder1("x");
    EXPECT_NE(a, b);
    b = a;
    b.m_LogicalDrives.push_back(PI::CLogicalDrive());
    EXPECT_NE(a, b);
    b = a;
    b.m_Result = 20005;
    EXPECT_NE(a, b);
    b = a;
    b.m_Code2 = 1;
    EXPECT_NE(a, b);
}

TEST(RecordEquality, ObjectComparesTheWholeRecord) {
    PI::CObject a;
    a.m_ID = 0x0136000000000001ULL;
    a.m_Type = 19037;
    a.m_Parents = {0x0136000000000000ULL};
    PI::CProperty name(30007, false);
    name.SetValue("Dorv100");
    a.m_Properties.push_back(name);
    a.m_Operations.push_back(PI::COperation(50007));
    PI::CObject b = a;
    EXPECT_EQ(a, b);

    b.m_Locked = true;
    EXPECT_NE(a, b);
    b = a;
    b.m_UpdateCounter++;
    EXPECT_NE(a, b);
    b = a;
    b.m_Children.push_back(2);
    EXPECT_NE(a, b);
    b = a;
    b.m_Properties[0].SetValue("other");
    EXPECT_NE(a, b);
    b = a;
    b.m_Operations[0].m_Flag = true;
    EXPECT_NE(a, b);
}
