// The logical drive as a shown object: properties, operations, comparison, update and lookup, its
// database row, and the RAID rules of a requested drive.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>

#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvAdapter.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "support/ObjectText.h"
#include "support/TraceCapture.h"

namespace {
using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::CDorvLogicalDrive;
using test_support::Describe;
using test_support::TraceCapture;
using Texts = std::vector<std::string>;

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
    ld.m_ID = 0x0136000000000005ull;
    ld.m_Number = 0;
    ld.m_AuxNumber2 = 8;
    ld.m_Name = "md0";
    ld.m_UniqueID = "LD-0";
    ld.m_LogicalSize = (1ull << 30) + 2047;
    ld.m_PhysicalSize = (1ull << 31) + 1023;
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

TEST(LogicalDrive, ShowsItsPropertiesWithTheirConditions) {
    EXPECT_EQ((Texts{"30007 label=23239 ''", "30126 label=23240 #18446744073709551615", "30137 pos=0 ''",
                     "30045 sub=35044 label=23251 -1 of {40009}", "30090 label=23237 extra=21002 #0",
                     "30059 label=23242 extra=21002 #0", "30054 label=23222 40102 of {40102,40103,40096,40025}",
                     "30017 label=23249 sd=24054 40093 of {40093,40094,40095}", "30496 pos=0 xml"}),
              propertiesOf(CDorvLogicalDrive(nullptr), 1));
    // The logical size counts 2048-byte units, the physical size 1024-byte units.
    EXPECT_EQ((Texts{"30007 label=23239 'md0'", "30126 label=23240 #0", "30137 pos=0 'LD-0'",
                     "30045 sub=35044 label=23251 40009 of {40009}",
                     "30046 label=23250 40053 of {40049,40050,40051,40052,40053,40054}",
                     "30090 label=23237 extra=21002 #524288", "30059 label=23242 extra=21002 #2097152",
                     "30247 label=23241 'md0'", "30054 label=23222 40102 of {40102,40103,40096,40025}",
                     "30017 label=23249 sd=24054 40093 of {40093,40094,40095}", "30496 pos=0 xml"}),
              propertiesOf(mirror(), 1));
    std::vector<PI::CProperty> out;
    mirror().GetLogicalDriveProperties(out, 30496);
    EXPECT_NE(std::string::npos, out.at(0).Xml()->xml.find("RaidLevel=\"40009\""));
    CDorvLogicalDrive ld = mirror();
    EXPECT_TRUE(propertiesOf(ld, 30099).empty());
    ld.m_RaidLevel = 40007; // the stripe size only for striped or mirrored levels
    EXPECT_EQ(1u, propertiesOf(ld, 30046).size());
    for (std::int32_t level : {40021, 40014, -1}) {
        ld.m_RaidLevel = level;
        EXPECT_TRUE(propertiesOf(ld, 30046).empty()) << level;
        EXPECT_EQ(10u, propertiesOf(ld, 1).size()) << level;
    }
    ld.m_Name.clear(); // the OS device only with a name
    EXPECT_TRUE(propertiesOf(ld, 30247).empty());
}

TEST(LogicalDrive, StatusDisplayAndTheStatusLineWhateverTheAskedProperty) {
    CDorvLogicalDrive ld = mirror();
    const std::pair<std::int32_t, std::int32_t> cases[] = {
        {40093, 24054}, {40094, 24063}, {40095, 24050}, {40023, 24054}};
    for (const auto& [status, display] : cases) {
        ld.m_Status = status;
        EXPECT_EQ(Texts{"30017 label=23249 sd=" + std::to_string(display) + " " + std::to_string(status) +
                        " of {40093,40094,40095}"},
                  propertiesOf(ld, 30017));
    }
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
}

TEST(LogicalDrive, OffersOneOperationThatHandsOutItsConfiguration) {
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
    EXPECT_EQ(std::make_pair(40009, std::string()),
              std::make_pair(op.m_LogicalDrives[0].GetRaidLevel(), op.m_LogicalDrives[0].m_Name));
    PI::COperation other(50003);
    other.m_LogicalDrives.resize(2);
    EXPECT_EQ(20005u, ld.ExecuteLogicalDriveOperation(other));
    EXPECT_EQ(2u, other.m_LogicalDrives.size());
    EXPECT_EQ((Texts{"ENTER CheckLogicalDriveOperation(3/50005)", "LEAVE CheckLogicalDriveOperation() -> 20005",
                     "ENTER ExecuteLogicalDriveOperation(3, 50005)", "LEAVE ExecuteLogicalDriveOperation() -> 0",
                     "ENTER ExecuteLogicalDriveOperation(3, 50003)", "LEAVE ExecuteLogicalDriveOperation() -> 20005"}),
              trace.Messages());
}

// Every compared member counts for Equal and is taken by Update; adapter and base record do not
// count (the base record does for ==), and Update keeps them, counting the change once.
TEST(LogicalDrive, ComparesItsOwnMembersAndUpdateTakesThem) {
    const std::vector<std::function<void(CDorvLogicalDrive&)>> changes = {
        [](auto& d) { d.m_Number = 9; },
        [](auto& d) { d.m_AuxNumber2 = 9; },
        [](auto& d) { d.m_Name += "x"; },
        [](auto& d) { d.m_UniqueID += "x"; },
        [](auto& d) { d.m_LogicalSize += 1; },
        [](auto& d) { d.m_PhysicalSize += 1; },
        [](auto& d) { d.m_RaidLevel = 40007; },
        [](auto& d) { d.m_StripeSize = 40049; },
        [](auto& d) { d.m_Status = 40094; },
        [](auto& d) { d.m_Activity = 40096; },
        [](auto& d) { d.m_AuxState = 9; },
        [](auto& d) { d.m_Configuration.reset(); },
        [](auto& d) {
            d.m_Configuration = documentOf("<LogicalDrive Number=\"0\" RaidLevel=\"40009\"><C/></LogicalDrive>");
        },
    };
    const CDorvLogicalDrive base = mirror();
    for (std::size_t i = 0; i < changes.size(); ++i) {
        CDorvLogicalDrive other = base;
        changes[i](other);
        EXPECT_FALSE(base.Equal(other)) << i;
        CDorvLogicalDrive copy = base;
        copy.Update(other);
        EXPECT_TRUE(copy.Equal(other)) << i;
    }
    CDorvLogicalDrive scanned = base;
    scanned.m_Adapter = adapterWithId("OTHER");
    scanned.m_ID = 0x0136000000000007ull;
    scanned.m_UpdateCounter = 12;
    scanned.m_Configuration = documentOf("<LogicalDrive   Number='0'  RaidLevel='40009'></LogicalDrive>"); // same text
    EXPECT_TRUE(base.Equal(scanned));
    EXPECT_FALSE(base == scanned);
    scanned.m_Name = "md1";
    CDorvLogicalDrive current = base;
    current.m_UpdateCounter = 5;
    current.Update(scanned);
    EXPECT_EQ(std::make_tuple(current.m_Name, current.m_ID, current.m_Adapter, current.m_UpdateCounter),
              std::make_tuple(std::string("md1"), base.m_ID, base.m_Adapter, 6ul));
    scanned.m_Configuration.reset(); // a copy, not shared; updating from itself keeps it
    current.Update(current);
    EXPECT_FALSE(current.m_Configuration.empty());
}

TEST(LogicalDrive, IsFoundByItsAdaptersUniqueIdAndNumber) {
    using NAMESPACE_piDorv::findLogicalDriveBy;
    std::vector<CDorvLogicalDrive> list;
    // The first is not yet tied to an adapter: skipped.
    for (const auto& [adapter, number] : std::vector<std::pair<const char*, int>>{
             {nullptr, 0}, {"DORV-A", 0}, {"DORV-A", 1}, {"DORV-B", 1}, {"DORV-A", 1}}) {
        list.emplace_back(adapter ? adapterWithId(adapter) : nullptr);
        list.back().m_Number = number;
    }
    CDorvAdapter a; // another object with the same unique id names the same drives
    a.m_UniqueID = "DORV-A";
    EXPECT_EQ(std::make_tuple(&list[1], &list[2], nullptr),
              std::make_tuple(findLogicalDriveBy(list, a, 0), findLogicalDriveBy(list, a, 1),
                              findLogicalDriveBy(list, a, 2)));
    a.m_UniqueID = "DORV-B";
    EXPECT_EQ(&list[3], NAMESPACE_piDorv::findMutableLogicalDriveBy(list, a, 1));
    a.m_UniqueID = "DORV";
    EXPECT_EQ(nullptr, findLogicalDriveBy(list, a, 0));
    EXPECT_EQ(nullptr, NAMESPACE_piDorv::findMutableLogicalDriveBy(list, CDorvAdapter(), 0));
}

TEST(LogicalDrive, WritesItsRow) {
    RaidDataModels::LD model;
    model.m2 = "stale";
    CDorvLogicalDrive ld = mirror();
    ld.m_Status = 40094;
    ld.m_Activity = 40096;
    TraceCapture trace(2);
    EXPECT_EQ(0u, ld.SetDatabaseObjectProperties(model));
    EXPECT_EQ((Texts{"ENTER SetDatabaseObjectProperties() LogicalDrive", "LEAVE SetDatabaseObjectProperties() -> 0"}),
              trace.Messages());
    EXPECT_EQ((Texts{"REBUILDING", "localhost", "md0", "md0", "RAID1", "DEGRADED", "64K", "LD-0", "NULL"}),
              (Texts{model.Activity, model.HostName, model.Name, model.OsDevice, model.RaidLevel, model.Status,
                     model.StripeSize, model.UniqueID, model.m2}));
    EXPECT_EQ(std::make_tuple(INT_MIN, 8, 0x0136000000000005ul, 0, 524288ul, 2097152ul, -1),
              std::make_tuple(model.ID, model.AuxNumber2, model.ObjectID, model.Number, model.LogicalSize,
                              model.PhysicalSize, model.m20));
    ld.m_Name.clear();
    ld.m_RaidLevel = 40021;
    ld.SetDatabaseObjectProperties(model);
    EXPECT_EQ((Texts{"", "NULL", "CONCAT", "NULL"}),
              (Texts{model.Name, model.OsDevice, model.RaidLevel, model.StripeSize}));
    ld.m_RaidLevel = 40007;
    ld.m_StripeSize = 40049;
    ld.SetDatabaseObjectProperties(model);
    EXPECT_EQ((Texts{"RAID0", "4K"}), (Texts{model.RaidLevel, model.StripeSize}));
    for (const auto& [status, text] : std::vector<std::pair<std::int32_t, const char*>>{
             {40093, "OK"}, {40094, "DEGRADED"}, {40095, "FAILED"}, {40023, "OK"}}) {
        ld.m_Status = status;
        ld.SetDatabaseObjectProperties(model);
        EXPECT_EQ(text, model.Status) << status;
    }
    // The row delete selects on host name 'localhost': without it removed drives would stay behind.
    RaidDataModels::LD bare;
    CDorvLogicalDrive(nullptr).SetDatabaseObjectProperties(bare);
    EXPECT_EQ("localhost", bare.HostName);
}

TEST(RaidLevel, RequestedLevelsAgainstDriveCounts) {
    const char* const tooFew = "LEAVE GetRAIDLevel() -> at least 2 drive has to be specified";
    const char* const unsupported = "LEAVE GetRAIDLevel() -> unsupported RAID level";
    const std::tuple<std::int32_t, std::vector<std::size_t>, int, const char*> cases[] = {
        // level, drives per container
        {40009, {0}, 1, nullptr},
        {40009, {3}, 1, nullptr},
        {40009, {2, 5}, 1, nullptr}, // only the first container counts
        {40009, {4}, 77, "LEAVE GetRAIDLevel() -> not more then 3 drives have to be specified"},
        {40009, {}, 77, "LEAVE GetRAIDLevel() -> no container has been specified"},
        {40007, {1}, 77, tooFew},
        {40007, {2}, 0, nullptr},
        {40007, {8}, 0, nullptr},
        {40021, {1}, 77, tooFew},
        {40021, {2}, -1, nullptr},
        {40014, {2}, 77, unsupported},
        {-1, {2}, 77, unsupported}};
    for (const auto& [raidLevel, containers, expected, failure] : cases) {
        SCOPED_TRACE(testing::Message() << raidLevel << " with " << testing::PrintToString(containers));
        PI::CLogicalDrive requested;
        requested.m_RaidLevel = raidLevel;
        for (std::size_t drives : containers) {
            requested.m_Containers.emplace_back();
            requested.m_Containers.back().m_Drives.resize(drives);
        }
        int level = 77;
        TraceCapture trace(2);
        EXPECT_EQ(failure ? 20006u : 0u, NAMESPACE_piDorv::GetRAIDLevel(requested, level));
        EXPECT_EQ(expected, level);
        EXPECT_EQ(failure ? Texts{failure} : Texts{}, trace.Messages());
    }
}

TEST(RaidLevel, InformationOffersTheMirrorOnly) {
    PI::COperation op(50003);
    op.m_Levels.resize(3);
    op.m_Levels[0].m_Level = 40007;
    TraceCapture trace(2);
    EXPECT_EQ(0u, NAMESPACE_piDorv::GetRaidLevelInformation(op));
    ASSERT_EQ(1u, op.m_Levels.size());
    const PI::CLevel& l = op.m_Levels[0];
    EXPECT_EQ((std::vector<std::int32_t>{40049, 40050, 40051, 40052, 40053, 40054}), l.m_StripeSizes);
    EXPECT_EQ(std::make_tuple(40009, 40053, 2, 2, 21006, 0, 0, 0, 0, 0, 0),
              std::make_tuple(l.m_Level, l.m_DefaultStripeSize, l.m_MinDrives, l.m_MaxDrives, l.m_TextNumber,
                              l.m_Reserved1, l.m_Reserved2, l.m_Reserved3, l.m_Reserved4, l.m_Reserved5,
                              l.m_Reserved6));
    EXPECT_EQ((Texts{"ENTER GetRaidLevelInformation()", "LEAVE GetRaidLevelInformation()"}), trace.Messages());
    EXPECT_EQ("piDorv/Src/piDorvLogicalDrive", trace.Records()[0].source);
}
} // namespace
