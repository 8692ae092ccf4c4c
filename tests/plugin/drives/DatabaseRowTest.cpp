#include <gtest/gtest.h>

#include <climits>

#include "TraceCapture.h"
#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"

using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;

namespace {
CDorvPhysicalDrive card() {
    CDorvPhysicalDrive pd;
    pd.m_ID = 0x0136000000000004ull;
    pd.m_AuxNumber = 11;
    pd.m_PortNumber = 1;
    pd.m_DeviceNumber = 2;
    pd.m_Vendor = "Sandor";
    pd.m_Product = "SD 32G";
    pd.m_Name = "SD card 1";
    pd.m_OsDeviceName = "sdb";
    pd.m_UniqueID = "SD-0001";
    pd.m_PhysicalSize = 5 * 1024 + 1023;
    pd.m_Status = 40093;
    pd.m_Activity = 40102;
    pd.m_Configurability = 40263;
    pd.m_Type = 40002;
    pd.m_MediaType = 40293;
    return pd;
}

CDorvLogicalDrive mirror() {
    CDorvLogicalDrive ld(nullptr);
    ld.m_ID = 0x0136000000000005ull;
    ld.m_Number = 3;
    ld.m_AuxNumber2 = 8;
    ld.m_Name = "md127";
    ld.m_UniqueID = "LD-3";
    ld.m_LogicalSize = 4096 + 2047;
    ld.m_PhysicalSize = 4096 + 1023;
    ld.m_RaidLevel = 40009;
    ld.m_StripeSize = 40053;
    ld.m_Status = 40094;
    ld.m_Activity = 40096;
    return ld;
}
} // namespace

TEST(PhysicalDriveRow, WritesTheListedMembers) {
    RaidDataModels::PD model;
    model.m2 = 99; // not written: back to its default
    model.Status = "stale";
    drives_test::TraceCapture trace(2);
    card().SetDatabaseObjectProperties(model);
    EXPECT_EQ(std::vector<std::string>{"ENTER SetDatabaseObjectProperties (PD)"}, trace.Messages());

    EXPECT_EQ("IDLE", model.Activity);
    EXPECT_EQ(5ul, model.PhysicalSize);
    EXPECT_EQ("CANNOT_BE_CONFIGURED", model.Configurability);
    EXPECT_EQ(2, model.DeviceNumber);
    EXPECT_EQ(11, model.AuxNumber);
    EXPECT_EQ("localhost", model.HostName);
    EXPECT_EQ(INT_MIN, model.ID);
    EXPECT_EQ(0x0136000000000004ul, model.ObjectID);
    EXPECT_EQ("SSD", model.MediaType);
    EXPECT_EQ("SD card 1", model.Name);
    EXPECT_EQ("/dev/sdb", model.OsDevice);
    EXPECT_EQ(5ul, model.ConfigurableSize);
    EXPECT_EQ(1, model.PortNumber);
    EXPECT_EQ("SD 32G", model.Product);
    EXPECT_EQ("OPERATIONAL", model.Status);
    EXPECT_EQ("SATA", model.Type);
    EXPECT_EQ("SD-0001", model.UniqueID);
    EXPECT_EQ("Sandor", model.Vendor);
    EXPECT_EQ(INT_MIN, model.m2);
    EXPECT_EQ("NULL", model.m4);
    EXPECT_EQ(-1, model.m18);
}

TEST(PhysicalDriveRow, HostNameMatchesTheUpdateKey) {
    // The row update selects on host name 'localhost'; an unset name would never match.
    RaidDataModels::PD model;
    CDorvPhysicalDrive().SetDatabaseObjectProperties(model);
    EXPECT_EQ("localhost", model.HostName);
}

TEST(PhysicalDriveRow, StatusTexts) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {40023, "FAILED_MISSING"},     {40093, "OPERATIONAL"}, {40095, "FAILED"}, {40096, "REBUILDING"},
        {40098, "DEDICATED_HOTSPARE"}, {40099, "OK"},          {40094, "OK"},     {0, "OK"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        CDorvPhysicalDrive pd = card();
        pd.m_Status = c.first;
        RaidDataModels::PD model;
        pd.SetDatabaseObjectProperties(model);
        EXPECT_EQ(c.second, model.Status);
    }
}

TEST(LogicalDriveRow, WritesTheListedMembers) {
    RaidDataModels::LD model;
    model.m2 = "stale";
    drives_test::TraceCapture trace(2);
    EXPECT_EQ(0u, mirror().SetDatabaseObjectProperties(model));
    EXPECT_EQ((std::vector<std::string>{"ENTER SetDatabaseObjectProperties() LogicalDrive",
                                        "LEAVE SetDatabaseObjectProperties() -> 0"}),
              trace.Messages());

    EXPECT_EQ(INT_MIN, model.ID);
    EXPECT_EQ("REBUILDING", model.Activity);
    EXPECT_EQ(8, model.AuxNumber2);
    EXPECT_EQ("localhost", model.HostName);
    EXPECT_EQ(0x0136000000000005ul, model.ObjectID);
    EXPECT_EQ(3, model.Number);
    EXPECT_EQ(2ul, model.LogicalSize);
    EXPECT_EQ("md127", model.Name);
    EXPECT_EQ("md127", model.OsDevice);
    EXPECT_EQ(4ul, model.PhysicalSize);
    EXPECT_EQ("RAID1", model.RaidLevel);
    EXPECT_EQ("DEGRADED", model.Status);
    EXPECT_EQ("64K", model.StripeSize);
    EXPECT_EQ("LD-3", model.UniqueID);
    EXPECT_EQ("NULL", model.m2);
    EXPECT_EQ(-1, model.m20);
}

TEST(LogicalDriveRow, HostNameMatchesTheDeleteKey) {
    // The row delete selects on host name 'localhost'; an unset name would leave removed drives behind.
    RaidDataModels::LD model;
    CDorvLogicalDrive(nullptr).SetDatabaseObjectProperties(model);
    EXPECT_EQ("localhost", model.HostName);
}

TEST(LogicalDriveRow, ConditionalMembers) {
    CDorvLogicalDrive ld = mirror();
    ld.m_Name.clear();
    ld.m_RaidLevel = 40021;
    RaidDataModels::LD model;
    ld.SetDatabaseObjectProperties(model);
    EXPECT_EQ("", model.Name);
    EXPECT_EQ("NULL", model.OsDevice);
    EXPECT_EQ("CONCAT", model.RaidLevel);
    EXPECT_EQ("NULL", model.StripeSize);

    ld.m_RaidLevel = 40007;
    ld.m_StripeSize = 40049;
    ld.SetDatabaseObjectProperties(model);
    EXPECT_EQ("RAID0", model.RaidLevel);
    EXPECT_EQ("4K", model.StripeSize);
}

TEST(LogicalDriveRow, StatusTexts) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {40093, "OK"}, {40094, "DEGRADED"}, {40095, "FAILED"}, {40023, "OK"}};
    for (const auto& c : cases) {
        CDorvLogicalDrive ld = mirror();
        ld.m_Status = c.first;
        RaidDataModels::LD model;
        ld.SetDatabaseObjectProperties(model);
        EXPECT_EQ(c.second, model.Status) << c.first;
    }
}
