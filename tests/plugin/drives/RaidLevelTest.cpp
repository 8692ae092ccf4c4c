// The RAID rules of a requested logical drive, and the one level the adapter offers.
#include <gtest/gtest.h>

#include <tuple>

#include "piDorv/Src/piDorvLogicalDrive.h"
#include "support/TraceCapture.h"

using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::GetRAIDLevel;
using NAMESPACE_piDorv::GetRaidLevelInformation;
using test_support::TraceCapture;

TEST(RaidLevelRules, RequestedLevelsAgainstDriveCounts) {
    struct Case {
        std::int32_t raidLevel;
        std::vector<std::size_t> containers; // drives in each
        std::uint32_t result;
        int level;
        const char* failure;
    };
    const int untouched = 77;
    const Case cases[] = {
        {40009, {0}, 0, 1, nullptr},
        {40009, {1}, 0, 1, nullptr},
        {40009, {3}, 0, 1, nullptr},
        {40009, {2, 5}, 0, 1, nullptr}, // only the first container counts
        {40009, {4}, 20006, untouched, "LEAVE GetRAIDLevel() -> not more then 3 drives have to be specified"},
        {40009, {}, 20006, untouched, "LEAVE GetRAIDLevel() -> no container has been specified"},
        {40007, {1}, 20006, untouched, "LEAVE GetRAIDLevel() -> at least 2 drive has to be specified"},
        {40007, {2}, 0, 0, nullptr},
        {40007, {8}, 0, 0, nullptr},
        {40021, {1}, 20006, untouched, "LEAVE GetRAIDLevel() -> at least 2 drive has to be specified"},
        {40021, {2}, 0, -1, nullptr},
        {40014, {2}, 20006, untouched, "LEAVE GetRAIDLevel() -> unsupported RAID level"},
        {-1, {2}, 20006, untouched, "LEAVE GetRAIDLevel() -> unsupported RAID level"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.raidLevel << " with " << testing::PrintToString(c.containers));
        PI::CLogicalDrive requested;
        requested.m_RaidLevel = c.raidLevel;
        for (std::size_t drives : c.containers) {
            requested.m_Containers.emplace_back();
            requested.m_Containers.back().m_Drives.resize(drives);
        }
        int level = untouched;
        TraceCapture trace(2);
        EXPECT_EQ(c.result, GetRAIDLevel(requested, level));
        EXPECT_EQ(c.level, level);
        const std::vector<test_support::TraceRecord> records = trace.Records();
        if (c.failure) {
            ASSERT_EQ(1u, records.size());
            EXPECT_EQ(c.failure, records[0].message);
            EXPECT_EQ("piDorv/Src/piDorvLogicalDrive", records[0].source);
        } else {
            EXPECT_TRUE(records.empty());
        }
    }
}

TEST(RaidLevelInformation, ReplacesEveryLevelWithTheMirror) {
    PI::COperation op(50003);
    op.m_Levels.resize(3);
    op.m_Levels[0].m_Level = 40007;
    TraceCapture trace(2);
    EXPECT_EQ(0u, GetRaidLevelInformation(op));

    ASSERT_EQ(1u, op.m_Levels.size());
    const PI::CLevel& l = op.m_Levels[0];
    EXPECT_EQ((std::vector<std::int32_t>{40049, 40050, 40051, 40052, 40053, 40054}), l.m_StripeSizes);
    EXPECT_EQ(std::make_tuple(40009, 40053, 2, 2, 21006),
              std::make_tuple(l.m_Level, l.m_DefaultStripeSize, l.m_MinDrives, l.m_MaxDrives, l.m_TextNumber));
    EXPECT_EQ(std::make_tuple(0, 0, 0, 0, 0, 0), std::make_tuple(l.m_Reserved1, l.m_Reserved2, l.m_Reserved3,
                                                                 l.m_Reserved4, l.m_Reserved5, l.m_Reserved6));
    EXPECT_EQ((std::vector<std::string>{"ENTER GetRaidLevelInformation()", "LEAVE GetRaidLevelInformation()"}),
              trace.Messages());
    EXPECT_EQ("piDorv/Src/piDorvLogicalDrive", trace.Records()[0].source);
}

TEST(SampleConfiguration, RoundTripsThroughTheOperationAndTheRules) {
    // The emulator's sample logical drive: a RAID-1 mirror of the two SD cards.
    CDorvLogicalDrive ld(nullptr);
    ld.m_Number = 0;
    ASSERT_TRUE(ld.m_Configuration.load_string(R"(<?xml version="1.0"?>
<LogicalDrive Number="0" RaidLevel="40009" StripeSize="40053" Name="md127">
	<Container Number="0">
		<Drive Port="0" Device="0" Size="31166976" />
		<Drive Port="1" Device="0" Size="31166976" />
	</Container>
</LogicalDrive>
)"));

    // Through Update as the scan cycle copies it, then out through the operation.
    CDorvLogicalDrive shown(nullptr);
    shown.Update(ld);
    PI::COperation op(50005);
    ASSERT_EQ(0u, shown.ExecuteLogicalDriveOperation(op));
    ASSERT_EQ(1u, op.m_LogicalDrives.size());

    PI::CLogicalDrive& handedOut = op.m_LogicalDrives[0];
    EXPECT_EQ(std::make_tuple(0, 40009, 40053, std::string("md127")),
              std::make_tuple(handedOut.m_Number, handedOut.GetRaidLevel(), handedOut.m_StripeSize, handedOut.m_Name));
    ASSERT_EQ(1u, handedOut.GetContainers().size());
    const std::vector<PI::CDrive>& drives = handedOut.GetContainers()[0].m_Drives;
    ASSERT_EQ(2u, drives.size());
    EXPECT_EQ(std::make_tuple(0, 0, 1, 0, 31166976ul),
              std::make_tuple(drives[0].m_PortNumber, drives[0].m_DeviceNumber, drives[1].m_PortNumber,
                              drives[1].m_DeviceNumber, drives[1].m_Size));

    int level = 77;
    EXPECT_EQ(0u, GetRAIDLevel(handedOut, level));
    EXPECT_EQ(1, level);
}
