// The physical drive as a shown object: properties, the missing-drive rule, operations and comparison.
#include <gtest/gtest.h>

#include <functional>

#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"
#include "support/ObjectText.h"
#include "support/TraceCapture.h"

using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;
using test_support::Describe;
using test_support::TraceCapture;
using Texts = std::vector<std::string>;

namespace {
CDorvPhysicalDrive operationalCard() {
    CDorvPhysicalDrive pd;
    pd.m_PortNumber = 1;
    pd.m_DeviceNumber = 0;
    pd.m_Vendor = "Sandor";
    pd.m_Product = "SD 32G";
    pd.m_Name = "SD card 1";
    pd.m_OsDeviceName = "sdb";
    pd.m_UniqueID = "SD-0001";
    pd.m_PhysicalSize = 32ull << 20;
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
} // namespace

TEST(PhysicalDriveProperties, AllFourteenInOrderWithTheirFields) {
    EXPECT_EQ((Texts{"30007 label=23298 'SD card 1'", "30125 pos=28 label=23284 #0", "30122 pos=28 label=23305 #1",
                     "30247 label=23300 '/dev/sdb'", "30137 pos=0 'SD-0001'", "30003 label=23331 'Sandor'",
                     "30063 label=23308 'SD 32G'", "30059 label=23304 extra=21002 #32768",
                     "30060 label=23281 extra=21002 #32768", "30054 label=23274 40102 of {40102,40025,40096}",
                     "30017 label=23324 sd=24093 40093 of {40099,40093,40095,40096,40098}",
                     "30056 label=23329 40002 of {40174,40002}", "30320 label=23296 40292 of {40292,40293}",
                     "30244 pos=0 label=23280 flag=0 40263 of {40262,40263}"}),
              propertiesOf(operationalCard(), {1}));
}

TEST(PhysicalDriveProperties, StatusDisplayFollowsStatusAndMedia) {
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

TEST(PhysicalDriveProperties, ListIsKeptAndStatusAloneWritesItsTraceLine) {
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

TEST(PhysicalDriveProperties, MissingDriveHidesDetailsAcrossTheWholeList) {
    // Entries already in the list: some of the hidden codes, and two that are not.
    const auto listed = [] {
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
    ASSERT_EQ(20u, present.size());
    ASSERT_EQ(20u, missing.size());

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

TEST(PhysicalDriveProperties, NumbersAndOsDevice) {
    CDorvPhysicalDrive pd = operationalCard();
    for (std::uint64_t size : {0ull, 1023ull, 1024ull, 2047ull}) {
        pd.m_PhysicalSize = size;
        const std::string units = " #" + std::to_string(size / 1024);
        EXPECT_EQ((Texts{"30059 label=23304 extra=21002" + units, "30060 label=23281 extra=21002" + units}),
                  propertiesOf(pd, {30059, 30060}));
    }
    pd.m_PortNumber = -1; // widened with the sign
    pd.m_DeviceNumber = -2;
    EXPECT_EQ(
        (Texts{"30122 pos=28 label=23305 #18446744073709551615", "30125 pos=28 label=23284 #18446744073709551614"}),
        propertiesOf(pd, {30122, 30125}));
    const Texts withName = propertiesOf(pd, {30247});
    pd.m_OsDeviceName.clear();
    const Texts empty = propertiesOf(pd, {30247});
    pd.m_OsDeviceName = "100%s"; // the name is data, never a format
    EXPECT_EQ((Texts{"30247 label=23300 '/dev/sdb'", "30247 label=23300 '/dev/'", "30247 label=23300 '/dev/100%s'"}),
              (Texts{withName[0], empty[0], propertiesOf(pd, {30247})[0]}));
}

TEST(PhysicalDriveOperations, NoOperationsAndFixedResults) {
    CDorvPhysicalDrive pd = operationalCard();
    std::vector<PI::COperation> ops(2, PI::COperation(50005));
    EXPECT_EQ(0u, pd.GetPhysicalDriveOperations(ops));
    EXPECT_TRUE(ops.empty());

    const CDorvPhysicalDrive before = pd;
    for (PI::_PROPERTY_ID code : {30007, 30017, 30999}) {
        PI::CProperty p(code, true);
        p.SetValue(std::string("changed"));
        EXPECT_EQ(20004u, pd.SetPhysicalDriveProperty(p));
    }
    EXPECT_TRUE(pd == before);

    PI::COperation op(50005);
    TraceCapture trace(2);
    EXPECT_EQ(20005u, pd.ExecutePhysicalDriveOperation(op));
    EXPECT_EQ((Texts{"ENTER ExecutePhysicalDriveOperation()", "LEAVE ExecutePhysicalDriveOperation() -> 20005"}),
              trace.Messages());
}

TEST(PhysicalDriveOperations, CheckRefusesWhileAnyLogicalDriveRebuilds) {
    const CDorvPhysicalDrive pd = operationalCard();
    PI::COperation op(50000);
    std::vector<CDorvLogicalDrive> lds(2, CDorvLogicalDrive(nullptr));
    TraceCapture trace(2);
    EXPECT_EQ(0u, pd.CheckPhysicalDriveOperation(lds, op));
    lds[1].m_Activity = 40096;
    EXPECT_EQ(20020u, pd.CheckPhysicalDriveOperation(lds, op));
    EXPECT_EQ((Texts{"ENTER CheckPhysicalDriveOperation()", "LEAVE CheckPhysicalDriveOperation() -> 0",
                     "ENTER CheckPhysicalDriveOperation()"}),
              trace.Messages());
    std::vector<CDorvLogicalDrive> none;
    EXPECT_EQ(0u, pd.CheckPhysicalDriveOperation(none, op));
}

TEST(PhysicalDriveCompare, EveryOwnMemberCountsAndUpdateTakesIt) {
    const std::vector<std::function<void(CDorvPhysicalDrive&)>> changes = {
        [](CDorvPhysicalDrive& d) { d.m_AuxNumber = 9; },
        [](CDorvPhysicalDrive& d) { d.m_PortNumber = 9; },
        [](CDorvPhysicalDrive& d) { d.m_DeviceNumber = 9; },
        [](CDorvPhysicalDrive& d) { d.m_Vendor += "x"; },
        [](CDorvPhysicalDrive& d) { d.m_Product += "x"; },
        [](CDorvPhysicalDrive& d) { d.m_Name += "x"; },
        [](CDorvPhysicalDrive& d) { d.m_OsDeviceName += "x"; },
        [](CDorvPhysicalDrive& d) { d.m_UniqueID += "x"; },
        [](CDorvPhysicalDrive& d) { d.m_PhysicalSize += 1; },
        [](CDorvPhysicalDrive& d) { d.m_Aux64 = 9; },
        [](CDorvPhysicalDrive& d) { d.m_Status = 40095; },
        [](CDorvPhysicalDrive& d) { d.m_Activity = 40025; },
        [](CDorvPhysicalDrive& d) { d.m_Configurability = 40262; },
        [](CDorvPhysicalDrive& d) { d.m_Aux32 = 9; },
        [](CDorvPhysicalDrive& d) { d.m_Type = 40174; },
        [](CDorvPhysicalDrive& d) { d.m_MediaType = 40293; },
    };
    const CDorvPhysicalDrive base = operationalCard();
    for (std::size_t i = 0; i < changes.size(); ++i) {
        SCOPED_TRACE(i);
        CDorvPhysicalDrive other = base;
        changes[i](other);
        EXPECT_FALSE(base.Equal(other));
        EXPECT_TRUE(base.Unequal(other));
        EXPECT_TRUE(base != other);
        CDorvPhysicalDrive copy = base;
        copy.Update(other);
        EXPECT_TRUE(copy.Equal(other));
    }
}

TEST(PhysicalDriveCompare, BaseRecordOnlyForOperatorEqualsAndUpdateKeepsIt) {
    CDorvPhysicalDrive current = operationalCard();
    current.m_ID = 0x0136000000000002ull;
    current.m_UpdateCounter = 4;
    CDorvPhysicalDrive scanned = current;
    scanned.m_ID = 0x0136000000000009ull;
    scanned.m_Parents = {0x0136000000000001ull};
    scanned.m_UpdateCounter = 0;
    EXPECT_TRUE(current.Equal(scanned));
    EXPECT_FALSE(current == scanned);
    EXPECT_TRUE(current != scanned);

    scanned.m_Name = "renamed";
    current.Update(scanned);
    EXPECT_TRUE(current.Equal(scanned));
    EXPECT_EQ(0x0136000000000002ull, current.m_ID);
    EXPECT_TRUE(current.m_Parents.empty());
    EXPECT_EQ(5u, current.m_UpdateCounter);
}
