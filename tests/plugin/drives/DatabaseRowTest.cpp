// The values the drives write into their database rows.
#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "orm/RaidDataModels.h"
#include "piDorv/Src/piDorvLogicalDrive.h"
#include "piDorv/Src/piDorvPhysicalDrive.h"
#include "support/TraceCapture.h"

using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::CDorvPhysicalDrive;
using test_support::TraceCapture;
using Texts = std::vector<std::string>;

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
    TraceCapture trace(2);
    card().SetDatabaseObjectProperties(model);
    EXPECT_EQ(Texts{"ENTER SetDatabaseObjectProperties (PD)"}, trace.Messages());

    EXPECT_EQ((Texts{"IDLE", "CANNOT_BE_CONFIGURED", "localhost", "SSD", "SD card 1", "/dev/sdb", "SD 32G",
                     "OPERATIONAL", "SATA", "SD-0001", "Sandor", "NULL"}),
              (Texts{model.Activity, model.Configurability, model.HostName, model.MediaType, model.Name, model.OsDevice,
                     model.Product, model.Status, model.Type, model.UniqueID, model.Vendor, model.m4}));
    EXPECT_EQ(std::make_tuple(5ul, 5ul, 2, 11, 1, INT_MIN, 0x0136000000000004ul, INT_MIN, -1),
              std::make_tuple(model.PhysicalSize, model.ConfigurableSize, model.DeviceNumber, model.AuxNumber,
                              model.PortNumber, model.ID, model.ObjectID, model.m2, model.m18));

    // The row update selects on host name 'localhost': a drive with nothing set must carry it too.
    RaidDataModels::PD bare;
    CDorvPhysicalDrive().SetDatabaseObjectProperties(bare);
    EXPECT_EQ("localhost", bare.HostName);
}

TEST(PhysicalDriveRow, StatusTexts) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {40023, "FAILED_MISSING"},     {40093, "OPERATIONAL"}, {40095, "FAILED"}, {40096, "REBUILDING"},
        {40098, "DEDICATED_HOTSPARE"}, {40099, "OK"},          {40094, "OK"},     {0, "OK"}};
    for (const auto& c : cases) {
        CDorvPhysicalDrive pd = card();
        pd.m_Status = c.first;
        RaidDataModels::PD model;
        pd.SetDatabaseObjectProperties(model);
        EXPECT_EQ(c.second, model.Status) << c.first;
    }
}

TEST(LogicalDriveRow, WritesTheListedMembers) {
    RaidDataModels::LD model;
    model.m2 = "stale";
    TraceCapture trace(2);
    EXPECT_EQ(0u, mirror().SetDatabaseObjectProperties(model));
    EXPECT_EQ((Texts{"ENTER SetDatabaseObjectProperties() LogicalDrive", "LEAVE SetDatabaseObjectProperties() -> 0"}),
              trace.Messages());

    EXPECT_EQ((Texts{"REBUILDING", "localhost", "md127", "md127", "RAID1", "DEGRADED", "64K", "LD-3", "NULL"}),
              (Texts{model.Activity, model.HostName, model.Name, model.OsDevice, model.RaidLevel, model.Status,
                     model.StripeSize, model.UniqueID, model.m2}));
    EXPECT_EQ(std::make_tuple(INT_MIN, 8, 0x0136000000000005ul, 3, 2ul, 4ul, -1),
              std::make_tuple(model.ID, model.AuxNumber2, model.ObjectID, model.Number, model.LogicalSize,
                              model.PhysicalSize, model.m20));

    // The row delete selects on host name 'localhost': without it removed drives would stay behind.
    RaidDataModels::LD bare;
    CDorvLogicalDrive(nullptr).SetDatabaseObjectProperties(bare);
    EXPECT_EQ("localhost", bare.HostName);
}

TEST(LogicalDriveRow, ConditionalMembersAndStatusTexts) {
    CDorvLogicalDrive ld = mirror();
    ld.m_Name.clear();
    ld.m_RaidLevel = 40021;
    RaidDataModels::LD model;
    ld.SetDatabaseObjectProperties(model);
    EXPECT_EQ((Texts{"", "NULL", "CONCAT", "NULL"}),
              (Texts{model.Name, model.OsDevice, model.RaidLevel, model.StripeSize}));
    ld.m_RaidLevel = 40007;
    ld.m_StripeSize = 40049;
    ld.SetDatabaseObjectProperties(model);
    EXPECT_EQ((Texts{"RAID0", "4K"}), (Texts{model.RaidLevel, model.StripeSize}));

    const std::pair<std::int32_t, const char*> cases[] = {
        {40093, "OK"}, {40094, "DEGRADED"}, {40095, "FAILED"}, {40023, "OK"}};
    for (const auto& c : cases) {
        ld.m_Status = c.first;
        ld.SetDatabaseObjectProperties(model);
        EXPECT_EQ(c.second, model.Status) << c.first;
    }
}
