// The plugin-interface records: the range rule of property values, logical drives read from XML, and
// equality over the whole record (the plugin's tests show every kind of value).
#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "pi/CObject.h"
#include "pi/COperation.h"
#include "pi/CProperty.h"
#include "tlx/Xml.h"

namespace {
TLX::XML::xml_document parse(const char* text) {
    TLX::XML::xml_document doc;
    EXPECT_TRUE(doc.load_string(text)) << text;
    return doc;
}

// Number, RAID level, stripe size, name, then each container: its number and port/device/size of each drive.
std::string describe(const PI::CLogicalDrive& ld) {
    std::string text = std::to_string(ld.m_Number) + " " + std::to_string(ld.GetRaidLevel()) + " " +
                       std::to_string(ld.m_StripeSize) + " " + ld.m_Name;
    for (const PI::CContainer& c : ld.GetContainers()) {
        text += " [" + std::to_string(c.m_Number);
        for (const PI::CDrive& d : c.m_Drives) {
            text += " " + std::to_string(d.m_PortNumber) + "/" + std::to_string(d.m_DeviceNumber) + "/" +
                    std::to_string(d.m_Size);
        }
        text += "]";
    }
    return text;
}

const char* const kMirror =
    "<LogicalDrive Number=\"0\" RaidLevel=\"40009\" StripeSize=\"40053\" Name=\"LogicalDrive_0\">"
    "<Container Number=\"0\">"
    "<Drive Port=\"0\" Device=\"0\" Size=\"60416\"/>"
    "<Drive Port=\"1\" Device=\"0\" Size=\"60416\"/>"
    "</Container></LogicalDrive>";
} // namespace

// Clamped to [minimum, maximum], then rounded down onto the step grid that starts at the minimum.
TEST(PropertyValue, RangeIsClampedAndSnappedOntoTheGrid) {
    const std::int64_t lowest = std::numeric_limits<std::int64_t>::min();
    const std::int64_t highest = std::numeric_limits<std::int64_t>::max();
    const std::int64_t cases[][5] = {
        // value, minimum, maximum, step, normalized
        {30, 2, 255, 1, 30}, {2, 2, 255, 1, 2},      {255, 2, 255, 1, 255}, {1, 2, 255, 1, 2},
        {-7, 2, 255, 1, 2},  {256, 2, 255, 1, 255},  {14, 2, 100, 5, 12},   {17, 2, 100, 5, 17},
        {6, 2, 100, 5, 2},   {1000, 2, 100, 5, 97},  {-7, -10, 10, 4, -10}, {-3, -10, 10, 4, -6},
        {50, 0, 100, 0, 50}, {150, 0, 100, -3, 100}, {9, 5, 1, 1, 5},       {highest, lowest, highest, 2, highest - 1}};
    for (const auto& c : cases) {
        PI::CProperty p(30005, true);
        p.SetValue(c[0], c[1], c[2], c[3]);
        EXPECT_EQ(c[4], p.GetValueRangeNormalized()) << c[0] << " in " << c[1] << ".." << c[2] << " step " << c[3];
    }
}

TEST(LogicalDriveXml, ReadsDriveAndContainersAndKeepsDefaultsForWhatItCannotRead) {
    EXPECT_EQ("0 40009 40053 LogicalDrive_0 [0 0/0/60416 1/0/60416]", describe(PI::CLogicalDrive(parse(kMirror))));
    EXPECT_EQ("-1 -1 -1 ", describe(PI::CLogicalDrive()));
    EXPECT_EQ(PI::CLogicalDrive(), PI::CLogicalDrive(TLX::XML::xml_document()));
    EXPECT_EQ(PI::CLogicalDrive(), PI::CLogicalDrive(parse("<Adapter Number=\"3\"><Container/></Adapter>")));
    const PI::CLogicalDrive ld(parse("<LogicalDrive RaidLevel=\"RAID-1\" StripeSize=\"12abc\" Number=\"99999999999\">"
                                     "<Container><Drive Port=\"2\" Size=\"-5\"/><Drive/></Container>"
                                     "<Container Number=\"1\"/></LogicalDrive>"));
    EXPECT_EQ("-1 -1 -1  [-1 2/-1/0 -1/-1/0] [1]", describe(ld));
    EXPECT_EQ(PI::CDrive(), ld.GetContainers()[0].m_Drives[1]);
}

// Equality covers every field and the value, down to the carried records: a copy is equal, each change
// to a fresh copy makes it unequal.
TEST(RecordEquality, EachRecordComparesEveryFieldAndTheValue) {
    PI::CProperty ranged(30005, true);
    ranged.SetValue(std::int64_t{10}, 2, 255, 1);
    PI::CProperty text(30007, false);
    text.SetValue("0");
    PI::CLevel level;
    level.m_Level = 40009;
    level.m_StripeSizes = {40049, 40053};
    PI::COperation operation(50003);
    operation.m_Levels = {level};
    operation.m_Events = {PI::CEvent(1, 10132, 2, 0, "adapter")};
    operation.m_LogicalDrives = {PI::CLogicalDrive(parse(kMirror))};
    PI::CObject object;
    object.m_ID = 0x0136000000000001ULL;
    object.m_Parents = {0x0136000000000000ULL};
    object.m_Properties = {ranged, text};
    object.m_Operations = {operation};
    const std::function<void(PI::CObject&)> changes[] = {
        [](auto& b) { b.m_Locked = true; },
        [](auto& b) { b.m_UpdateCounter++; },
        [](auto& b) { b.m_Children.push_back(2); },
        [](auto& b) { b.m_Properties[0].m_Flag = 0; },
        [](auto& b) { b.m_Properties[0].m_StatusDisplay = 24000; },
        [](auto& b) { b.m_Properties[0].SetValue(std::int64_t{10}, 2, 255, 2); },
        [](auto& b) { b.m_Properties[0].SetValue(std::uint64_t{10}); }, // same, not ranged
        [](auto& b) { b.m_Properties[1].SetValue(std::uint64_t{0}); },  // a number, not a text
        [](auto& b) { b.m_Operations[0].m_Flag = true; },
        [](auto& b) { b.m_Operations[0].m_Events[0].SetPlaceHolder1("x"); },
        [](auto& b) { b.m_Operations[0].m_Levels[0].m_StripeSizes.pop_back(); },
        [](auto& b) { b.m_Operations[0].m_LogicalDrives[0].m_Containers[0].m_Drives[1].m_Size = 1; },
        [](auto& b) { b.m_Operations[0].m_LogicalDrives.push_back(PI::CLogicalDrive()); }};
    EXPECT_EQ(object, PI::CObject(object));
    for (std::size_t i = 0; i < std::size(changes); ++i) {
        PI::CObject b = object;
        changes[i](b);
        EXPECT_NE(object, b) << "change " << i;
    }
}
