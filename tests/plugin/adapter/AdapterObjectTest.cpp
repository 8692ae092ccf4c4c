// The adapter as a shown object: properties, operations, comparison, update, lookups and its row.
#include <climits>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AdapterTestSupport.h"
#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvAdapter.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"

using namespace adapter_test;
using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::CDorvAdapterPtrList;
using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;

namespace {
CDorvAdapter ParsedAdapter() {
    const auto adapters = NAMESPACE_piDorv::parseDorv100JSON(Envelope({Element(0)}).c_str());
    return adapters.at(0);
}

class AdapterObject : public EmulatorFixture {
protected:
    std::vector<PI::CProperty> Properties(const CDorvAdapter& a, PI::_PROPERTY_ID id, std::size_t lds = 0,
                                          std::size_t pds = 0) {
        std::vector<CDorvLogicalDrive> logical(lds, CDorvLogicalDrive(nullptr));
        std::vector<CDorvPhysicalDrive> physical(pds);
        std::vector<PI::CProperty> out;
        EXPECT_EQ(0u, a.GetAdapterProperties(out, logical, physical, id));
        return out;
    }
};

// code, sub-property code, position, label, status display
struct Fields {
    int code, subCode, position, label, statusDisplay;
};

TEST_F(AdapterObject, AllPropertiesOfParsedAdapterInTableOrder) {
    const CDorvAdapter a = ParsedAdapter();
    const std::vector<PI::CProperty> props = Properties(a, 1, 1, 2);

    const Fields expected[] = {
        {30007, -1, -1, 23081, -1},   {30003, -1, -1, 23144, -1},    {30063, -1, -1, 23102, -1},
        {30056, -1, 0, -1, -1},       {30158, -1, 0, -1, -1},        {30020, -1, -1, 23051, -1},
        {30022, -1, -1, 23116, -1},   {30120, 35023, -1, 23003, -1}, {30479, 35039, 0, 23134, -1},
        {30037, 35016, 0, 23132, -1}, {30038, 35020, 0, 23133, -1},  {30039, 35022, 0, 23135, -1},
        {30177, -1, -1, 23135, -1},   {30179, -1, -1, 23135, -1},    {30137, -1, 0, -1, -1},
        {30266, -1, -1, 23041, -1},   {30075, 35028, 1, 23138, -1},  {30076, 35025, 1, 23136, -1},
        {30273, 35028, 1, 23138, -1}, {30274, 35025, 1, 23136, -1},  {30277, 35028, 2, 23138, -1},
        {30278, 35025, 2, 23136, -1}, {30017, -1, -1, 23127, 24000},
    };
    ASSERT_EQ(23u, props.size());
    for (std::size_t i = 0; i < props.size(); ++i) {
        const Fields& f = expected[i];
        EXPECT_EQ(f.code, props[i].m_Code) << i;
        EXPECT_EQ(f.subCode, props[i].m_SubCode) << f.code;
        EXPECT_EQ(f.position, props[i].m_Position) << f.code;
        EXPECT_EQ(f.label, props[i].m_Label) << f.code;
        EXPECT_EQ(f.statusDisplay, props[i].m_StatusDisplay) << f.code;
        EXPECT_FALSE(props[i].m_Changeable) << f.code;
        EXPECT_EQ(-1, props[i].m_ExtraText) << f.code;
        EXPECT_EQ(1, props[i].m_Flag) << f.code;
    }

    auto text = [&](std::size_t i) {
        EXPECT_EQ(PI::CProperty::STRING, props[i].Kind()) << props[i].m_Code;
        return props[i].String() ? props[i].String()->text : std::string();
    };
    auto number = [&](std::size_t i) {
        EXPECT_EQ(PI::CProperty::NUMBER_OR_RANGE, props[i].Kind()) << props[i].m_Code;
        return props[i].Number() ? props[i].Number()->value : ~0ull;
    };
    EXPECT_EQ(a.m_Name, text(0));
    EXPECT_EQ(a.m_Vendor, text(1));
    EXPECT_EQ(a.m_Product, text(2));
    EXPECT_EQ("Dorv", text(3));
    ASSERT_NE(nullptr, props[4].Choice());
    EXPECT_EQ(40278, props[4].Choice()->value);
    EXPECT_EQ(std::vector<std::int32_t>{40278}, props[4].Choice()->choices);
    EXPECT_EQ(a.m_FirmwareVersion, text(5));
    EXPECT_EQ(a.m_SerialNumber, text(6));
    EXPECT_EQ(0u, number(7));
    EXPECT_EQ(0u, number(8));
    EXPECT_EQ(0u, number(9));
    EXPECT_EQ(0u, number(10));
    EXPECT_EQ(0u, number(11));
    EXPECT_EQ("0x7A11", text(12));
    EXPECT_EQ("0x0D10", text(13));
    EXPECT_EQ(a.m_UniqueID, text(14));
    EXPECT_EQ("USB", text(15));
    EXPECT_EQ(2u, number(16));
    EXPECT_EQ(1u, number(17));
    EXPECT_EQ(2u, number(18));
    EXPECT_EQ(1u, number(19));
    EXPECT_EQ("2/2", text(20));
    EXPECT_EQ("1/1", text(21));
    ASSERT_NE(nullptr, props[22].Choice());
    EXPECT_EQ(40024, props[22].Choice()->value);
    EXPECT_EQ((std::vector<std::int32_t>{40024, 40150, 40095}), props[22].Choice()->choices);
}

TEST_F(AdapterObject, NumbersAreShownUnsigned) {
    CDorvAdapter a = ParsedAdapter();
    a.m_AdapterNumber = -1;
    a.m_PciBus = 3;
    a.m_PciDevice = 4;
    a.m_PciFunction = 5;
    const auto byCode = [&](PI::_PROPERTY_ID code) {
        const auto props = Properties(a, code);
        EXPECT_EQ(1u, props.size()) << code;
        return props.empty() || !props[0].Number() ? 0ull : props[0].Number()->value;
    };
    EXPECT_EQ(0xFFFFFFFFFFFFFFFFull, byCode(30120));
    EXPECT_EQ(3u, byCode(30037));
    EXPECT_EQ(4u, byCode(30038));
    EXPECT_EQ(5u, byCode(30039));
}

TEST_F(AdapterObject, WithoutDrivesCountsAreZero) {
    const auto props = Properties(ParsedAdapter(), 1);
    ASSERT_EQ(23u, props.size());
    EXPECT_EQ(0u, props[18].Number()->value);
    EXPECT_EQ(0u, props[19].Number()->value);
    EXPECT_EQ("0/2", props[20].String()->text);
    EXPECT_EQ("0/1", props[21].String()->text);
}

TEST_F(AdapterObject, SingleCodesAndConditionalRows) {
    CDorvAdapter a = ParsedAdapter();
    EXPECT_TRUE(Properties(a, 30018).empty());
    EXPECT_TRUE(Properties(a, 30165).empty());
    EXPECT_TRUE(Properties(a, 30999).empty());
    EXPECT_TRUE(Properties(a, 0).empty());

    a.m_DriverVersion = "4.2";
    a.m_AdditionalStatus = {40266};
    const auto driver = Properties(a, 30018);
    ASSERT_EQ(1u, driver.size());
    EXPECT_EQ("4.2", driver[0].String()->text);
    EXPECT_EQ(23042, driver[0].m_Label);

    const auto additional = Properties(a, 30165);
    ASSERT_EQ(1u, additional.size());
    ASSERT_NE(nullptr, additional[0].Lists());
    EXPECT_EQ(std::vector<std::int32_t>{40266}, additional[0].Lists()->values);
    EXPECT_EQ((std::vector<std::int32_t>{40267, 40266}), additional[0].Lists()->allowed);
    EXPECT_EQ(23004, additional[0].m_Label);

    const auto all = Properties(a, 1);
    ASSERT_EQ(25u, all.size());
    EXPECT_EQ(30018, all[16].m_Code);
    EXPECT_EQ(30165, all.back().m_Code);

    const auto logicalCount = Properties(a, 30278, 1);
    ASSERT_EQ(1u, logicalCount.size());
    EXPECT_EQ(PI::CProperty::STRING, logicalCount[0].Kind());
}

TEST_F(AdapterObject, OutputIsEmptiedFirstAndCallIsTraced) {
    SetMask(2);
    const CDorvAdapter a = ParsedAdapter();
    std::vector<PI::CProperty> out(5);
    const std::vector<CDorvLogicalDrive> lds;
    const std::vector<CDorvPhysicalDrive> pds;
    EXPECT_EQ(0u, a.GetAdapterProperties(out, lds, pds, 30007));
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(30007, out[0].m_Code);
    EXPECT_EQ((std::vector<std::string>{"ENTER AdapterGetProperties", "LEAVE AdapterGetProperties -> 0"}),
              m_Trace.Messages("2"));
}

TEST_F(AdapterObject, StatusDisplayNumbers) {
    CDorvAdapter a = ParsedAdapter();
    const std::pair<std::int32_t, std::int32_t> rows[] = {{40095, 24001}, {40150, 24002}, {40024, 24000}, {12, 24000}};
    for (const auto& row : rows) {
        a.m_Status = row.first;
        const auto props = Properties(a, 30017);
        ASSERT_EQ(1u, props.size());
        EXPECT_EQ(row.second, props[0].m_StatusDisplay) << row.first;
        EXPECT_EQ(row.first, props[0].Choice()->value);
    }
}

TEST_F(AdapterObject, NoPropertyCanBeSet) {
    CDorvAdapter a = ParsedAdapter();
    const CDorvAdapter before = a;
    PI::CProperty name(30007, true);
    name.SetValue("renamed");
    EXPECT_EQ(20004u, a.SetAdapterProperty(name));
    EXPECT_EQ(before.m_Name, a.m_Name);
}

// Equality ------------------------------------------------------------------------------------------

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
    CDorvAdapter stored = ParsedAdapter();
    stored.m_ID = 0x0136000000000001ull;
    stored.m_Parents = {0x0136000000000000ull};
    stored.m_UpdateCounter = 3;

    // as the scan cycle hands it over: the stored record with the raised count, and the new device data
    CDorvAdapter scanned = ParsedAdapter();
    static_cast<PI::CObject&>(scanned) = static_cast<const PI::CObject&>(stored);
    scanned.m_UpdateCounter = 4;
    scanned.m_Name = "Renamed (0)";
    scanned.m_VendorID = "0x9999";
    scanned.m_GlobalAdapterNumber = 7;
    scanned.m_AdapterNumber = -5;
    scanned.m_AdditionalStatus = {40266};
    scanned.m_Flag = true;
    ASSERT_TRUE(stored.Unequal(scanned));

    stored.Update(scanned);
    EXPECT_EQ(0x0136000000000001ull, stored.m_ID);
    EXPECT_EQ(std::vector<std::uint64_t>{0x0136000000000000ull}, stored.m_Parents);
    EXPECT_EQ(4u, stored.m_UpdateCounter);
    EXPECT_EQ("Renamed (0)", stored.m_Name);
    EXPECT_EQ("0x9999", stored.m_VendorID);
    EXPECT_EQ(7u, stored.m_GlobalAdapterNumber);
    EXPECT_EQ(-5, stored.m_AdapterNumber);
    EXPECT_EQ(std::vector<std::int32_t>{40266}, stored.m_AdditionalStatus);
    EXPECT_TRUE(stored.m_Flag);
    EXPECT_FALSE(stored.Unequal(scanned));
}

TEST_F(AdapterObject, UpdateCopiesEveryOwnMember) {
    CDorvAdapter source = ParsedAdapter();
    source.m_ID = 9;
    source.PI::CObject::m_Type = 19037;
    source.m_DriverVersion = "d";
    source.m_PciBus = 1;
    source.m_PciDevice = 2;
    source.m_PciFunction = 3;
    source.m_DeviceID = "0x0001";
    source.m_Status = 40150;
    source.m_StatusWord2 = 7;
    CDorvAdapter target;
    target.Update(source);
    EXPECT_TRUE(target == source);
    EXPECT_EQ(source.m_AdapterNumber, target.m_AdapterNumber);
    EXPECT_EQ(source.m_VendorID, target.m_VendorID);
    EXPECT_EQ(source.m_DeviceID, target.m_DeviceID);
    EXPECT_EQ(source.m_GlobalAdapterNumber, target.m_GlobalAdapterNumber);
}

TEST_F(AdapterObject, AdapterIdMatchNeedsASetLastNumber) {
    CDorvAdapter a;
    PI::CAdapterID id("x", 0, 0, 0);
    EXPECT_FALSE(a == id);
    id.m_Last = 0;
    EXPECT_TRUE(a == id);

    a.m_PciBus = 0x100000005ll; // only the low 32 bits take part
    a.m_PciDevice = 2;
    a.m_PciFunction = 1;
    PI::CAdapterID located("x", 5, 2, 1);
    located.m_Last = 7;
    EXPECT_TRUE(a == located);
    located.m_Function = 0;
    EXPECT_FALSE(a == located);
}

TEST_F(AdapterObject, LookupsReturnTheFirstMatch) {
    CDorvAdapterPtrList list;
    for (int i = 0; i < 3; ++i) {
        auto a = std::make_shared<CDorvAdapter>();
        a->m_ID = 0x10 + i;
        a->m_UniqueID = i == 2 ? "A" : (i == 0 ? "A" : "B");
        a->m_PciBus = i;
        list.push_back(a);
    }
    const CDorvAdapterPtrList& constList = list;

    EXPECT_EQ(list[1], NAMESPACE_piDorv::findAdapter(constList, 0x11));
    EXPECT_EQ(list[2], NAMESPACE_piDorv::findMutableAdapter(list, 0x12));
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findAdapter(constList, 0x13));
    EXPECT_EQ(list[0], NAMESPACE_piDorv::findAdapterById(constList, "A"));
    EXPECT_EQ(list[1], NAMESPACE_piDorv::findMutableAdapterById(list, "B"));
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findMutableAdapterById(list, "a"));
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findAdapterById(constList, std::string("A\0", 2)));

    PI::CAdapterID id("", 2, 0, 0);
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findAdapter(constList, id));
    id.m_Last = 1;
    EXPECT_EQ(list[2], NAMESPACE_piDorv::findMutableAdapter(list, id));
    EXPECT_EQ(list[2], NAMESPACE_piDorv::findAdapter(constList, id));

    CDorvAdapterPtrList withGap = {nullptr, list[0]};
    EXPECT_EQ(list[0], NAMESPACE_piDorv::findMutableAdapter(withGap, 0x10));
}

// Operations ----------------------------------------------------------------------------------------

TEST_F(AdapterObject, OperationsReplaceWhatTheListHeld) {
    const CDorvAdapter a = ParsedAdapter();
    std::vector<PI::COperation> ops = {PI::COperation(50000), PI::COperation(50001), PI::COperation(50002)};
    EXPECT_EQ(0u, a.GetAdapterOperations(ops));
    ASSERT_EQ(2u, ops.size());

    struct Row {
        int code, kind, block[6];
    };
    const Row rows[] = {{50007, 1, {2, 1, 1, 1, -1, 1}}, {50003, 4, {1, 1, 1, 1, 0, 1}}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(rows[i].code, ops[i].m_Code);
        EXPECT_EQ(rows[i].code, ops[i].m_Code2);
        EXPECT_EQ(rows[i].kind, ops[i].m_Kind);
        for (int b = 0; b < 6; ++b) {
            EXPECT_EQ(rows[i].block[b], ops[i].m_Block[b]) << rows[i].code << " block " << b + 1;
        }
        EXPECT_FALSE(ops[i].m_Flag);
    }
}

TEST_F(AdapterObject, CheckAcceptsEveryOperation) {
    SetMask(2);
    const CDorvAdapter a = ParsedAdapter();
    PI::COperation op(12345);
    EXPECT_EQ(0u, a.CheckAdapterOperation(op));
    EXPECT_EQ(
        (std::vector<std::string>{"ENTER CheckAdapterOperation operation=12345", "LEAVE CheckAdapterOperation -> 0"}),
        m_Trace.Messages("2"));
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
    EXPECT_EQ(0x0136000000000001ull, e.m_SourceID);
    EXPECT_EQ(10132, e.m_Code);
    EXPECT_EQ(2, e.m_Code2);
    EXPECT_GT(e.m_Time, 0);
    EXPECT_EQ(a.m_Name, e.m_SourceName);
    EXPECT_EQ(a.m_Name, e.m_PlaceHolder1);
    EXPECT_EQ("", e.m_PlaceHolder2);
    EXPECT_EQ(
        (std::vector<std::string>{"ENTER ExecuteAdapterOperation(50007)", "LEAVE AdapterExecuteOperation() -> 0"}),
        m_Trace.Messages("2"));
}

TEST_F(AdapterObject, ScanConfigurationWithoutCallbackThrows) {
    CDorvAdapter a = ParsedAdapter();
    PI::COperation op(50007);
    EXPECT_THROW(a.ExecuteAdapterOperation(op, nullptr), std::bad_function_call);
}

TEST_F(AdapterObject, UnknownOperationIsRefusedWithoutNotify) {
    SetMask(16 | 2);
    CDorvAdapter a = ParsedAdapter();
    int calls = 0;
    PI::COperation op(50000);
    EXPECT_EQ(20005u, a.ExecuteAdapterOperation(op, [&](const PI::CEvent&) { ++calls; }));
    EXPECT_EQ(0, calls);
    EXPECT_EQ(std::vector<std::string>{"ExecuteAdapterOperation() OpCode(50000)"}, m_Trace.Messages("10"));
    EXPECT_EQ("LEAVE AdapterExecuteOperation() -> 20005", m_Trace.Messages("2").back());
}

TEST_F(AdapterObject, RaidLevelInformationFillsTheOperation) {
    CDorvAdapter a = ParsedAdapter();
    int calls = 0;
    PI::COperation op(50003);
    op.m_Levels.resize(3);
    EXPECT_EQ(0u, a.ExecuteAdapterOperation(op, [&](const PI::CEvent&) { ++calls; }));
    EXPECT_EQ(0, calls);
    ASSERT_EQ(1u, op.m_Levels.size());
    EXPECT_EQ(40009, op.m_Levels[0].m_Level);
}

// Database row --------------------------------------------------------------------------------------

TEST_F(AdapterObject, DatabaseRowMemberByMember) {
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

    EXPECT_EQ(std::vector<std::string>{"ENTER SetDatabaseObjectProperties (Adapter)"}, m_Trace.Messages("2"));
    EXPECT_EQ(3, row.PciBus);
    EXPECT_EQ(0, row.m39);
    EXPECT_EQ(0, row.m40);
    EXPECT_EQ(4, row.PciDevice);
    EXPECT_EQ("0x0D10", row.DeviceID);
    EXPECT_EQ("USB", row.DriverName);
    EXPECT_EQ("NULL", row.DriverVersion);
    EXPECT_EQ("1.5 (LPC), 1.7 (FX3S)", row.FirmwareVersion);
    EXPECT_EQ(5, row.PciFunction);
    EXPECT_EQ(6, row.GlobalAdapterNumber);
    EXPECT_EQ("LINUX_MD", row.HardwareType);
    EXPECT_EQ("localhost", row.HostName);
    EXPECT_EQ(0x0136000000000001ul, row.ObjectID);
    EXPECT_EQ(2, row.MaxPhysicalDevices);
    EXPECT_EQ(1, row.MaxLogicalDrives);
    EXPECT_EQ("Dorv100 Dual SD (0)", row.Name);
    EXPECT_EQ("Dorv100 Dual SD", row.Product);
    EXPECT_EQ(std::vector<std::string>{"SD"}, row.DeviceTypes);
    EXPECT_EQ(0, row.PciSegment);
    EXPECT_EQ("8A3F0C21D94E4B7A9E6155C2F0B13D00", row.SerialNumber);
    EXPECT_EQ("OK", row.Status);
    EXPECT_EQ("Dorv", row.Type);
    EXPECT_EQ("8A3F0C21D94E4B7A9E6155C2F0B13D00", row.UniqueID);
    EXPECT_EQ("0x7A11", row.VendorID);
    // reset first; the row key and everything not written stay at their defaults
    EXPECT_EQ("NULL", row.m1);
    EXPECT_EQ(INT_MIN, row.ID);
    EXPECT_EQ(-1, row.m71);
    EXPECT_EQ(ULONG_MAX, row.m146);

    a.m_DriverVersion = "5.1";
    a.SetDatabaseObjectProperties(row);
    EXPECT_EQ("5.1", row.DriverVersion);
}

TEST_F(AdapterObject, DatabaseStatusText) {
    CDorvAdapter a = ParsedAdapter();
    const std::pair<std::int32_t, const char*> rows[] = {
        {40095, "FAILED"}, {40150, "WARNING"}, {40024, "OK"}, {40094, "OK"}, {0, "OK"}};
    for (const auto& row : rows) {
        a.m_Status = row.first;
        RaidDataModels::Adapter model;
        a.SetDatabaseObjectProperties(model);
        EXPECT_EQ(row.second, model.Status) << row.first;
    }
}
} // namespace
