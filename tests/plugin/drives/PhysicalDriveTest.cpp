#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <memory>

#include "TraceCapture.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"

using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;

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

const PI::CProperty* find(const std::vector<PI::CProperty>& list, PI::_PROPERTY_ID code) {
    for (const PI::CProperty& p : list) {
        if (p.m_Code == code) {
            return &p;
        }
    }
    return nullptr;
}

std::vector<std::string> withPrefix(const std::vector<std::string>& messages, const std::string& prefix) {
    std::vector<std::string> hits;
    for (const std::string& m : messages) {
        if (m.compare(0, prefix.size(), prefix) == 0) {
            hits.push_back(m);
        }
    }
    return hits;
}

struct ExpectedRow {
    PI::_PROPERTY_ID code;
    std::int32_t label;
    std::int32_t position;
    std::int32_t extraText;
    std::uint8_t flag;
};
} // namespace

TEST(PhysicalDriveProperties, AllFourteenInOrderWithTheirFields) {
    const CDorvPhysicalDrive pd = operationalCard();
    std::vector<PI::CProperty> out;
    ASSERT_EQ(0u, pd.GetPhysicalDriveProperties(out, 1));

    const ExpectedRow rows[] = {
        {30007, 23298, -1, -1, 1}, {30125, 23284, 28, -1, 1},    {30122, 23305, 28, -1, 1},
        {30247, 23300, -1, -1, 1}, {30137, -1, 0, -1, 1},        {30003, 23331, -1, -1, 1},
        {30063, 23308, -1, -1, 1}, {30059, 23304, -1, 21002, 1}, {30060, 23281, -1, 21002, 1},
        {30054, 23274, -1, -1, 1}, {30017, 23324, -1, -1, 1},    {30056, 23329, -1, -1, 1},
        {30320, 23296, -1, -1, 1}, {30244, 23280, 0, -1, 0},
    };
    ASSERT_EQ(std::size(rows), out.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        SCOPED_TRACE(rows[i].code);
        EXPECT_EQ(rows[i].code, out[i].m_Code);
        EXPECT_FALSE(out[i].m_Changeable);
        EXPECT_EQ(rows[i].label, out[i].m_Label);
        EXPECT_EQ(rows[i].position, out[i].m_Position);
        EXPECT_EQ(rows[i].extraText, out[i].m_ExtraText);
        EXPECT_EQ(rows[i].flag, out[i].m_Flag);
        EXPECT_EQ(-1, out[i].m_SubCode);
        EXPECT_EQ(rows[i].code == 30017 ? 24093 : -1, out[i].m_StatusDisplay);
    }

    EXPECT_EQ("SD card 1", out[0].String()->text);
    EXPECT_EQ("/dev/sdb", out[3].String()->text);
    EXPECT_EQ("SD-0001", out[4].String()->text);
    EXPECT_EQ("Sandor", out[5].String()->text);
    EXPECT_EQ("SD 32G", out[6].String()->text);
    EXPECT_EQ(32ull << 10, out[7].Number()->value);
    EXPECT_EQ(32ull << 10, out[8].Number()->value);
    EXPECT_EQ((std::vector<std::int32_t>{40102, 40025, 40096}), out[9].Choice()->choices);
    EXPECT_EQ(40093, out[10].Choice()->value);
    EXPECT_EQ((std::vector<std::int32_t>{40099, 40093, 40095, 40096, 40098}), out[10].Choice()->choices);
    EXPECT_EQ((std::vector<std::int32_t>{40174, 40002}), out[11].Choice()->choices);
    EXPECT_EQ((std::vector<std::int32_t>{40292, 40293}), out[12].Choice()->choices);
    EXPECT_EQ(40263, out[13].Choice()->value);
    EXPECT_EQ((std::vector<std::int32_t>{40262, 40263}), out[13].Choice()->choices);
}

TEST(PhysicalDriveProperties, StatusDisplayFollowsStatusAndMedia) {
    struct Case {
        std::int32_t status;
        std::int32_t other;
        std::int32_t ssd;
    };
    const Case cases[] = {{40093, 24093, 24201}, {40095, 24087, 24195}, {40096, 24105, 24215},
                          {40098, 24014, 24146}, {40023, 24080, 24176}, {40099, 24081, 24183}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        CDorvPhysicalDrive pd = operationalCard();
        pd.m_Status = c.status;
        std::vector<PI::CProperty> out;
        pd.m_MediaType = 40292;
        pd.GetPhysicalDriveProperties(out, 30017);
        pd.m_MediaType = 40293;
        pd.GetPhysicalDriveProperties(out, 30017);
        ASSERT_EQ(2u, out.size());
        EXPECT_EQ(c.other, out[0].m_StatusDisplay);
        EXPECT_EQ(c.ssd, out[1].m_StatusDisplay);
    }
}

TEST(PhysicalDriveProperties, StatusAloneWritesItsTraceLine) {
    CDorvPhysicalDrive pd = operationalCard();
    pd.m_PortNumber = 3;
    pd.m_DeviceNumber = 7;
    pd.m_Status = 40095;
    std::vector<PI::CProperty> out;
    drives_test::TraceCapture trace(2);
    ASSERT_EQ(0u, pd.GetPhysicalDriveProperties(out, 30017));

    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(30017, out[0].m_Code);
    EXPECT_EQ(40095, out[0].Choice()->value);
    EXPECT_EQ((std::vector<std::string>{"ENTER GetPhysicalDriveProperties()",
                                        "GetPhysicalDriveProperties() set status property of disk 3/7 to 40095",
                                        "LEAVE GetPhysicalDriveProperties() -> 0"}),
              trace.Messages());
    EXPECT_NE(std::string::npos, trace.Lines()[1].find("piDorv/Src/piDorvPhysicalDrive"));
}

TEST(PhysicalDriveProperties, UnknownIdAppendsNothingAndKeepsTheList) {
    const CDorvPhysicalDrive pd = operationalCard();
    std::vector<PI::CProperty> out(1, PI::CProperty(30999, true));
    drives_test::TraceCapture trace(2);
    EXPECT_EQ(0u, pd.GetPhysicalDriveProperties(out, 30099));
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(30999, out[0].m_Code);
    EXPECT_TRUE(withPrefix(trace.Messages(), "GetPhysicalDriveProperties() set status").empty());

    // A single known code appends after what was there.
    pd.GetPhysicalDriveProperties(out, 30063);
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ(30063, out[1].m_Code);
}

TEST(PhysicalDriveProperties, MissingDriveHidesDetailsAcrossTheWholeList) {
    CDorvPhysicalDrive pd = operationalCard();
    pd.m_Status = 40023;

    // Entries already in the list: some of the hidden codes, and one that is not.
    std::vector<PI::CProperty> out;
    for (PI::_PROPERTY_ID code : {30003, 30020, 30243, 30310, 30007, 30017}) {
        PI::CProperty p(code, false);
        p.m_Position = 5;
        out.push_back(p);
    }
    ASSERT_EQ(0u, pd.GetPhysicalDriveProperties(out, 1));
    ASSERT_EQ(6u + 14u, out.size());

    EXPECT_EQ(0, out[0].m_Position) << "VENDOR placed before the call";
    EXPECT_EQ(0, out[1].m_Position) << "FIRMWARE_VERSION";
    EXPECT_EQ(0, out[2].m_Position) << "RPM";
    EXPECT_EQ(0, out[3].m_Position) << "POWER_STATUS";
    EXPECT_EQ(5, out[4].m_Position) << "NAME placed before the call";
    EXPECT_EQ(5, out[5].m_Position) << "STATUS placed before the call";

    const std::vector<PI::CProperty> own(out.begin() + 6, out.end());
    for (PI::_PROPERTY_ID code : {30003, 30063, 30059, 30125, 30247, 30054, 30056}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(0, find(own, code)->m_Position);
    }
    EXPECT_EQ(-1, find(own, 30007)->m_Position);
    EXPECT_EQ(28, find(own, 30122)->m_Position);
    EXPECT_EQ(-1, find(own, 30060)->m_Position);
    EXPECT_EQ(-1, find(own, 30017)->m_Position);
    EXPECT_EQ(-1, find(own, 30320)->m_Position);

    // The status is shown although its choice list does not offer it.
    const PI::CChoiceData* status = find(own, 30017)->Choice();
    EXPECT_EQ(40023, status->value);
    EXPECT_EQ(std::find(status->choices.begin(), status->choices.end(), 40023), status->choices.end());
}

TEST(PhysicalDriveProperties, PresentDriveLeavesEarlierEntriesAlone) {
    const CDorvPhysicalDrive pd = operationalCard();
    std::vector<PI::CProperty> out(1, PI::CProperty(30003, false));
    out[0].m_Position = 5;
    pd.GetPhysicalDriveProperties(out, 1);
    EXPECT_EQ(5, out[0].m_Position);
    EXPECT_EQ(-1, find(std::vector<PI::CProperty>(out.begin() + 1, out.end()), 30003)->m_Position);
}

TEST(PhysicalDriveProperties, SizesAreShownInWholeUnitsOf1024) {
    CDorvPhysicalDrive pd = operationalCard();
    for (std::uint64_t size : {0ull, 1023ull, 1024ull, 2047ull}) {
        SCOPED_TRACE(size);
        pd.m_PhysicalSize = size;
        std::vector<PI::CProperty> out;
        pd.GetPhysicalDriveProperties(out, 30059);
        pd.GetPhysicalDriveProperties(out, 30060);
        ASSERT_EQ(2u, out.size());
        EXPECT_EQ(size / 1024, out[0].Number()->value);
        EXPECT_EQ(size / 1024, out[1].Number()->value);
    }
}

TEST(PhysicalDriveProperties, NegativeNumbersAreWidenedWithTheirSign) {
    CDorvPhysicalDrive pd = operationalCard();
    pd.m_PortNumber = -1;
    pd.m_DeviceNumber = -2;
    std::vector<PI::CProperty> out;
    pd.GetPhysicalDriveProperties(out, 30122);
    pd.GetPhysicalDriveProperties(out, 30125);
    ASSERT_EQ(2u, out.size());
    EXPECT_EQ(18446744073709551615ull, out[0].Number()->value);
    EXPECT_EQ(18446744073709551614ull, out[1].Number()->value);
}

TEST(PhysicalDriveProperties, OsDeviceIsUnderDev) {
    CDorvPhysicalDrive pd = operationalCard();
    std::vector<PI::CProperty> out;
    pd.GetPhysicalDriveProperties(out, 30247);
    pd.m_OsDeviceName.clear();
    pd.GetPhysicalDriveProperties(out, 30247);
    pd.m_OsDeviceName = "100%s"; // the name is data, never a format
    pd.GetPhysicalDriveProperties(out, 30247);
    ASSERT_EQ(3u, out.size());
    EXPECT_EQ("/dev/sdb", out[0].String()->text);
    EXPECT_EQ("/dev/", out[1].String()->text);
    EXPECT_EQ("/dev/100%s", out[2].String()->text);
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
    drives_test::TraceCapture trace(2);
    EXPECT_EQ(20005u, pd.ExecutePhysicalDriveOperation(op));
    EXPECT_EQ((std::vector<std::string>{"ENTER ExecutePhysicalDriveOperation()",
                                        "LEAVE ExecutePhysicalDriveOperation() -> 20005"}),
              trace.Messages());
}

TEST(PhysicalDriveOperations, CheckRefusesWhileAnyLogicalDriveRebuilds) {
    const CDorvPhysicalDrive pd = operationalCard();
    PI::COperation op(50000);
    std::vector<CDorvLogicalDrive> lds(2, CDorvLogicalDrive(nullptr));
    {
        drives_test::TraceCapture trace(2);
        EXPECT_EQ(0u, pd.CheckPhysicalDriveOperation(lds, op));
        EXPECT_EQ((std::vector<std::string>{"ENTER CheckPhysicalDriveOperation()",
                                            "LEAVE CheckPhysicalDriveOperation() -> 0"}),
                  trace.Messages());
    }
    lds[1].m_Activity = 40096;
    {
        drives_test::TraceCapture trace(2);
        EXPECT_EQ(20020u, pd.CheckPhysicalDriveOperation(lds, op));
        EXPECT_EQ(std::vector<std::string>{"ENTER CheckPhysicalDriveOperation()"}, trace.Messages());
    }
    std::vector<CDorvLogicalDrive> none;
    EXPECT_EQ(0u, pd.CheckPhysicalDriveOperation(none, op));
}

TEST(PhysicalDriveCompare, EveryOwnMemberCounts) {
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

        // Update brings every member across.
        CDorvPhysicalDrive copy = base;
        copy.Update(other);
        EXPECT_TRUE(copy.Equal(other));
    }
}

TEST(PhysicalDriveCompare, BaseRecordOnlyMattersForOperatorEquals) {
    const CDorvPhysicalDrive a = operationalCard();
    CDorvPhysicalDrive b = a;
    b.m_ID = 0x0136000000000005ull;
    b.m_Parents.push_back(0x0136000000000001ull);
    EXPECT_TRUE(a.Equal(b));
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(a != b);
    b = a;
    EXPECT_TRUE(a == b);
}

TEST(PhysicalDriveCompare, UpdateTakesTheBaseRecordToo) {
    CDorvPhysicalDrive current = operationalCard();
    current.m_ID = 0x0136000000000002ull;
    current.m_UpdateCounter = 4;
    CDorvPhysicalDrive scanned = operationalCard();
    scanned.m_ID = 0x0136000000000009ull;
    scanned.m_Parents = {0x0136000000000001ull};
    scanned.m_UpdateCounter = 0;
    scanned.m_Name = "renamed";

    current.Update(scanned);
    EXPECT_TRUE(current == scanned);
    EXPECT_EQ(0x0136000000000009ull, current.m_ID);
    EXPECT_EQ(0u, current.m_UpdateCounter);
}
