// The logical and physical drives as shown objects: properties, comparison, update and lookup, their
// database rows, and the one RAID level offered.
#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvAdapter.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"
#include "support/ObjectText.h"
#include "support/TraceCapture.h"

namespace {
using NAMESPACE_piDorv::CDorvAdapter;
using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;
using test_support::Describe;
using test_support::ExpectEachChangeCountsAndIsTaken;
using test_support::TraceCapture;
using Texts = std::vector<std::string>;

TLX::XML::xml_document documentOf(const char* text) {
    TLX::XML::xml_document doc;
    EXPECT_TRUE(doc.load_string(text));
    return doc;
}

CDorvLogicalDrive mirror() {
    CDorvLogicalDrive ld(std::make_shared<CDorvAdapter>());
    ld.m_Adapter->m_UniqueID = "DORV-A";
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

TEST(LogicalDrive, ShowsItsPropertiesAndStatusWithTheirConditions) {
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
        EXPECT_EQ(std::make_pair(0ul, 10ul), std::make_pair(propertiesOf(ld, 30046).size(), propertiesOf(ld, 1).size()))
            << level;
    }
    ld.m_Name.clear(); // the OS device only with a name
    EXPECT_TRUE(propertiesOf(ld, 30247).empty());
    // The status display and row text of each status, and the status line whatever the asked property.
    const std::tuple<std::int32_t, std::int32_t, const char*> cases[] = {
        {40093, 24054, "OK"}, {40094, 24063, "DEGRADED"}, {40095, 24050, "FAILED"}, {40023, 24054, "OK"}};
    for (const auto& [status, display, text] : cases) {
        ld.m_Status = status;
        EXPECT_EQ(Texts{"30017 label=23249 sd=" + std::to_string(display) + " " + std::to_string(status) +
                        " of {40093,40094,40095}"},
                  propertiesOf(ld, 30017));
        RaidDataModels::LD model;
        ld.SetDatabaseObjectProperties(model);
        EXPECT_EQ(text, model.Status) << status;
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

// Adapter and base record do not count for Equal (the base record does for ==), and Update keeps them,
// counting the change once.
TEST(LogicalDrive, ComparesItsOwnMembersAndUpdateTakesThem) {
    const CDorvLogicalDrive base = mirror();
    ExpectEachChangeCountsAndIsTaken<CDorvLogicalDrive>(
        base, {[](auto& d) { d.m_Number = 9; }, [](auto& d) { d.m_AuxNumber2 = 9; }, [](auto& d) { d.m_Name += "x"; },
               [](auto& d) { d.m_UniqueID += "x"; }, [](auto& d) { d.m_LogicalSize += 1; },
               [](auto& d) { d.m_PhysicalSize += 1; }, [](auto& d) { d.m_RaidLevel = 40007; },
               [](auto& d) { d.m_StripeSize = 40049; }, [](auto& d) { d.m_Status = 40094; },
               [](auto& d) { d.m_Activity = 40096; }, [](auto& d) { d.m_AuxState = 9; },
               [](auto& d) { d.m_Configuration.reset(); },
               [](auto& d) {
                   d.m_Configuration = documentOf("<LogicalDrive Number=\"0\" RaidLevel=\"40009\"><C/></LogicalDrive>");
               }});
    CDorvLogicalDrive scanned = base;
    scanned.m_Adapter = std::make_shared<CDorvAdapter>();
    scanned.m_ID = 0x0136000000000007ull;
    scanned.m_UpdateCounter = 12;
    scanned.m_Configuration = documentOf("<LogicalDrive   Number='0'  RaidLevel='40009'></LogicalDrive>"); // same text
    EXPECT_TRUE(base.Equal(scanned) && !(base == scanned));
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

// A drive not yet tied to an adapter is passed over; another adapter object with the same unique id
// names the same drives.
TEST(LogicalDrive, IsFoundByItsAdaptersUniqueIdAndNumber) {
    std::vector<CDorvLogicalDrive> list = {CDorvLogicalDrive(nullptr), mirror(), mirror()};
    list[2].m_Number = 1;
    CDorvAdapter same;
    same.m_UniqueID = "DORV-A";
    using NAMESPACE_piDorv::findLogicalDriveBy;
    EXPECT_EQ((std::vector<const CDorvLogicalDrive*>{&list[1], &list[2], nullptr, nullptr}),
              (std::vector<const CDorvLogicalDrive*>{
                  findLogicalDriveBy(list, same, 0), findLogicalDriveBy(list, same, 1),
                  findLogicalDriveBy(list, same, 2), findLogicalDriveBy(list, CDorvAdapter(), 0)}));
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
    // The row delete selects on host name 'localhost': without it removed drives would stay behind.
    RaidDataModels::LD bare;
    CDorvLogicalDrive(nullptr).SetDatabaseObjectProperties(bare);
    EXPECT_EQ("localhost", bare.HostName);
}

TEST(RaidLevel, RequestedLevelsAgainstDriveCounts) {
    const char* const tooFew = "LEAVE GetRAIDLevel() -> at least 2 drive has to be specified";
    const char* const unsupported = "LEAVE GetRAIDLevel() -> unsupported RAID level";
    const char* const tooMany = "LEAVE GetRAIDLevel() -> not more then 3 drives have to be specified";
    const char* const none = "LEAVE GetRAIDLevel() -> no container has been specified";
    // level, drives per container (only the first counts), the level given and the failure traced
    const std::tuple<std::int32_t, std::vector<std::size_t>, int, const char*> cases[] = {
        {40009, {0}, 1, nullptr}, {40009, {3}, 1, nullptr},  {40009, {2, 5}, 1, nullptr},   {40009, {4}, 77, tooMany},
        {40009, {}, 77, none},    {40007, {1}, 77, tooFew},  {40007, {2}, 0, nullptr},      {40007, {8}, 0, nullptr},
        {40021, {1}, 77, tooFew}, {40021, {2}, -1, nullptr}, {40014, {2}, 77, unsupported}, {-1, {2}, 77, unsupported}};
    for (const auto& [raidLevel, containers, expected, failure] : cases) {
        PI::CLogicalDrive requested;
        requested.m_RaidLevel = raidLevel;
        for (std::size_t drives : containers) {
            requested.m_Containers.emplace_back();
            requested.m_Containers.back().m_Drives.resize(drives);
        }
        int level = 77;
        TraceCapture trace(2);
        EXPECT_EQ(failure ? 20006u : 0u, NAMESPACE_piDorv::GetRAIDLevel(requested, level)) << raidLevel;
        EXPECT_EQ(std::make_pair(expected, failure ? Texts{failure} : Texts{}), std::make_pair(level, trace.Messages()))
            << raidLevel << " with " << testing::PrintToString(containers);
    }
}

// The information offers the mirror only, in place of what the list held.
TEST(RaidLevel, TheMirrorIsTheOneLevelOffered) {
    PI::COperation op(50003);
    op.m_Levels.resize(3);
    op.m_Levels[0].m_Level = 40007;
    TraceCapture trace(2);
    EXPECT_EQ(0u, NAMESPACE_piDorv::GetRaidLevelInformation(op));
    ASSERT_EQ(1u, op.m_Levels.size());
    const PI::CLevel& l = op.m_Levels[0];
    EXPECT_EQ((std::vector<std::int32_t>{40049, 40050, 40051, 40052, 40053, 40054}), l.m_StripeSizes);
    EXPECT_EQ(std::make_tuple(40009, 40053, 2, 2, 21006),
              std::make_tuple(l.m_Level, l.m_DefaultStripeSize, l.m_MinDrives, l.m_MaxDrives, l.m_TextNumber));
    EXPECT_EQ((Texts{"ENTER GetRaidLevelInformation()", "LEAVE GetRaidLevelInformation()"}), trace.Messages());
    EXPECT_EQ("piDorv/Src/piDorvLogicalDrive", trace.Records()[0].source);
}

CDorvPhysicalDrive operationalCard() {
    CDorvPhysicalDrive pd;
    pd.m_ID = 0x0136000000000004ull;
    pd.m_AuxNumber = 11;
    pd.m_PortNumber = 1;
    pd.m_Vendor = "Sandor";
    pd.m_Product = "SD 32G";
    pd.m_Name = "SD card 1";
    pd.m_OsDeviceName = "sdb";
    pd.m_UniqueID = "SD-0001";
    pd.m_PhysicalSize = (32ull << 20) + 1023;
    pd.m_Status = 40093;
    pd.m_Activity = 40102;
    pd.m_Configurability = 40263;
    pd.m_Type = 40002;
    pd.m_MediaType = 40292;
    return pd;
}

// The properties of the asked codes, one call each, appended to one list.
Texts propertiesOf(const CDorvPhysicalDrive& pd, std::initializer_list<PI::_PROPERTY_ID> ids) {
    std::vector<PI::CProperty> out;
    for (PI::_PROPERTY_ID id : ids) {
        EXPECT_EQ(0u, pd.GetPhysicalDriveProperties(out, id));
    }
    return Describe(out);
}

TEST(PhysicalDrive, ShowsItsFourteenPropertiesInOrder) {
    EXPECT_EQ((Texts{"30007 label=23298 'SD card 1'", "30125 pos=28 label=23284 #0", "30122 pos=28 label=23305 #1",
                     "30247 label=23300 '/dev/sdb'", "30137 pos=0 'SD-0001'", "30003 label=23331 'Sandor'",
                     "30063 label=23308 'SD 32G'", "30059 label=23304 extra=21002 #32768",
                     "30060 label=23281 extra=21002 #32768", "30054 label=23274 40102 of {40102,40025,40096}",
                     "30017 label=23324 sd=24093 40093 of {40099,40093,40095,40096,40098}",
                     "30056 label=23329 40002 of {40174,40002}", "30320 label=23296 40292 of {40292,40293}",
                     "30244 pos=0 label=23280 flag=0 40263 of {40262,40263}"}),
              propertiesOf(operationalCard(), {1}));
    CDorvPhysicalDrive pd = operationalCard();
    pd.m_PortNumber = -1; // widened with the sign
    pd.m_DeviceNumber = -2;
    pd.m_OsDeviceName = "100%s"; // the name is data, never a format
    EXPECT_EQ((Texts{"30122 pos=28 label=23305 #18446744073709551615", "30125 pos=28 label=23284 #18446744073709551614",
                     "30247 label=23300 '/dev/100%s'"}),
              propertiesOf(pd, {30122, 30125, 30247}));
    pd.m_OsDeviceName.clear();
    EXPECT_EQ(Texts{"30247 label=23300 '/dev/'"}, propertiesOf(pd, {30247}));
}

TEST(PhysicalDrive, MissingDriveHidesDetailsAcrossTheWholeList) {
    // Entries already in the list: some of the hidden codes, and two that are not.
    const auto positions = [](const CDorvPhysicalDrive& pd) {
        std::vector<PI::CProperty> out;
        for (PI::_PROPERTY_ID code : {30003, 30020, 30243, 30310, 30007, 30017}) {
            out.emplace_back(code, false);
            out.back().m_Position = 5;
        }
        EXPECT_EQ(0u, pd.GetPhysicalDriveProperties(out, 1));
        std::vector<int> result;
        for (const PI::CProperty& p : out) {
            result.push_back(p.m_Position);
        }
        return result;
    };
    // pos -1 shown, 0 hidden, 5 placed by the caller, 28 its own group
    CDorvPhysicalDrive pd = operationalCard();
    EXPECT_EQ((std::vector<int>{5, 5, 5, 5, 5, 5, -1, 28, 28, -1, 0, -1, -1, -1, -1, -1, -1, -1, -1, 0}),
              positions(pd));
    pd.m_Status = 40023;
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0, 5, 5, -1, 0, 28, 0, 0, 0, 0, 0, -1, 0, -1, 0, -1, 0}), positions(pd));
    // The status is shown although its choice list does not offer it.
    EXPECT_EQ(Texts{"30017 label=23324 sd=24080 40023 of {40099,40093,40095,40096,40098}"}, propertiesOf(pd, {30017}));
}

// Properties are appended to the list, operations replace it; checks fail while a logical drive rebuilds.
TEST(PhysicalDrive, AppendsPropertiesOffersNoOperationsAndTracesTheStatusAlone) {
    CDorvPhysicalDrive pd = operationalCard();
    std::vector<PI::COperation> ops(2, PI::COperation(50005));
    EXPECT_EQ(0u, pd.GetPhysicalDriveOperations(ops));
    EXPECT_TRUE(ops.empty());
    PI::CProperty name(30007, true);
    EXPECT_EQ(20004u, pd.SetPhysicalDriveProperty(name));
    PI::COperation op(50005);
    std::vector<CDorvLogicalDrive> lds(2, CDorvLogicalDrive(nullptr));
    EXPECT_EQ(20005u, pd.ExecutePhysicalDriveOperation(op));
    EXPECT_EQ(0u, pd.CheckPhysicalDriveOperation(lds, op));
    lds[1].m_Activity = 40096;
    EXPECT_EQ(20020u, pd.CheckPhysicalDriveOperation(lds, op));
    pd.m_PortNumber = 3;
    pd.m_DeviceNumber = 7;
    pd.m_Status = 40095;
    std::vector<PI::CProperty> out(1, PI::CProperty(30999, true));
    TraceCapture trace(2);
    EXPECT_EQ(0u, pd.GetPhysicalDriveProperties(out, 30099)); // unknown: nothing appended
    EXPECT_EQ(0u, pd.GetPhysicalDriveProperties(out, 30017));
    EXPECT_EQ((Texts{"30999 rw", "30017 label=23324 sd=24087 40095 of {40099,40093,40095,40096,40098}"}),
              Describe(out));
    EXPECT_EQ((Texts{"ENTER GetPhysicalDriveProperties()", "LEAVE GetPhysicalDriveProperties() -> 0",
                     "ENTER GetPhysicalDriveProperties()",
                     "GetPhysicalDriveProperties() set status property of disk 3/7 to 40095",
                     "LEAVE GetPhysicalDriveProperties() -> 0"}),
              trace.Messages());
    EXPECT_EQ("piDorv/Src/piDorvPhysicalDrive", trace.Records()[3].source);
}

// The base record counts for == only, and Update keeps it, counting the change once.
TEST(PhysicalDrive, ComparesItsOwnMembersAndUpdateTakesThem) {
    const CDorvPhysicalDrive base = operationalCard();
    ExpectEachChangeCountsAndIsTaken<CDorvPhysicalDrive>(
        base,
        {[](auto& d) { d.m_AuxNumber = 9; }, [](auto& d) { d.m_PortNumber = 9; }, [](auto& d) { d.m_DeviceNumber = 9; },
         [](auto& d) { d.m_Vendor += "x"; }, [](auto& d) { d.m_Product += "x"; }, [](auto& d) { d.m_Name += "x"; },
         [](auto& d) { d.m_OsDeviceName += "x"; }, [](auto& d) { d.m_UniqueID += "x"; },
         [](auto& d) { d.m_PhysicalSize += 1; }, [](auto& d) { d.m_Aux64 = 9; }, [](auto& d) { d.m_Status = 40095; },
         [](auto& d) { d.m_Activity = 40025; }, [](auto& d) { d.m_Configurability = 40262; },
         [](auto& d) { d.m_Aux32 = 9; }, [](auto& d) { d.m_Type = 40174; }, [](auto& d) { d.m_MediaType = 40293; }});
    CDorvPhysicalDrive current = base;
    current.m_UpdateCounter = 4;
    CDorvPhysicalDrive scanned = base;
    scanned.m_ID = 0x0136000000000009ull;
    scanned.m_Parents = {0x0136000000000001ull};
    EXPECT_TRUE(current.Equal(scanned) && !(current == scanned));
    scanned.m_Name = "renamed";
    current.Update(scanned);
    EXPECT_EQ(std::make_tuple(current.m_Name, current.m_ID, current.m_Parents.size(), current.m_UpdateCounter),
              std::make_tuple(std::string("renamed"), base.m_ID, 0ul, 5ul));
}

TEST(PhysicalDrive, WritesItsRowAndShowsTheStatusByStatusAndMedia) {
    RaidDataModels::PD model;
    model.m2 = 99; // not written: back to its default
    model.Status = "stale";
    TraceCapture trace(2);
    operationalCard().SetDatabaseObjectProperties(model);
    EXPECT_EQ(Texts{"ENTER SetDatabaseObjectProperties (PD)"}, trace.Messages());
    EXPECT_EQ((Texts{"IDLE", "CANNOT_BE_CONFIGURED", "localhost", "HDD", "SD card 1", "/dev/sdb", "SD 32G",
                     "OPERATIONAL", "SATA", "SD-0001", "Sandor", "NULL"}),
              (Texts{model.Activity, model.Configurability, model.HostName, model.MediaType, model.Name, model.OsDevice,
                     model.Product, model.Status, model.Type, model.UniqueID, model.Vendor, model.m4}));
    EXPECT_EQ(std::make_tuple(32768ul, 32768ul, 0, 11, 1, INT_MIN, 0x0136000000000004ul, INT_MIN, -1),
              std::make_tuple(model.PhysicalSize, model.ConfigurableSize, model.DeviceNumber, model.AuxNumber,
                              model.PortNumber, model.ID, model.ObjectID, model.m2, model.m18));
    // The row update selects on host name 'localhost': a drive with nothing set must carry it too.
    RaidDataModels::PD bare;
    CDorvPhysicalDrive().SetDatabaseObjectProperties(bare);
    EXPECT_EQ("localhost", bare.HostName);
    // The status display follows status and media, and the row names the status.
    const std::tuple<std::int32_t, std::int32_t, std::int32_t, const char*> cases[] = {
        {40093, 24093, 24201, "OPERATIONAL"},
        {40095, 24087, 24195, "FAILED"},
        {40096, 24105, 24215, "REBUILDING"},
        {40098, 24014, 24146, "DEDICATED_HOTSPARE"},
        {40023, 24080, 24176, "FAILED_MISSING"},
        {40099, 24081, 24183, "OK"},
        {40094, 24081, 24183, "OK"},
        {0, 24081, 24183, "OK"}};
    for (const auto& [status, other, ssd, text] : cases) {
        CDorvPhysicalDrive pd = operationalCard();
        pd.m_Status = status;
        std::vector<PI::CProperty> out;
        pd.GetPhysicalDriveProperties(out, 30017);
        RaidDataModels::PD model;
        pd.SetDatabaseObjectProperties(model);
        pd.m_MediaType = 40293;
        pd.GetPhysicalDriveProperties(out, 30017);
        ASSERT_EQ(2u, out.size());
        EXPECT_EQ(std::make_tuple(other, ssd, std::string(text)),
                  std::make_tuple(out[0].m_StatusDisplay, out[1].m_StatusDisplay, model.Status))
            << status;
    }
}
} // namespace
