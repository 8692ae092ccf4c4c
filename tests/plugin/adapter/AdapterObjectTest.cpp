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
using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;
using test_support::Describe;
using Texts = std::vector<std::string>;

namespace {
const std::string SERIAL = "8A3F0C21D94E4B7A9E6155C2F0B13D00";

CDorvAdapter ParsedAdapter() {
    return NAMESPACE_piDorv::parseDorv100JSON(Envelope({Element(0)}).c_str()).at(0);
}

class AdapterObject : public EmulatorFixture {
protected:
    std::vector<PI::CProperty> Properties(const CDorvAdapter& a, PI::_PROPERTY_ID id, std::size_t lds = 0,
                                          std::size_t pds = 0) {
        std::vector<CDorvLogicalDrive> logical(lds, CDorvLogicalDrive(nullptr));
        std::vector<CDorvPhysicalDrive> physical(pds);
        std::vector<PI::CProperty> out(2); // emptied first
        EXPECT_EQ(0u, a.GetAdapterProperties(out, logical, physical, id));
        return out;
    }
};

TEST_F(AdapterObject, AllPropertiesInTableOrder) {
    CDorvAdapter a = ParsedAdapter();
    a.m_DriverVersion = "4.2";
    a.m_AdditionalStatus = {40266};
    a.m_AdapterNumber = -1; // shown unsigned
    a.m_PciBus = 3;
    a.m_PciDevice = 4;
    a.m_PciFunction = 5;
    Texts expected = {
        "30007 label=23081 'Dorv100 Dual SD (0)'",
        "30003 label=23144 'Kelto'",
        "30063 label=23102 'Dorv100 Dual SD'",
        "30056 pos=0 'Dorv'",
        "30158 pos=0 40278 of {40278}",
        "30020 label=23051 '1.5 (LPC), 1.7 (FX3S)'",
        "30022 label=23116 '" + SERIAL + "'",
        "30120 sub=35023 label=23003 #18446744073709551615",
        "30479 sub=35039 pos=0 label=23134 #0",
        "30037 sub=35016 pos=0 label=23132 #3",
        "30038 sub=35020 pos=0 label=23133 #4",
        "30039 sub=35022 pos=0 label=23135 #5",
        "30177 label=23135 '0x7A11'",
        "30179 label=23135 '0x0D10'",
        "30137 pos=0 '" + SERIAL + "'",
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
    EXPECT_EQ(expected, Describe(Properties(a, 1, 1, 2)));
    // One code alone gives its row only.
    EXPECT_EQ(Texts{expected[7]}, Describe(Properties(a, 30120)));
    EXPECT_EQ(Texts{expected[22]}, Describe(Properties(a, 30278, 1)));

    // The driver version and the additional status only when set; without drives the counts are zero.
    a = ParsedAdapter();
    for (PI::_PROPERTY_ID absent : {30018, 30165, 30999, 0}) {
        EXPECT_TRUE(Properties(a, absent).empty()) << absent;
    }
    const Texts plain = Describe(Properties(a, 1));
    ASSERT_EQ(23u, plain.size());
    EXPECT_EQ((Texts{"30273 sub=35028 pos=1 label=23138 #0", "30274 sub=35025 pos=1 label=23136 #0",
                     "30277 sub=35028 pos=2 label=23138 '0/2'", "30278 sub=35025 pos=2 label=23136 '0/1'"}),
              Texts(plain.begin() + 18, plain.begin() + 22));
}

TEST_F(AdapterObject, StatusDisplayNumbersAndStatusRowText) {
    CDorvAdapter a = ParsedAdapter();
    const std::tuple<std::int32_t, std::int32_t, const char*> rows[] = {{40095, 24001, "FAILED"},
                                                                        {40150, 24002, "WARNING"},
                                                                        {40024, 24000, "OK"},
                                                                        {40094, 24000, "OK"},
                                                                        {12, 24000, "OK"}};
    for (const auto& [status, display, text] : rows) {
        a.m_Status = status;
        const auto props = Properties(a, 30017);
        ASSERT_EQ(1u, props.size());
        EXPECT_EQ(display, props[0].m_StatusDisplay) << status;
        EXPECT_EQ(status, props[0].Choice()->value);
        RaidDataModels::Adapter model;
        a.SetDatabaseObjectProperties(model);
        EXPECT_EQ(text, model.Status) << status;
    }
}

TEST_F(AdapterObject, PropertiesAndChecksAreTracedAndNothingCanBeSet) {
    SetMask(2);
    CDorvAdapter a = ParsedAdapter();
    Properties(a, 30007);
    PI::COperation op(12345);
    EXPECT_EQ(0u, a.CheckAdapterOperation(op)); // every operation passes the check
    EXPECT_EQ((Texts{"ENTER AdapterGetProperties", "LEAVE AdapterGetProperties -> 0",
                     "ENTER CheckAdapterOperation operation=12345", "LEAVE CheckAdapterOperation -> 0"}),
              m_Trace.Messages("2"));

    const CDorvAdapter before = a;
    PI::CProperty name(30007, true);
    name.SetValue("renamed");
    EXPECT_EQ(20004u, a.SetAdapterProperty(name));
    EXPECT_TRUE(before == a);
}

// Equality and update ------------------------------------------------------------------------------

TEST_F(AdapterObject, EqualityIgnoresNumbersAndUsbIds) {
    const CDorvAdapter a = ParsedAdapter();
    CDorvAdapter b = a;
    b.m_GlobalAdapterNumber = 9;
    b.m_AdapterNumber = 4;
    b.m_VendorID = "0x0000";
    b.m_DeviceID = "0xFFFF";
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a.Equal(b));
    EXPECT_FALSE(a != b);
    EXPECT_FALSE(a.Unequal(b));
}

TEST_F(AdapterObject, EveryComparedMemberMakesADifference) {
    const std::vector<std::pair<const char*, std::function<void(CDorvAdapter&)>>> changes = {
        {"identifier", [](CDorvAdapter& x) { x.m_ID = 0x0136000000000001ull; }},
        {"object type", [](CDorvAdapter& x) { x.PI::CObject::m_Type = 19037; }},
        {"parents", [](CDorvAdapter& x) { x.m_Parents.push_back(0x0136000000000000ull); }},
        {"update counter", [](CDorvAdapter& x) { x.m_UpdateCounter = 1; }},
        {"locked", [](CDorvAdapter& x) { x.m_Locked = true; }},
        {"properties", [](CDorvAdapter& x) { x.m_Properties.emplace_back(30007, false); }},
        {"operations", [](CDorvAdapter& x) { x.m_Operations.emplace_back(50007); }},
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
    const CDorvAdapter a = ParsedAdapter();
    for (const auto& change : changes) {
        CDorvAdapter b = a;
        change.second(b);
        EXPECT_FALSE(a == b) << change.first;
        EXPECT_TRUE(a.Unequal(b)) << change.first;
        EXPECT_TRUE(b != a) << change.first;
    }
}

TEST_F(AdapterObject, UpdateTakesTheWholeOtherAdapter) {
    // As the scan cycle hands it over: the stored record with the raised count, and the new device data,
    // the members left out of the comparison included.
    CDorvAdapter stored = ParsedAdapter();
    stored.m_ID = 0x0136000000000001ull;
    stored.m_Parents = {0x0136000000000000ull};
    stored.m_UpdateCounter = 3;
    CDorvAdapter scanned = ParsedAdapter();
    static_cast<PI::CObject&>(scanned) = static_cast<const PI::CObject&>(stored);
    scanned.m_UpdateCounter = 4;
    scanned.m_Name = "Renamed (0)";
    scanned.m_VendorID = "0x9999";
    scanned.m_DeviceID = "0x0001";
    scanned.m_GlobalAdapterNumber = 7;
    scanned.m_AdapterNumber = -5;
    scanned.m_DriverVersion = "d";
    scanned.m_PciBus = 1;
    scanned.m_Status = 40150;
    scanned.m_AdditionalStatus = {40266};
    scanned.m_Flag = true;
    ASSERT_TRUE(stored.Unequal(scanned));

    stored.Update(scanned);
    EXPECT_TRUE(stored == scanned);
    EXPECT_EQ(0x0136000000000001ull, stored.m_ID);
    EXPECT_EQ(std::vector<std::uint64_t>{0x0136000000000000ull}, stored.m_Parents);
    EXPECT_EQ(
        std::make_tuple(std::string("0x9999"), std::string("0x0001"), 7ul, -5l),
        std::make_tuple(stored.m_VendorID, stored.m_DeviceID, stored.m_GlobalAdapterNumber, stored.m_AdapterNumber));
}

// Lookups ------------------------------------------------------------------------------------------

TEST_F(AdapterObject, LookupsReturnTheFirstMatch) {
    CDorvAdapterPtrList list;
    for (int i = 0; i < 3; ++i) {
        list.push_back(std::make_shared<CDorvAdapter>());
        list[i]->m_ID = 0x10 + i;
        list[i]->m_UniqueID = i == 1 ? "B" : "A";
        list[i]->m_PciBus = 0x100000000ll + i; // only the low 32 bits take part
        list[i]->m_PciDevice = 2;
    }
    const CDorvAdapterPtrList& constList = list;
    using namespace NAMESPACE_piDorv;
    EXPECT_EQ(list[1], findAdapter(constList, 0x11));
    EXPECT_EQ(list[2], findMutableAdapter(list, 0x12));
    EXPECT_EQ(nullptr, findAdapter(constList, 0x13));
    EXPECT_EQ(list[0], findAdapterById(constList, "A"));
    EXPECT_EQ(list[1], findMutableAdapterById(list, "B"));
    EXPECT_EQ(nullptr, findMutableAdapterById(list, "a"));
    EXPECT_EQ(nullptr, findAdapterById(constList, std::string("A\0", 2)));
    CDorvAdapterPtrList withGap = {nullptr, list[0]};
    EXPECT_EQ(list[0], findMutableAdapter(withGap, 0x10));

    // A location matches only once its last number is set.
    PI::CAdapterID id("", 2, 2, 0);
    EXPECT_EQ(nullptr, findAdapter(constList, id));
    id.m_Last = 1;
    EXPECT_EQ(list[2], findMutableAdapter(list, id));
    EXPECT_EQ(list[2], findAdapter(constList, id));
    id.m_Function = 1;
    EXPECT_EQ(nullptr, findAdapter(constList, id));
}

// Operations ---------------------------------------------------------------------------------------

TEST_F(AdapterObject, OperationsReplaceWhatTheListHeld) {
    std::vector<PI::COperation> ops = {PI::COperation(50000), PI::COperation(50001), PI::COperation(50002)};
    EXPECT_EQ(0u, ParsedAdapter().GetAdapterOperations(ops));
    EXPECT_EQ((Texts{"50007 kind=1 block={2,1,1,1,-1,1}", "50003 kind=4 block={1,1,1,1,0,1}"}), Describe(ops));
}

TEST_F(AdapterObject, ScanConfigurationNotifiesOnce) {
    SetMask(2);
    CDorvAdapter a = ParsedAdapter();
    a.m_ID = 0x0136000000000001ull;
    std::vector<PI::CEvent> events;
    PI::COperation op(50007);
    EXPECT_EQ(0u, a.ExecuteAdapterOperation(op, [&](const PI::CEvent& e) { events.push_back(e); }));
    ASSERT_EQ(1u, events.size());
    const PI::CEvent& e = events[0];
    EXPECT_EQ(std::make_tuple(0x0136000000000001ul, 10132, 2), std::make_tuple(e.m_SourceID, e.m_Code, e.m_Code2));
    EXPECT_GT(e.m_Time, 0);
    EXPECT_EQ(std::make_tuple(a.m_Name, a.m_Name, std::string()),
              std::make_tuple(e.m_SourceName, e.m_PlaceHolder1, e.m_PlaceHolder2));
    EXPECT_EQ((Texts{"ENTER ExecuteAdapterOperation(50007)", "LEAVE AdapterExecuteOperation() -> 0"}),
              m_Trace.Messages("2"));
    EXPECT_THROW(a.ExecuteAdapterOperation(op, nullptr), std::bad_function_call);
}

TEST_F(AdapterObject, OtherOperationsDoNotNotify) {
    SetMask(16 | 2);
    CDorvAdapter a = ParsedAdapter();
    int calls = 0;
    const auto count = [&](const PI::CEvent&) { ++calls; };
    PI::COperation unknown(50000);
    EXPECT_EQ(20005u, a.ExecuteAdapterOperation(unknown, count));
    EXPECT_EQ(Texts{"ExecuteAdapterOperation() OpCode(50000)"}, m_Trace.Messages("10"));
    EXPECT_EQ("LEAVE AdapterExecuteOperation() -> 20005", m_Trace.Messages("2").back());

    PI::COperation levels(50003);
    levels.m_Levels.resize(3);
    EXPECT_EQ(0u, a.ExecuteAdapterOperation(levels, count));
    ASSERT_EQ(1u, levels.m_Levels.size());
    EXPECT_EQ(40009, levels.m_Levels[0].m_Level);
    EXPECT_EQ(0, calls);
}

// Database row -------------------------------------------------------------------------------------

TEST_F(AdapterObject, DatabaseRowValues) {
    SetMask(2);
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

    EXPECT_EQ(Texts{"ENTER SetDatabaseObjectProperties (Adapter)"}, m_Trace.Messages("2"));
    EXPECT_EQ(std::make_tuple(3, 4, 5, 6, 0, 0, 0, 0x0136000000000001ul, 2, 1),
              std::make_tuple(row.PciBus, row.PciDevice, row.PciFunction, row.GlobalAdapterNumber, row.PciSegment,
                              row.m39, row.m40, row.ObjectID, row.MaxPhysicalDevices, row.MaxLogicalDrives));
    const Texts texts = {row.DeviceID, row.DriverName, row.DriverVersion, row.FirmwareVersion, row.HardwareType,
                         row.HostName, row.Name,       row.Product,       row.SerialNumber,    row.Status,
                         row.Type,     row.UniqueID,   row.VendorID};
    EXPECT_EQ((Texts{"0x0D10", "USB", "NULL", "1.5 (LPC), 1.7 (FX3S)", "LINUX_MD", "localhost", "Dorv100 Dual SD (0)",
                     "Dorv100 Dual SD", SERIAL, "OK", "Dorv", SERIAL, "0x7A11"}),
              texts);
    EXPECT_EQ(std::vector<std::string>{"SD"}, row.DeviceTypes);
    // reset first; the row key and everything not written stay at their defaults
    EXPECT_EQ(std::make_tuple(std::string("NULL"), INT_MIN, -1, ULONG_MAX),
              std::make_tuple(row.m1, row.ID, row.m71, row.m146));

    a.m_DriverVersion = "5.1";
    a.SetDatabaseObjectProperties(row);
    EXPECT_EQ("5.1", row.DriverVersion);
}
} // namespace
