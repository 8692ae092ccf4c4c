#include <gtest/gtest.h>

#include "TraceCapture.h"
#include "piDorv/Src/piDorvLogicalDrive.h"

using NAMESPACE_piDorv::CDorvLogicalDrive;
using NAMESPACE_piDorv::GetRAIDLevel;
using NAMESPACE_piDorv::GetRaidLevelInformation;

namespace {
// The emulator's sample logical drive: a RAID-1 mirror of the two SD cards.
const char* const SAMPLE_CONFIGURATION = R"(<?xml version="1.0"?>
<LogicalDrive Number="0" RaidLevel="40009" StripeSize="40053" Name="md127">
	<Container Number="0">
		<Drive Port="0" Device="0" Size="31166976" />
		<Drive Port="1" Device="0" Size="31166976" />
	</Container>
</LogicalDrive>
)";

PI::CLogicalDrive requestWith(std::int32_t raidLevel, std::size_t drives) {
    PI::CLogicalDrive requested;
    requested.m_RaidLevel = raidLevel;
    PI::CContainer container;
    container.m_Number = 0;
    container.m_Drives.resize(drives);
    requested.m_Containers.push_back(container);
    return requested;
}
} // namespace

TEST(RaidLevelRules, RequestedLevelsAgainstDriveCounts) {
    struct Case {
        std::int32_t raidLevel;
        std::size_t drives;
        std::uint32_t result;
        int level;
        const char* failure;
    };
    const int untouched = 77;
    const Case cases[] = {
        {40009, 0, 0, 1, nullptr},
        {40009, 1, 0, 1, nullptr},
        {40009, 3, 0, 1, nullptr},
        {40009, 4, 20006, untouched, "LEAVE GetRAIDLevel() -> not more then 3 drives have to be specified"},
        {40007, 1, 20006, untouched, "LEAVE GetRAIDLevel() -> at least 2 drive has to be specified"},
        {40007, 2, 0, 0, nullptr},
        {40007, 8, 0, 0, nullptr},
        {40021, 1, 20006, untouched, "LEAVE GetRAIDLevel() -> at least 2 drive has to be specified"},
        {40021, 2, 0, -1, nullptr},
        {40014, 2, 20006, untouched, "LEAVE GetRAIDLevel() -> unsupported RAID level"},
        {-1, 2, 20006, untouched, "LEAVE GetRAIDLevel() -> unsupported RAID level"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.raidLevel << " with " << c.drives << " drives");
        PI::CLogicalDrive requested = requestWith(c.raidLevel, c.drives);
        int level = untouched;
        drives_test::TraceCapture trace(2);
        EXPECT_EQ(c.result, GetRAIDLevel(requested, level));
        EXPECT_EQ(c.level, level);
        const std::vector<std::string> lines = trace.Lines();
        if (c.failure) {
            ASSERT_EQ(1u, lines.size());
            EXPECT_EQ(c.failure, trace.Messages()[0]);
            EXPECT_NE(std::string::npos, lines[0].find("piDorv/Src/piDorvLogicalDrive"));
        } else {
            EXPECT_TRUE(lines.empty());
        }
    }
}

TEST(RaidLevelRules, OnlyTheFirstContainerCounts) {
    PI::CLogicalDrive requested = requestWith(40009, 2);
    PI::CContainer big;
    big.m_Drives.resize(5);
    requested.m_Containers.push_back(big);
    int level = 77;
    EXPECT_EQ(0u, GetRAIDLevel(requested, level));
    EXPECT_EQ(1, level);
}

TEST(RaidLevelRules, RequestWithoutContainerIsRefused) {
    PI::CLogicalDrive requested;
    requested.m_RaidLevel = 40009;
    int level = 77;
    drives_test::TraceCapture trace(2);
    EXPECT_EQ(20006u, GetRAIDLevel(requested, level));
    EXPECT_EQ(77, level);
    ASSERT_EQ(1u, trace.Messages().size());
    EXPECT_EQ(0u, trace.Messages()[0].find("LEAVE GetRAIDLevel() -> "));
}

TEST(RaidLevelInformation, ReplacesEveryLevelWithTheMirror) {
    PI::COperation op(50003);
    op.m_Levels.resize(3);
    op.m_Levels[0].m_Level = 40007;
    drives_test::TraceCapture trace(2);
    EXPECT_EQ(0u, GetRaidLevelInformation(op));

    ASSERT_EQ(1u, op.m_Levels.size());
    const PI::CLevel& level = op.m_Levels[0];
    EXPECT_EQ(40009, level.m_Level);
    EXPECT_EQ((std::vector<std::int32_t>{40049, 40050, 40051, 40052, 40053, 40054}), level.m_StripeSizes);
    EXPECT_EQ(40053, level.m_DefaultStripeSize);
    EXPECT_EQ(2, level.m_MinDrives);
    EXPECT_EQ(2, level.m_MaxDrives);
    EXPECT_EQ(0, level.m_Reserved1);
    EXPECT_EQ(0, level.m_Reserved2);
    EXPECT_EQ(0, level.m_Reserved3);
    EXPECT_EQ(0, level.m_Reserved4);
    EXPECT_EQ(21006, level.m_TextNumber);
    EXPECT_EQ(0, level.m_Reserved5);
    EXPECT_EQ(0, level.m_Reserved6);

    EXPECT_EQ((std::vector<std::string>{"ENTER GetRaidLevelInformation()", "LEAVE GetRaidLevelInformation()"}),
              trace.Messages());
    EXPECT_NE(std::string::npos, trace.Lines()[0].find("piDorv/Src/piDorvLogicalDrive"));
}

TEST(SampleConfiguration, RoundTripsThroughTheOperationAndTheRules) {
    CDorvLogicalDrive ld(nullptr);
    ld.m_Number = 0;
    ASSERT_TRUE(ld.m_Configuration.load_string(SAMPLE_CONFIGURATION));

    // Through Update as the scan cycle copies it, then out through the operation.
    CDorvLogicalDrive shown(nullptr);
    shown.Update(ld);
    PI::COperation op(50005);
    ASSERT_EQ(0u, shown.ExecuteLogicalDriveOperation(op));
    ASSERT_EQ(1u, op.m_LogicalDrives.size());

    PI::CLogicalDrive& handedOut = op.m_LogicalDrives[0];
    EXPECT_EQ(0, handedOut.m_Number);
    EXPECT_EQ(40009, handedOut.GetRaidLevel());
    EXPECT_EQ(40053, handedOut.m_StripeSize);
    EXPECT_EQ("md127", handedOut.m_Name);
    ASSERT_EQ(1u, handedOut.GetContainers().size());
    const std::vector<PI::CDrive>& drives = handedOut.GetContainers()[0].m_Drives;
    ASSERT_EQ(2u, drives.size());
    EXPECT_EQ(0, drives[0].m_PortNumber);
    EXPECT_EQ(1, drives[1].m_PortNumber);
    EXPECT_EQ(0, drives[0].m_DeviceNumber);
    EXPECT_EQ(0, drives[1].m_DeviceNumber);
    EXPECT_EQ(31166976u, drives[1].m_Size);

    int level = 77;
    EXPECT_EQ(0u, GetRAIDLevel(handedOut, level));
    EXPECT_EQ(1, level);
}
