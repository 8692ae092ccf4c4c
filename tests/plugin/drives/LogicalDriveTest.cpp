#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "TraceCapture.h"
#include "piDorv/Src/piDorvAdapter.h"
#include "piDorv/Src/piDorvLogicalDrive.h"

using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::CDorvLogicalDrive;

namespace {
std::shared_ptr<CDorvAdapter> adapterWithId(const std::string& uniqueId) {
    auto adapter = std::make_shared<CDorvAdapter>();
    adapter->m_UniqueID = uniqueId;
    return adapter;
}

std::vector<PI::_PROPERTY_ID> codesOf(const std::vector<PI::CProperty>& list) {
    std::vector<PI::_PROPERTY_ID> codes;
    for (const PI::CProperty& p : list) {
        codes.push_back(p.m_Code);
    }
    return codes;
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
} // namespace

TEST(LogicalDriveProperties, InitialDriveShowsNine) {
    const CDorvLogicalDrive ld(nullptr);
    std::vector<PI::CProperty> out;
    ASSERT_EQ(0u, ld.GetLogicalDriveProperties(out, 1));
    EXPECT_EQ((std::vector<PI::_PROPERTY_ID>{30007, 30126, 30137, 30045, 30090, 30059, 30054, 30017, 30496}),
              codesOf(out));
    ASSERT_EQ(9u, out.size());
    EXPECT_EQ(18446744073709551615ull, out[1].Number()->value);
    EXPECT_EQ(-1, out[3].Choice()->value);
    EXPECT_EQ(std::vector<std::int32_t>{40009}, out[3].Choice()->choices);
    EXPECT_EQ(35044, out[3].m_SubCode);
    EXPECT_EQ(40102, out[6].Choice()->value);
    EXPECT_EQ((std::vector<std::int32_t>{40102, 40103, 40096, 40025}), out[6].Choice()->choices);
    EXPECT_EQ(40093, out[7].Choice()->value);
    EXPECT_EQ((std::vector<std::int32_t>{40093, 40094, 40095}), out[7].Choice()->choices);
    EXPECT_EQ(24054, out[7].m_StatusDisplay);
    ASSERT_NE(nullptr, out[8].Xml());
    EXPECT_EQ(0, out[8].m_Position);
}

TEST(LogicalDriveProperties, AllRowsWithTheirFields) {
    const CDorvLogicalDrive ld = mirror();
    std::vector<PI::CProperty> out;
    ld.GetLogicalDriveProperties(out, 1);
    ASSERT_EQ(
        (std::vector<PI::_PROPERTY_ID>{30007, 30126, 30137, 30045, 30046, 30090, 30059, 30247, 30054, 30017, 30496}),
        codesOf(out));
    const std::int32_t labels[] = {23239, 23240, -1, 23251, 23250, 23237, 23242, 23241, 23222, 23249, -1};
    const std::int32_t positions[] = {-1, -1, 0, -1, -1, -1, -1, -1, -1, -1, 0};
    const std::int32_t extras[] = {-1, -1, -1, -1, -1, 21002, 21002, -1, -1, -1, -1};
    for (std::size_t i = 0; i < out.size(); ++i) {
        SCOPED_TRACE(out[i].m_Code);
        EXPECT_FALSE(out[i].m_Changeable);
        EXPECT_EQ(labels[i], out[i].m_Label);
        EXPECT_EQ(positions[i], out[i].m_Position);
        EXPECT_EQ(extras[i], out[i].m_ExtraText);
    }
    EXPECT_EQ("md0", out[0].String()->text);
    EXPECT_EQ(0u, out[1].Number()->value);
    EXPECT_EQ("LD-0", out[2].String()->text);
    EXPECT_EQ("md0", out[7].String()->text);
    EXPECT_NE(std::string::npos, out[10].Xml()->xml.find("RaidLevel=\"40009\""));
}

TEST(LogicalDriveProperties, NameAddsOsDevice) {
    CDorvLogicalDrive ld(nullptr);
    ld.m_Name = "md127";
    std::vector<PI::CProperty> out;
    ld.GetLogicalDriveProperties(out, 1);
    ASSERT_EQ(10u, out.size());
    EXPECT_EQ(30247, out[6].m_Code);

    ld.m_Name.clear();
    ld.GetLogicalDriveProperties(out, 30247);
    EXPECT_TRUE(out.empty());
}

TEST(LogicalDriveProperties, StripeSizeOnlyForStripedOrMirroredLevels) {
    CDorvLogicalDrive ld = mirror();
    std::vector<PI::CProperty> out;
    ld.GetLogicalDriveProperties(out, 30046);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(40053, out[0].Choice()->value);
    EXPECT_EQ((std::vector<std::int32_t>{40049, 40050, 40051, 40052, 40053, 40054}), out[0].Choice()->choices);

    ld.m_RaidLevel = 40007;
    ld.GetLogicalDriveProperties(out, 30046);
    EXPECT_EQ(1u, out.size());

    for (std::int32_t level : {40021, 40014, -1}) {
        SCOPED_TRACE(level);
        ld.m_RaidLevel = level;
        ld.GetLogicalDriveProperties(out, 30046);
        EXPECT_TRUE(out.empty());
        ld.GetLogicalDriveProperties(out, 1);
        const std::vector<PI::_PROPERTY_ID> codes = codesOf(out);
        EXPECT_EQ(codes.end(), std::find(codes.begin(), codes.end(), 30046));
    }
}

TEST(LogicalDriveProperties, SizesShiftedDifferently) {
    CDorvLogicalDrive ld(nullptr);
    ld.m_LogicalSize = 4096;
    ld.m_PhysicalSize = 4096;
    std::vector<PI::CProperty> out;
    ld.GetLogicalDriveProperties(out, 30090);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(2u, out[0].Number()->value);
    ld.GetLogicalDriveProperties(out, 30059);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(4u, out[0].Number()->value);

    ld.m_LogicalSize = 2047;
    ld.GetLogicalDriveProperties(out, 30090);
    EXPECT_EQ(0u, out[0].Number()->value);
}

TEST(LogicalDriveProperties, OutputListIsEmptiedFirst) {
    const CDorvLogicalDrive ld = mirror();
    std::vector<PI::CProperty> out(3, PI::CProperty(30999, true));
    ld.GetLogicalDriveProperties(out, 30007);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(30007, out[0].m_Code);
    ld.GetLogicalDriveProperties(out, 30099);
    EXPECT_TRUE(out.empty());
}

TEST(LogicalDriveProperties, StatusDisplayByStatus) {
    CDorvLogicalDrive ld(nullptr);
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {40093, 24054}, {40094, 24063}, {40095, 24050}, {40023, 24054}};
    for (const auto& c : cases) {
        ld.m_Status = c.first;
        std::vector<PI::CProperty> out;
        ld.GetLogicalDriveProperties(out, 30017);
        ASSERT_EQ(1u, out.size());
        EXPECT_EQ(c.first, out[0].Choice()->value);
        EXPECT_EQ(c.second, out[0].m_StatusDisplay);
    }
}

TEST(LogicalDriveProperties, StatusDetailLineWhateverTheId) {
    CDorvLogicalDrive ld = mirror();
    ld.m_Number = 4;
    ld.m_Status = 40094;
    for (PI::_PROPERTY_ID id : {1, 30007, 30099}) {
        SCOPED_TRACE(id);
        std::vector<PI::CProperty> out;
        drives_test::TraceCapture trace(2 | 4);
        ld.GetLogicalDriveProperties(out, id);
        EXPECT_EQ((std::vector<std::string>{"ENTER GetLogicalDriveProperties(4)",
                                            "Zul GetLogicalDriveProperties() object.m_Status=40094",
                                            "LEAVE GetLogicalDriveProperties() -> 0"}),
                  trace.Messages());
    }
    std::vector<PI::CProperty> out;
    drives_test::TraceCapture detailsOnly(4);
    ld.GetLogicalDriveProperties(out, 1);
    EXPECT_EQ(std::vector<std::string>{"Zul GetLogicalDriveProperties() object.m_Status=40094"},
              detailsOnly.Messages());
}

TEST(LogicalDriveOperations, OffersTheConfiguration) {
    CDorvLogicalDrive ld = mirror();
    std::vector<PI::COperation> ops(2, PI::COperation(50003));
    EXPECT_EQ(0u, ld.GetLogicalDriveOperations(ops));
    ASSERT_EQ(1u, ops.size());
    EXPECT_EQ(50005, ops[0].m_Code);
    EXPECT_EQ(50005, ops[0].m_Code2);
    EXPECT_EQ(3, ops[0].m_Kind);
    // Descriptor {50005,3,1,1,1,false,0,1,1}: block words 1, 2, 6, flag, 5, 3, 4.
    const std::int32_t block[6] = {1, 1, 1, 1, 0, 1};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(block[i], ops[0].m_Block[i]) << i;
    }
    EXPECT_FALSE(ops[0].m_Flag);

    PI::CProperty p(30007, true);
    EXPECT_EQ(20004u, ld.SetLogicalDriveProperty(p));
}

TEST(LogicalDriveOperations, CheckRefusesEveryOperation) {
    CDorvLogicalDrive ld = mirror();
    ld.m_Number = 2;
    PI::COperation op(50005);
    drives_test::TraceCapture trace(2);
    EXPECT_EQ(20005u, ld.CheckLogicalDriveOperation(op));
    EXPECT_EQ((std::vector<std::string>{"ENTER CheckLogicalDriveOperation(2/50005)",
                                        "LEAVE CheckLogicalDriveOperation() -> 20005"}),
              trace.Messages());
}

TEST(LogicalDriveOperations, ExecuteHandsOutOneConfiguration) {
    CDorvLogicalDrive ld = mirror();
    ld.m_Number = 3;
    PI::COperation op(50005);
    op.m_LogicalDrives.resize(2);
    op.m_LogicalDrives[0].m_Name = "stale";
    {
        drives_test::TraceCapture trace(2);
        EXPECT_EQ(0u, ld.ExecuteLogicalDriveOperation(op));
        EXPECT_EQ((std::vector<std::string>{"ENTER ExecuteLogicalDriveOperation(3, 50005)",
                                            "LEAVE ExecuteLogicalDriveOperation() -> 0"}),
                  trace.Messages());
    }
    ASSERT_EQ(1u, op.m_LogicalDrives.size());
    EXPECT_EQ(40009, op.m_LogicalDrives[0].GetRaidLevel());
    EXPECT_EQ("", op.m_LogicalDrives[0].m_Name);

    PI::COperation other(50003);
    other.m_LogicalDrives.resize(2);
    drives_test::TraceCapture trace(2);
    EXPECT_EQ(20005u, ld.ExecuteLogicalDriveOperation(other));
    EXPECT_EQ(2u, other.m_LogicalDrives.size());
    EXPECT_EQ("LEAVE ExecuteLogicalDriveOperation() -> 20005", trace.Messages().back());
}

TEST(LogicalDriveCompare, EveryComparedMemberCounts) {
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
}

TEST(LogicalDriveCompare, ConfigurationsCompareByTheirText) {
    CDorvLogicalDrive a = mirror();
    CDorvLogicalDrive b = mirror();
    // The same document written differently serialises to the same text.
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

    // The configuration is a copy, not shared.
    scanned.m_Configuration.reset();
    EXPECT_FALSE(current.m_Configuration.empty());

    // Updating from itself keeps the configuration.
    current.Update(current);
    EXPECT_FALSE(current.m_Configuration.empty());
    EXPECT_EQ(7u, current.m_UpdateCounter);

    // A drive without configuration passes that on too.
    current.Update(CDorvLogicalDrive(nullptr));
    EXPECT_TRUE(current.m_Configuration.empty());
    EXPECT_EQ(-1, current.m_Number);
}

TEST(LogicalDriveLookup, ByAdapterUniqueIdAndNumber) {
    std::vector<CDorvLogicalDrive> list;
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findLogicalDriveBy(list, CDorvAdapter(), 0));

    list.push_back(CDorvLogicalDrive(nullptr)); // not yet tied to an adapter: skipped
    list.back().m_Number = 0;
    list.push_back(CDorvLogicalDrive(adapterWithId("DORV-A")));
    list.back().m_Number = 0;
    list.push_back(CDorvLogicalDrive(adapterWithId("DORV-A")));
    list.back().m_Number = 1;
    list.push_back(CDorvLogicalDrive(adapterWithId("DORV-B")));
    list.back().m_Number = 1;
    list.push_back(CDorvLogicalDrive(adapterWithId("DORV-A")));
    list.back().m_Number = 1;

    // A different adapter object with the same unique id names the same drives.
    CDorvAdapter a;
    a.m_UniqueID = "DORV-A";
    EXPECT_EQ(&list[1], NAMESPACE_piDorv::findLogicalDriveBy(list, a, 0));
    EXPECT_EQ(&list[2], NAMESPACE_piDorv::findLogicalDriveBy(list, a, 1));
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findLogicalDriveBy(list, a, 2));

    CDorvAdapter b;
    b.m_UniqueID = "DORV-B";
    CDorvLogicalDrive* found = NAMESPACE_piDorv::findMutableLogicalDriveBy(list, b, 1);
    ASSERT_EQ(&list[3], found);
    found->m_Name = "changed";
    EXPECT_EQ("changed", list[3].m_Name);

    CDorvAdapter prefix;
    prefix.m_UniqueID = "DORV";
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findLogicalDriveBy(list, prefix, 0));
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findMutableLogicalDriveBy(list, CDorvAdapter(), 0));
}
