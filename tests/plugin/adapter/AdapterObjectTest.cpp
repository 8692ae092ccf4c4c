// The adapter as a shown object: properties, operations, comparison, update, lookups and its row.
#include <climits>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "AdapterTestSupport.h"
#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvAdapter.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"
#include "support/ObjectText.h"

using namespace adapter_test;
using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::CDorvAdapterPtrList;
using test_support::Describe;

namespace {
CDorvAdapter ParsedAdapter() {
    return NAMESPACE_piDorv::parseDorv100JSON(Envelope(Tree({Element(0)})).c_str()).at(0);
}

Lines Properties(const CDorvAdapter& a, PI::_PROPERTY_ID id, std::size_t lds = 0, std::size_t pds = 0) {
    const std::vector<NAMESPACE_piDorv::CDorvLogicalDrive> logical(lds, NAMESPACE_piDorv::CDorvLogicalDrive(nullptr));
    const std::vector<NAMESPACE_piDorv::CDorvPhysicalDrive> physical(pds);
    std::vector<PI::CProperty> out(2); // emptied first
    EXPECT_EQ(0u, a.GetAdapterProperties(out, logical, physical, id));
    return Describe(out);
}

TEST(AdapterObject, PropertiesInTableOrder) {
    CDorvAdapter a = ParsedAdapter();
    a.m_DriverVersion = "4.2";
    a.m_AdditionalStatus = {40266};
    a.m_AdapterNumber = -1; // shown unsigned
    a.m_PciBus = 3;
    a.m_PciDevice = 4;
    a.m_PciFunction = 5;
    const Lines expected = {
        "30007 label=23081 'Dorv100 Dual SD (0)'",
        "30003 label=23144 'Kelto'",
        "30063 label=23102 'Dorv100 Dual SD'",
        "30056 pos=0 'Dorv'",
        "30158 pos=0 40278 of {40278}",
        "30020 label=23051 '1.5 (LPC), 1.7 (FX3S)'",
        "30022 label=23116 '" + Serial(0) + "'",
        "30120 sub=35023 label=23003 #18446744073709551615",
        "30479 sub=35039 pos=0 label=23134 #0",
        "30037 sub=35016 pos=0 label=23132 #3",
        "30038 sub=35020 pos=0 label=23133 #4",
        "30039 sub=35022 pos=0 label=23135 #5",
        "30177 label=23135 '0x7A11'",
        "30179 label=23135 '0x0D10'",
        "30137 pos=0 '" + Serial(0) + "'",
        "30266 label=23041 'USB'",
        "30018 label=23042 '4.2'",
        "30075 sub=35028 pos=1 label=23138 #2",
        "30076 sub=35025 pos=1 label=23136 #1",
        "30273 sub=35028 pos=1 label=23138 #2",
        "30274 sub=35025 pos=1 label=23136 #1",
        "30277 sub=35028 pos=2 label=23138 '2/2'",
        "30278 sub=35025 pos=2 label=23136 '1/1'",
        "30017 label=23127 sd=24000 40024 of {40024,40150,40095}",
        "30165 label=23004 {40266} of {40267,40266}",
    };
    EXPECT_EQ(expected, Properties(a, 1, 1, 2));
    EXPECT_EQ(Lines{expected[7]}, Properties(a, 30120)); // one code gives its row only
    EXPECT_EQ(Lines{expected[22]}, Properties(a, 30278, 1));

    // The driver version and the additional status only when set; without drives the counts are zero.
    a = ParsedAdapter();
    for (PI::_PROPERTY_ID absent : {30018, 30165, 30999, 0}) {
        EXPECT_TRUE(Properties(a, absent).empty()) << absent;
    }
    const Lines plain = Properties(a, 1);
    ASSERT_EQ(23u, plain.size());
    EXPECT_EQ((Lines{"30273 sub=35028 pos=1 label=23138 #0", "30274 sub=35025 pos=1 label=23136 #0",
                     "30277 sub=35028 pos=2 label=23138 '0/2'", "30278 sub=35025 pos=2 label=23136 '0/1'"}),
              Lines(plain.begin() + 18, plain.begin() + 22));

    PI::CProperty name(30007, true);
    name.SetValue("renamed");
    EXPECT_EQ(20004u, a.SetAdapterProperty(name)); // nothing can be set
    EXPECT_TRUE(ParsedAdapter() == a);
}

TEST(AdapterObject, StatusShownAndStored) {
    const std::tuple<std::int32_t, const char*, const char*> rows[] = {{40095, "sd=24001 40095", "FAILED"},
                                                                       {40150, "sd=24002 40150", "WARNING"},
                                                                       {40024, "sd=24000 40024", "OK"},
                                                                       {12, "sd=24000 12", "OK"}};
    for (const auto& [status, shown, stored] : rows) {
        CDorvAdapter a = ParsedAdapter();
        a.m_Status = status;
        EXPECT_EQ(Lines{"30017 label=23127 " + std::string(shown) + " of {40024,40150,40095}"}, Properties(a, 30017));
        RaidDataModels::Adapter row;
        a.SetDatabaseObjectProperties(row);
        EXPECT_EQ(stored, row.Status);
    }
}

// Equality and update ------------------------------------------------------------------------------

TEST(AdapterObject, EqualityComparesAllButNumbersAndUsbIds) {
    const CDorvAdapter a = ParsedAdapter();
    CDorvAdapter b = a;
    b.m_GlobalAdapterNumber = 9;
    b.m_AdapterNumber = 4;
    b.m_VendorID = "0x0000";
    b.m_DeviceID = "0xFFFF";
    EXPECT_TRUE(a == b && a.Equal(b) && !(a != b) && !a.Unequal(b));

    const std::pair<const char*, std::function<void(CDorvAdapter&)>> changes[] = {
        {"object record", [](CDorvAdapter& x) { x.m_ID = 0x0136000000000001ull; }},
        {"type", [](CDorvAdapter& x) { x.m_Type = "Dorw"; }},
        {"name", [](CDorvAdapter& x) { x.m_Name += " "; }},
        {"unique id", [](CDorvAdapter& x) { x.m_UniqueID = "1"; }},
        {"firmware", [](CDorvAdapter& x) { x.m_FirmwareVersion = "1.6"; }},
        {"product", [](CDorvAdapter& x) { x.m_Product.clear(); }},
        {"vendor", [](CDorvAdapter& x) { x.m_Vendor = "kelto"; }},
        {"serial", [](CDorvAdapter& x) { x.m_SerialNumber.push_back('\0'); }},
        {"driver version", [](CDorvAdapter& x) { x.m_DriverVersion = "1"; }},
        {"pci bus", [](CDorvAdapter& x) { x.m_PciBus = 1; }},
        {"pci device", [](CDorvAdapter& x) { x.m_PciDevice = 1; }},
        {"pci function", [](CDorvAdapter& x) { x.m_PciFunction = 1; }},
        {"status", [](CDorvAdapter& x) { x.m_Status = 40095; }},
        {"status word 2", [](CDorvAdapter& x) { x.m_StatusWord2 = 2; }},
        {"additional status", [](CDorvAdapter& x) { x.m_AdditionalStatus.push_back(40267); }},
        {"flag", [](CDorvAdapter& x) { x.m_Flag = true; }},
    };
    for (const auto& [what, change] : changes) {
        CDorvAdapter c = a;
        change(c);
        EXPECT_TRUE(!(a == c) && a.Unequal(c) && c != a && !c.Equal(a)) << what;
    }
}

// The scan cycle hands over the stored record with the raised count and the new device data.
TEST(AdapterObject, UpdateTakesTheWholeOtherAdapter) {
    CDorvAdapter stored = ParsedAdapter();
    CDorvAdapter scanned = ParsedAdapter();
    scanned.m_ID = 0x0136000000000001ull;
    scanned.m_Name = "Renamed (0)";
    scanned.m_VendorID = "0x9999";
    scanned.m_GlobalAdapterNumber = 7;
    stored.Update(scanned);
    EXPECT_TRUE(stored == scanned); // the update counter included
    EXPECT_EQ(std::make_tuple("0x9999", 7u), std::make_tuple(stored.m_VendorID, stored.m_GlobalAdapterNumber));
}

TEST(AdapterObject, LookupsReturnTheFirstMatch) {
    CDorvAdapterPtrList list = {nullptr}; // an empty entry is passed over
    for (int i = 0; i < 3; ++i) {
        list.push_back(std::make_shared<CDorvAdapter>());
        list.back()->m_ID = 0x10 + i;
        list.back()->m_UniqueID = i == 1 ? "B" : "A";
        list.back()->m_PciBus = 0x100000000ll + i; // only the low 32 bits take part
        list.back()->m_PciDevice = 2;
    }
    const CDorvAdapterPtrList& constList = list;
    using namespace NAMESPACE_piDorv;
    EXPECT_EQ(list[2], findAdapter(constList, 0x11));
    EXPECT_EQ(list[3], findMutableAdapter(list, 0x12));
    EXPECT_EQ(nullptr, findAdapter(constList, 0x13));
    EXPECT_EQ(list[1], findAdapterById(constList, "A"));
    EXPECT_EQ(list[2], findMutableAdapterById(list, "B"));
    EXPECT_EQ(nullptr, findAdapterById(constList, std::string("A\0", 2)));
    // A location matches only once its last number is set.
    PI::CAdapterID id("", 2, 2, 0);
    EXPECT_EQ(nullptr, findAdapter(constList, id));
    id.m_Last = 1;
    EXPECT_EQ(list[3], findMutableAdapter(list, id));
    EXPECT_EQ(list[3], findAdapter(constList, id));
    id.m_Function = 1;
    EXPECT_EQ(nullptr, findAdapter(constList, id));
}

// Operations ---------------------------------------------------------------------------------------

TEST(AdapterObject, OperationsReplaceWhatTheListHeld) {
    std::vector<PI::COperation> ops = {PI::COperation(50000), PI::COperation(50001), PI::COperation(50002)};
    EXPECT_EQ(0u, ParsedAdapter().GetAdapterOperations(ops));
    EXPECT_EQ((Lines{"50007 kind=1 block={2,1,1,1,-1,1}", "50003 kind=4 block={1,1,1,1,0,1}"}), Describe(ops));
}

TEST(AdapterObject, OnlyScanConfigurationNotifies) {
    CDorvAdapter a = ParsedAdapter();
    a.m_ID = 0x0136000000000001ull;
    std::vector<PI::CEvent> events;
    const auto collect = [&](const PI::CEvent& e) { events.push_back(e); };
    PI::COperation scan(50007);
    a.ExecuteAdapterOperation(scan, collect);
    ASSERT_EQ(1u, events.size());
    const PI::CEvent& e = events[0];
    EXPECT_EQ(std::make_tuple(0x0136000000000001ul, 10132, 2), std::make_tuple(e.m_SourceID, e.m_Code, e.m_Code2));
    EXPECT_GT(e.m_Time, 0);
    EXPECT_EQ(std::make_tuple(a.m_Name, a.m_Name, std::string()),
              std::make_tuple(e.m_SourceName, e.m_PlaceHolder1, e.m_PlaceHolder2));
    EXPECT_THROW(a.ExecuteAdapterOperation(scan, nullptr), std::bad_function_call);

    PI::COperation unknown(50000);
    a.ExecuteAdapterOperation(unknown, collect);
    PI::COperation levels(50003);
    levels.m_Levels.resize(3);
    EXPECT_EQ(0u, a.ExecuteAdapterOperation(levels, collect));
    ASSERT_EQ(1u, levels.m_Levels.size());
    EXPECT_EQ(40009, levels.m_Levels[0].m_Level);
    EXPECT_EQ(1u, events.size());
}

TEST(AdapterObject, DatabaseRowValues) {
    CDorvAdapter a = ParsedAdapter();
    a.m_ID = 0x0136000000000001ull;
    a.m_GlobalAdapterNumber = 6;
    a.m_PciBus = 0x100000003ll;
    a.m_PciDevice = 4;
    a.m_PciFunction = 5;
    RaidDataModels::Adapter row;
    row.m1 = "left over";
    row.DriverVersion = "old";
    row.ID = 42;
    a.SetDatabaseObjectProperties(row);
    EXPECT_EQ(std::make_tuple(3, 4, 5, 6, 0, 0, 0, 0x0136000000000001ul, 2, 1),
              std::make_tuple(row.PciBus, row.PciDevice, row.PciFunction, row.GlobalAdapterNumber, row.PciSegment,
                              row.m39, row.m40, row.ObjectID, row.MaxPhysicalDevices, row.MaxLogicalDrives));
    EXPECT_EQ((Lines{"0x0D10", "USB", "NULL", "1.5 (LPC), 1.7 (FX3S)", "LINUX_MD", "localhost", "Dorv100 Dual SD (0)",
                     "Dorv100 Dual SD", Serial(0), "OK", "Dorv", Serial(0), "0x7A11", "SD"}),
              (Lines{row.DeviceID, row.DriverName, row.DriverVersion, row.FirmwareVersion, row.HardwareType,
                     row.HostName, row.Name, row.Product, row.SerialNumber, row.Status, row.Type, row.UniqueID,
                     row.VendorID, row.DeviceTypes.at(0)}));
    // reset first; the row key and everything not written stay at their defaults
    EXPECT_EQ(std::make_tuple(std::string("NULL"), INT_MIN, -1, ULONG_MAX, 1ul),
              std::make_tuple(row.m1, row.ID, row.m71, row.m146, row.DeviceTypes.size()));
    a.m_DriverVersion = "5.1";
    a.SetDatabaseObjectProperties(row);
    EXPECT_EQ("5.1", row.DriverVersion);
}
} // namespace
