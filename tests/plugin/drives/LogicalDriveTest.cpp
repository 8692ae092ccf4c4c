// The logical drive as a shown object: properties, operations, comparison, update and lookup.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "piDorv/Src/piDorvAdapter.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "support/ObjectText.h"
#include "support/TraceCapture.h"

using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::CDorvLogicalDrive;
using test_support::Describe;
using test_support::TraceCapture;
using Texts = std::vector<std::string>;

namespace {
std::shared_ptr<CDorvAdapter> adapterWithId(const std::string& uniqueId) {
    auto adapter = std::make_shared<CDorvAdapter>();
    adapter->m_UniqueID = uniqueId;
    return adapter;
}

TLX::XML::xml_document documentOf(const char* text) {
    TLX::XML::xml_document doc;
    EXPECT_TRUE(doc.load_string(text));
    return doc;
}

CDorvLogicalDrive mirror() {
    CDorvLogicalDrive ld(adapterWithId("DORV-A"));
    ld.m_Number = 0;
    ld.m_Name = "md0";
    ld.m_UniqueID = "LD-0";
    ld.m_LogicalSize = 1ull << 30;
    ld.m_PhysicalSize = 1ull << 31;
    ld.m_RaidLevel = 40009;
    ld.m_StripeSize = 40053;
    ld.m_Configuration = documentOf("<LogicalDrive Number=\"0\" RaidLevel=\"40009\"/>");
    return ld;
}

Texts propertiesOf(const CDorvLogicalDrive& ld, PI::_PROPERTY_ID id) {
    std::vector<PI::CProperty> out(3); // emptied first
    EXPECT_EQ(0u, ld.GetLogicalDriveProperties(out, id));
    return Describe(out);
}
} // namespace

TEST(LogicalDriveProperties, AllRowsWithTheirFields) {
    EXPECT_EQ((Texts{"30007 label=23239 ''", "30126 label=23240 #18446744073709551615", "30137 pos=0 ''",
                     "30045 sub=35044 label=23251 -1 of {40009}", "30090 label=23237 extra=21002 #0",
                     "30059 label=23242 extra=21002 #0", "30054 label=23222 40102 of {40102,40103,40096,40025}",
                     "30017 label=23249 sd=24054 40093 of {40093,40094,40095}", "30496 pos=0 xml"}),
              propertiesOf(CDorvLogicalDrive(nullptr), 1));
    EXPECT_EQ((Texts{"30007 label=23239 'md0'", "30126 label=23240 #0", "30137 pos=0 'LD-0'",
                     "30045 sub=35044 label=23251 40009 of {40009}",
                     "30046 label=23250 40053 of {40049,40050,40051,40052,40053,40054}",
                     "30090 label=23237 extra=21002 #524288", "30059 label=23242 extra=21002 #2097152",
                     "30247 label=23241 'md0'", "30054 label=23222 40102 of {40102,40103,40096,40025}",
                     "30017 label=23249 sd=24054 40093 of {40093,40094,40095}", "30496 pos=0 xml"}),
              propertiesOf(mirror(), 1));
    std::vector<PI::CProperty> out;
    mirror().GetLogicalDriveProperties(out, 30496);
    ASSERT_EQ(1u, out.size());
    EXPECT_NE(std::string::npos, out[0].Xml()->xml.find("RaidLevel=\"40009\""));
}

TEST(LogicalDriveProperties, ConditionalRowsAndSizes) {
    CDorvLogicalDrive ld = mirror();
    EXPECT_TRUE(propertiesOf(ld, 30099).empty());
    // The stripe size only for striped or mirrored levels.
    ld.m_RaidLevel = 40007;
    EXPECT_EQ(1u, propertiesOf(ld, 30046).size());
    for (std::int32_t level : {40021, 40014, -1}) {
        ld.m_RaidLevel = level;
        EXPECT_TRUE(propertiesOf(ld, 30046).empty()) << level;
        const Texts all = propertiesOf(ld, 1);
        EXPECT_TRUE(std::none_of(all.begin(), all.end(), [](const std::string& p) { return p.find("30046") == 0; }));
    }
    // The OS device only with a name.
    ld.m_Name.clear();
    EXPECT_TRUE(propertiesOf(ld, 30247).empty());
    // The logical size counts 2048-byte units, the physical size 1024-byte units.
    ld.m_LogicalSize = 4096;
    ld.m_PhysicalSize = 4096;
    EXPECT_EQ(Texts{"30090 label=23237 extra=21002 #2"}, propertiesOf(ld, 30090));
    EXPECT_EQ(Texts{"30059 label=23242 extra=21002 #4"}, propertiesOf(ld, 30059));
    ld.m_LogicalSize = 2047;
    EXPECT_EQ(Texts{"30090 label=23237 extra=21002 #0"}, propertiesOf(ld, 30090));
}

TEST(LogicalDriveProperties, StatusDisplayAndDetailLine) {
    CDorvLogicalDrive ld = mirror();
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {40093, 24054}, {40094, 24063}, {40095, 24050}, {40023, 24054}};
    for (const auto& c : cases) {
        ld.m_Status = c.first;
        EXPECT_EQ(Texts{"30017 label=23249 sd=" + std::to_string(c.second) + " " + std::to_string(c.first) +
                        " of {40093,40094,40095}"},
                  propertiesOf(ld, 30017));
    }
    // The status line is written whatever the asked property.
    ld.m_Number = 4;
    ld.m_Status = 40094;
    for (PI::_PROPERTY_ID id : {1, 30007, 30099}) {
        TraceCapture trace(2 | 4);
        propertiesOf(ld, id);
        EXPECT_EQ((Texts{"ENTER GetLogicalDriveProperties(4)", "Zul GetLogicalDriveProperties() object.m_Status=40094",
                         "LEAVE GetLogicalDriveProperties() -> 0"}),
                  trace.Messages())
            << id;
    }
    TraceCapture detailsOnly(4);
    propertiesOf(ld, 1);
    EXPECT_EQ(Texts{"Zul GetLogicalDriveProperties() object.m_Status=40094"}, detailsOnly.Messages());
}

TEST(LogicalDriveOperations, OfferCheckAndExecute) {
    CDorvLogicalDrive ld = mirror();
    ld.m_Number = 3;
    std::vector<PI::COperation> ops(2, PI::COperation(50003));
    EXPECT_EQ(0u, ld.GetLogicalDriveOperations(ops));
    EXPECT_EQ(Texts{"50005 kind=3 block={1,1,1,1,0,1}"}, Describe(ops));
    PI::CProperty p(30007, true);
    EXPECT_EQ(20004u, ld.SetLogicalDriveProperty(p));

    TraceCapture trace(2);
    PI::COperation op(50005);
    op.m_LogicalDrives.resize(2);
    op.m_LogicalDrives[0].m_Name = "stale";
    EXPECT_EQ(20005u, ld.CheckLogicalDriveOperation(op));
    EXPECT_EQ(0u, ld.ExecuteLogicalDriveOperation(op));
    ASSERT_EQ(1u, op.m_LogicalDrives.size());
    EXPECT_EQ(40009, op.m_LogicalDrives[0].GetRaidLevel());
    EXPECT_EQ("", op.m_LogicalDrives[0].m_Name);

    PI::COperation other(50003);
    other.m_LogicalDrives.resize(2);
    EXPECT_EQ(20005u, ld.ExecuteLogicalDriveOperation(other));
    EXPECT_EQ(2u, other.m_LogicalDrives.size());
    EXPECT_EQ((Texts{"ENTER CheckLogicalDriveOperation(3/50005)", "LEAVE CheckLogicalDriveOperation() -> 20005",
                     "ENTER ExecuteLogicalDriveOperation(3, 50005)", "LEAVE ExecuteLogicalDriveOperation() -> 0",
                     "ENTER ExecuteLogicalDriveOperation(3, 50003)", "LEAVE ExecuteLogicalDriveOperation() -> 20005"}),
              trace.Messages());
}

TEST(LogicalDriveCompare, EveryComparedMemberCountsAndUpdateTakesIt) {
    const std::vector<std::function<void(CDorvLogicalDrive&)>> changes = {
        [](CDorvLogicalDrive& d) { d.m_Number = 9; },
        [](CDorvLogicalDrive& d) { d.m_AuxNumber2 = 9; },
        [](CDorvLogicalDrive& d) { d.m_Name += "x"; },
        [](CDorvLogicalDrive& d) { d.m_UniqueID += "x"; },
        [](CDorvLogicalDrive& d) { d.m_LogicalSize += 1; },
        [](CDorvLogicalDrive& d) { d.m_PhysicalSize += 1; },
        [](CDorvLogicalDrive& d) { d.m_RaidLevel = 40007; },
        [](CDorvLogicalDrive& d) { d.m_StripeSize = 40049; },
        [](CDorvLogicalDrive& d) { d.m_Status = 40094; },
        [](CDorvLogicalDrive& d) { d.m_Activity = 40096; },
        [](CDorvLogicalDrive& d) { d.m_AuxState = 9; },
        [](CDorvLogicalDrive& d) {
            d.m_Configuration = documentOf("<LogicalDrive Number=\"0\" RaidLevel=\"40007\"/>");
        },
    };
    const CDorvLogicalDrive base = mirror();
    for (std::size_t i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE(i);
        CDorvLogicalDrive other = base;
        changes[i](other);
        EXPECT_FALSE(base.Equal(other));
        EXPECT_TRUE(base.Unequal(other));
        EXPECT_TRUE(base != other);
        CDorvLogicalDrive copy = base;
        copy.Update(other);
        EXPECT_TRUE(copy.Equal(other));
    }
}

TEST(LogicalDriveCompare, AdapterAndBaseRecordAreNotCompared) {
    const CDorvLogicalDrive a = mirror();
    CDorvLogicalDrive b = a;
    b.m_Adapter = adapterWithId("OTHER");
    b.m_ID = 0x0136000000000007ull;
    b.m_UpdateCounter = 12;
    EXPECT_TRUE(a.Equal(b));
    EXPECT_FALSE(a.Unequal(b));
    EXPECT_FALSE(a == b) << "operator== also compares the base record";
    b = a;
    b.m_Adapter = nullptr;
    EXPECT_TRUE(a == b);

    // Configurations compare by their text: the same document written differently is equal.
    b.m_Configuration = documentOf("<LogicalDrive   Number='0'  RaidLevel='40009'></LogicalDrive>");
    EXPECT_TRUE(a.Equal(b));
    b.m_Configuration = documentOf("<LogicalDrive Number=\"0\" RaidLevel=\"40009\"><Container/></LogicalDrive>");
    EXPECT_FALSE(a.Equal(b));
    b.m_Configuration.reset();
    EXPECT_FALSE(a.Equal(b));
}

TEST(LogicalDriveUpdate, KeepsIdentityAndAdapterAndCountsOnce) {
    CDorvLogicalDrive current = mirror();
    current.m_ID = 0x0136000000000003ull;
    current.m_Parents = {0x0136000000000002ull};
    current.m_UpdateCounter = 5;
    const std::shared_ptr<CDorvAdapter> adapter = current.m_Adapter;

    CDorvLogicalDrive scanned(adapterWithId("DORV-A"));
    scanned.m_ID = 0x0136000000000010ull;
    scanned.m_UpdateCounter = 40;
    scanned.m_Number = 0;
    scanned.m_Name = "md1";
    scanned.m_Status = 40094;
    scanned.m_Configuration = documentOf(
        "<LogicalDrive Number=\"0\" RaidLevel=\"40009\"><Container Number=\"0\"><Drive Port=\"0\" Device=\"0\"/>"
        "</Container></LogicalDrive>");

    current.Update(scanned);
    EXPECT_EQ(0x0136000000000003ull, current.m_ID);
    EXPECT_EQ(std::vector<std::uint64_t>{0x0136000000000002ull}, current.m_Parents);
    EXPECT_EQ(6u, current.m_UpdateCounter);
    EXPECT_EQ(adapter, current.m_Adapter);
    EXPECT_TRUE(current.Equal(scanned));
    EXPECT_TRUE(TLX::Misc::xmlcompare(current.m_Configuration, scanned.m_Configuration));

    // The configuration is a copy, not shared; updating from itself keeps it.
    scanned.m_Configuration.reset();
    current.Update(current);
    EXPECT_FALSE(current.m_Configuration.empty());
    EXPECT_EQ(7u, current.m_UpdateCounter);

    // A drive without configuration passes that on too.
    current.Update(CDorvLogicalDrive(nullptr));
    EXPECT_TRUE(current.m_Configuration.empty());
    EXPECT_EQ(-1, current.m_Number);
}

TEST(LogicalDriveLookup, ByAdapterUniqueIdAndNumber) {
    using NAMESPACE_piDorv::findLogicalDriveBy;
    std::vector<CDorvLogicalDrive> list;
    EXPECT_EQ(nullptr, findLogicalDriveBy(list, CDorvAdapter(), 0));
    // The first is not yet tied to an adapter: skipped.
    const std::pair<const char*, int> drives[] = {
        {nullptr, 0}, {"DORV-A", 0}, {"DORV-A", 1}, {"DORV-B", 1}, {"DORV-A", 1}};
    for (const auto& d : drives) {
        list.emplace_back(d.first ? adapterWithId(d.first) : nullptr);
        list.back().m_Number = d.second;
    }
    // A different adapter object with the same unique id names the same drives.
    CDorvAdapter a;
    a.m_UniqueID = "DORV-A";
    EXPECT_EQ(&list[1], findLogicalDriveBy(list, a, 0));
    EXPECT_EQ(&list[2], findLogicalDriveBy(list, a, 1));
    EXPECT_EQ(nullptr, findLogicalDriveBy(list, a, 2));

    a.m_UniqueID = "DORV-B";
    CDorvLogicalDrive* found = NAMESPACE_piDorv::findMutableLogicalDriveBy(list, a, 1);
    ASSERT_EQ(&list[3], found);
    found->m_Name = "changed";
    EXPECT_EQ("changed", list[3].m_Name);

    a.m_UniqueID = "DORV";
    EXPECT_EQ(nullptr, findLogicalDriveBy(list, a, 0));
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findMutableLogicalDriveBy(list, CDorvAdapter(), 0));
}
