#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "codes/CodeNames.h"

using CodeNames::Table;

TEST(CodeNames, ValueNames) {
    EXPECT_EQ("", CodeNames::ValueName(0));
    EXPECT_EQ("UNDEFINED", CodeNames::ValueName(1));
    EXPECT_EQ("ENABLED", CodeNames::ValueName(40000));
    EXPECT_EQ("SATA", CodeNames::ValueName(40002));
    EXPECT_EQ("RAID1", CodeNames::ValueName(40009));
    EXPECT_EQ("RAID5", CodeNames::ValueName(40014));
    EXPECT_EQ("64K", CodeNames::ValueName(40053));
    EXPECT_EQ("DEDICATED_HOTSPARE", CodeNames::ValueName(40098));
    EXPECT_EQ("LINUX_MD", CodeNames::ValueName(40278));
    EXPECT_EQ("SERVICEVALIDATE", CodeNames::ValueName(40494));
    EXPECT_EQ("NVME", CodeNames::ValueName(40496));
    EXPECT_EQ("REBUILD", CodeNames::ValueName(40669));
}

TEST(CodeNames, StatusNames) {
    EXPECT_EQ("SUCCESS", CodeNames::StatusName(0));
    EXPECT_EQ("GENERAL", CodeNames::StatusName(20000));
    EXPECT_EQ("NO_SUPPORTED_HARDWARE", CodeNames::StatusName(20001));
    EXPECT_EQ("INVALID_OBJECT_ID", CodeNames::StatusName(20008));
    EXPECT_EQ("LOGICALDRIVE_BUSY", CodeNames::StatusName(20020));
    EXPECT_EQ("MDADM_ERROR", CodeNames::StatusName(20174));
}

TEST(CodeNames, EventAndOperationNamesAreSeparateTables) {
    EXPECT_EQ("UNDEFINED", CodeNames::EventName(1));
    EXPECT_EQ("TEST_TRAP", CodeNames::EventName(5));
    EXPECT_EQ("UNKNOWN", CodeNames::EventName(10000));
    EXPECT_EQ("LOGICALDRIVE_DELETED", CodeNames::EventName(10081));
    EXPECT_EQ("SCAN_CONFIGURATION", CodeNames::EventName(10132));
    EXPECT_EQ("LD_STATE_CHANGE_INV_TO_FOR", CodeNames::EventName(12357));

    EXPECT_EQ("UNDEFINED", CodeNames::OperationName(1));
    EXPECT_EQ("CREATE_LOGICAL_DRIVE", CodeNames::OperationName(50000));
    EXPECT_EQ("GET_EVENTS", CodeNames::OperationName(50002));
    EXPECT_EQ("GET_RAID_MIGRATION_INFORMATION", CodeNames::OperationName(50004));
    EXPECT_EQ("SCAN_CONFIGURATION", CodeNames::OperationName(50007));
    EXPECT_EQ("ADD_SERVER", CodeNames::OperationName(50500));

    EXPECT_EQ("", CodeNames::EventName(50007));
    EXPECT_EQ("", CodeNames::OperationName(10132));
    EXPECT_EQ("", CodeNames::StatusName(40024));
}

TEST(CodeNames, PropertyNamesIncludingSubPropertiesAndFrames) {
    EXPECT_EQ("FRAME_START", CodeNames::PropertyName(0));
    EXPECT_EQ("SEPARATOR_END", CodeNames::PropertyName(3));
    EXPECT_EQ("POLL_INTERVAL", CodeNames::PropertyName(30005));
    EXPECT_EQ("CUR_MAX_LOGICAL_DRIVES", CodeNames::PropertyName(30278));
    EXPECT_EQ("CONFIGURATION", CodeNames::PropertyName(30496));
    EXPECT_EQ("SEGMENT", CodeNames::PropertyName(35039));
    EXPECT_EQ("TYPE", CodeNames::PropertyName(35044));
    EXPECT_EQ("SENSE_LOG", CodeNames::PropertyName(35203));
}

TEST(CodeNames, FirstListedNameIsKept) {
    EXPECT_EQ("UNDEFINED", CodeNames::PropertyName(1));
    EXPECT_EQ("RUI_PROPERTIES", CodeNames::PropertyName(29900));
    std::int32_t code = -1;
    EXPECT_FALSE(CodeNames::CodeOf(Table::Property, "FRAME_END", code));
    EXPECT_FALSE(CodeNames::CodeOf(Table::Property, "OBJECT_NAME", code));
    EXPECT_EQ(-1, code);
}

TEST(CodeNames, CodeOfIsTheReverseLookup) {
    std::int32_t code = 0;
    ASSERT_TRUE(CodeNames::CodeOf(Table::Operation, "GET_RAID_LEVEL_INFORMATION", code));
    EXPECT_EQ(50003, code);
    ASSERT_TRUE(CodeNames::CodeOf(Table::Event, "SCAN_CONFIGURATION", code));
    EXPECT_EQ(10132, code);
    ASSERT_TRUE(CodeNames::CodeOf(Table::Value, "", code));
    EXPECT_EQ(0, code);
    // TYPE names both a property and a sub-property: the lower code answers.
    ASSERT_TRUE(CodeNames::CodeOf(Table::Property, "TYPE", code));
    EXPECT_EQ(30056, code);
    code = 123;
    EXPECT_FALSE(CodeNames::CodeOf(Table::Value, "NO_SUCH_NAME", code));
    EXPECT_FALSE(CodeNames::CodeOf(Table::Value, "raid1", code));
    EXPECT_EQ(123, code);
}

TEST(CodeNames, MissingCodeGivesTheSharedEmptyTextAndAddsNothing) {
    const std::size_t values = CodeNames::Count(Table::Value);
    const std::size_t properties = CodeNames::Count(Table::Property);
    const std::size_t statuses = CodeNames::Count(Table::Status);
    const std::string& missing = CodeNames::ValueName(40001);
    EXPECT_EQ("", missing);
    EXPECT_EQ(&missing, &CodeNames::PropertyName(30050));
    EXPECT_EQ(&missing, &CodeNames::StatusName(-1));
    EXPECT_EQ("", CodeNames::EventName(2));
    EXPECT_EQ("", CodeNames::PropertyName(2));
    // Had the lookup inserted a row, the reverse lookup of "" would now find 40001 in the
    // property table (which has no empty name of its own).
    std::int32_t code = 0;
    EXPECT_FALSE(CodeNames::CodeOf(Table::Property, "", code));
    // The value table's own empty name stays at 0, not at the code looked up above.
    ASSERT_TRUE(CodeNames::CodeOf(Table::Value, "", code));
    EXPECT_EQ(0, code);
    EXPECT_FALSE(CodeNames::CodeOf(Table::Status, "", code));
    EXPECT_EQ(values, CodeNames::Count(Table::Value));
    EXPECT_EQ(properties, CodeNames::Count(Table::Property));
    EXPECT_EQ(statuses, CodeNames::Count(Table::Status));
}

TEST(CodeNames, ConcurrentLookupsAgree) {
    const std::int32_t codes[] = {40009, 40053, 40095, 40001, 40278, 0, 1};
    std::vector<std::string> expected;
    for (std::int32_t code : codes)
        expected.push_back(CodeNames::ValueName(code));

    const std::size_t before = CodeNames::Count(Table::Property);
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < 2000; ++round) {
                const std::size_t i = static_cast<std::size_t>(round + t) % expected.size();
                if (CodeNames::ValueName(codes[i]) != expected[i])
                    ++mismatches;
                if (CodeNames::PropertyName(30000 + round % 600).size() > 64)
                    ++mismatches;
                std::int32_t code = 0;
                if (!CodeNames::CodeOf(Table::Status, "LOGICALDRIVE_BUSY", code) || code != 20020)
                    ++mismatches;
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, mismatches.load());
    EXPECT_EQ(before, CodeNames::Count(Table::Property));
    std::int32_t code = 0;
    EXPECT_FALSE(CodeNames::CodeOf(Table::Property, "", code));
}
