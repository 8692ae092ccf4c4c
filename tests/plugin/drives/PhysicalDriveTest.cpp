// The physical drive as a shown object: properties, the missing-drive rule, operations, comparison
// and its database row.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"
#include "support/ObjectText.h"
#include "support/TraceCapture.h"

namespace {
using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;
using test_support::Describe;
using test_support::TraceCapture;
using Texts = std::vector<std::string>;

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

TEST(PhysicalDrive, StatusDisplayFollowsStatusAndMedia) {
    const std::tuple<std::int32_t, std::int32_t, std::int32_t> cases[] = {{40093, 24093, 24201}, {40095, 24087, 24195},
                                                                          {40096, 24105, 24215}, {40098, 24014, 24146},
                                                                          {40023, 24080, 24176}, {40099, 24081, 24183}};
    for (const auto& [status, other, ssd] : cases) {
        CDorvPhysicalDrive pd = operationalCard();
        pd.m_Status = status;
        std::vector<PI::CProperty> out;
        pd.GetPhysicalDriveProperties(out, 30017);
        pd.m_MediaType = 40293;
        pd.GetPhysicalDriveProperties(out, 30017);
        ASSERT_EQ(2u, out.size());
        EXPECT_EQ(std::make_pair(other, ssd), std::make_pair(out[0].m_StatusDisplay, out[1].m_StatusDisplay)) << status;
    }
}

TEST(PhysicalDrive, KeepsTheListItAppendsToAndTracesTheStatusAlone) {
    CDorvPhysicalDrive pd = operationalCard();
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

TEST(PhysicalDrive, MissingDriveHidesDetailsAcrossTheWholeList) {
    const auto listed = [] { // entries already in the list: some of the hidden codes, and two that are not
        std::vector<PI::CProperty> out;
        for (PI::_PROPERTY_ID code : {30003, 30020, 30243, 30310, 30007, 30017}) {
            out.emplace_back(code, false);
            out.back().m_Position = 5;
        }
        return out;
    };
    CDorvPhysicalDrive pd = operationalCard();
    std::vector<PI::CProperty> present = listed();
    ASSERT_EQ(0u, pd.GetPhysicalDriveProperties(present, 1));
    pd.m_Status = 40023;
    std::vector<PI::CProperty> missing = listed();
    ASSERT_EQ(0u, pd.GetPhysicalDriveProperties(missing, 1));
    ASSERT_EQ(std::make_pair(20ul, 20ul), std::make_pair(present.size(), missing.size()));
    // pos -1 shown, 0 hidden, 5 placed by the caller, 28 its own group
    const int presentPositions[] = {5, 5, 5, 5, 5, 5, -1, 28, 28, -1, 0, -1, -1, -1, -1, -1, -1, -1, -1, 0};
    const int missingPositions[] = {0, 0, 0, 0, 5, 5, -1, 0, 28, 0, 0, 0, 0, 0, -1, 0, -1, 0, -1, 0};
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(presentPositions[i], present[i].m_Position) << Describe(present[i]);
        EXPECT_EQ(missingPositions[i], missing[i].m_Position) << Describe(missing[i]);
    }
    // The status is shown although its choice list does not offer it.
    EXPECT_EQ("30017 label=23324 sd=24080 40023 of {40099,40093,40095,40096,40098}", Describe(missing[16]));
}

TEST(PhysicalDrive, OffersNoOperationsAndRefusesChecksWhileALogicalDriveRebuilds) {
    CDorvPhysicalDrive pd = operationalCard();
    std::vector<PI::COperation> ops(2, PI::COperation(50005));
    EXPECT_EQ(0u, pd.GetPhysicalDriveOperations(ops));
    EXPECT_TRUE(ops.empty());
    PI::CProperty p(30007, true);
    EXPECT_EQ(20004u, pd.SetPhysicalDriveProperty(p));
    EXPECT_TRUE(pd == operationalCard());

    PI::COperation op(50005);
    std::vector<CDorvLogicalDrive> lds(2, CDorvLogicalDrive(nullptr));
    TraceCapture trace(2);
    EXPECT_EQ(20005u, pd.ExecutePhysicalDriveOperation(op));
    EXPECT_EQ(0u, pd.CheckPhysicalDriveOperation(lds, op));
    lds[1].m_Activity = 40096;
    EXPECT_EQ(20020u, pd.CheckPhysicalDriveOperation(lds, op));
    EXPECT_EQ((Texts{"ENTER ExecutePhysicalDriveOperation()", "LEAVE ExecutePhysicalDriveOperation() -> 20005",
                     "ENTER CheckPhysicalDriveOperation()", "LEAVE CheckPhysicalDriveOperation() -> 0",
                     "ENTER CheckPhysicalDriveOperation()"}),
              trace.Messages());
}

// Every own member counts for Equal and is taken by Update; the base record counts for == only, and
// Update keeps it, counting the change once.
TEST(PhysicalDrive, ComparesItsOwnMembersAndUpdateTakesThem) {
    const std::vector<std::function<void(CDorvPhysicalDrive&)>> changes = {
        [](auto& d) { d.m_AuxNumber = 9; },
        [](auto& d) { d.m_PortNumber = 9; },
        [](auto& d) { d.m_DeviceNumber = 9; },
        [](auto& d) { d.m_Vendor += "x"; },
        [](auto& d) { d.m_Product += "x"; },
        [](auto& d) { d.m_Name += "x"; },
        [](auto& d) { d.m_OsDeviceName += "x"; },
        [](auto& d) { d.m_UniqueID += "x"; },
        [](auto& d) { d.m_PhysicalSize += 1; },
        [](auto& d) { d.m_Aux64 = 9; },
        [](auto& d) { d.m_Status = 40095; },
        [](auto& d) { d.m_Activity = 40025; },
        [](auto& d) { d.m_Configurability = 40262; },
        [](auto& d) { d.m_Aux32 = 9; },
        [](auto& d) { d.m_Type = 40174; },
        [](auto& d) { d.m_MediaType = 40293; },
    };
    const CDorvPhysicalDrive base = operationalCard();
    for (std::size_t i = 0; i < changes.size(); ++i) {
        CDorvPhysicalDrive other = base;
        changes[i](other);
        EXPECT_FALSE(base.Equal(other)) << i;
        CDorvPhysicalDrive copy = base;
        copy.Update(other);
        EXPECT_TRUE(copy.Equal(other)) << i;
    }
    CDorvPhysicalDrive current = base;
    current.m_UpdateCounter = 4;
    CDorvPhysicalDrive scanned = base;
    scanned.m_ID = 0x0136000000000009ull;
    scanned.m_Parents = {0x0136000000000001ull};
    EXPECT_TRUE(current.Equal(scanned));
    EXPECT_FALSE(current == scanned);
    scanned.m_Name = "renamed";
    current.Update(scanned);
    EXPECT_EQ(std::make_tuple(current.m_Name, current.m_ID, current.m_Parents.size(), current.m_UpdateCounter),
              std::make_tuple(std::string("renamed"), base.m_ID, 0ul, 5ul));
}

TEST(PhysicalDrive, WritesItsRow) {
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

    const std::pair<std::int32_t, const char*> statuses[] = {
        {40023, "FAILED_MISSING"},     {40093, "OPERATIONAL"}, {40095, "FAILED"}, {40096, "REBUILDING"},
        {40098, "DEDICATED_HOTSPARE"}, {40099, "OK"},          {40094, "OK"},     {0, "OK"}};
    for (const auto& [status, text] : statuses) {
        CDorvPhysicalDrive pd = operationalCard();
        pd.m_Status = status;
        pd.SetDatabaseObjectProperties(model);
        EXPECT_EQ(text, model.Status) << status;
    }
}
} // namespace
